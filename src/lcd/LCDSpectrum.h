// The player's spectrum analyser: 75 bars rising from a baseline, each with a falling peak dot,
// under a line across the top.
#pragma once

#include <windows.h>

#include "lcd/LCDBase.h"
#include "player/PlayerMessages.h"

class CLCDSpectrum : public CLCDBase {
public:
    explicit CLCDSpectrum(HWND player);

    void OnDraw(CLCDGfx& gfx) override;

    static constexpr int kBands = 75;

    // Exposed for tests of the falling bars and peaks.
    signed char Peak(int band) const { return m_peaks[band]; }
    signed char Level(int band) const { return m_levels[band]; }

private:
    void AdvanceBand(int band, signed char input);

    VisDataFunction m_getData = nullptr;
    VisRequestFunction m_requestData = nullptr;
    // Room for twice the bands drawn; only the first 75 of each are used. Zero at the start:
    // bars and peaks rise from the baseline.
    signed char m_peaks[150] = {};
    signed char m_levels[150] = {};
    signed char m_holds[150] = {};
    // This frame's band levels, copied from the player's data.
    char m_data[kBands] = {};
};
