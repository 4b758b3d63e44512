// A framed horizontal bar showing a position within an integer range: filled from the left, a
// sliding cursor, or the cursor with a dotted line up to it.
#pragma once

#include <windows.h>

#include <atomic>

#include "lcd/LCDBase.h"

struct BarRange {
    int minimum;
    int maximum;
};

class CLCDProgressBar : public CLCDBase {
public:
    CLCDProgressBar();
    ~CLCDProgressBar() override;

    HRESULT Initialize() override;
    void OnDraw(CLCDGfx& gfx) override;

    virtual void SetLimits(const BarRange& range);
    virtual void SetLimits(int minimum, int maximum);
    virtual BarRange& GetLimits();
    virtual float SetValue(float value);
    virtual float GetValue();
    virtual void SetCursorMode(BOOL on);
    virtual void SetBarStyle(int style);

private:
    int CursorLeft(float t, int width);

    BarRange m_range = {0, 100};
    // Set from the keyboard hook's thread too; the next draw picks it up.
    std::atomic<float> m_position{0.0f};
    int m_style = 1;
    HBRUSH m_brush = nullptr;
    HPEN m_pen = nullptr;
    int m_cursorWidth = 5;
};
