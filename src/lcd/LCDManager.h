// A screen: a collection with its own 160 x 43 surface, a start time and an expiration. Its
// Draw renders the children into the surface; soft-button events reach it through the output
// that shows it.
#pragma once

#include "lcd/LCDCollection.h"

// An expiration that never comes.
constexpr DWORD kNeverExpires = 0xFFFFFFFF;

class CLCDManager : public CLCDCollection {
public:
    ~CLCDManager() override;
    HRESULT Initialize() override;
    void Shutdown() override;
    virtual HRESULT Draw();
    virtual void Update(DWORD timestamp);
    virtual void OnSoftButtonDown(int button);
    virtual void OnSoftButtonUp(int button);
    // TRUE when the screen was never started or has run longer than its expiration.
    virtual BOOL IsExpired();

    // Set by whoever starts the screen; a start time of 0 means never started.
    void SetStartTime(DWORD startTime) { m_startTime = startTime; }
    DWORD GetStartTime() const { return m_startTime; }
    void SetExpiration(DWORD expiration) { m_expiration = expiration; }
    DWORD GetExpiration() const { return m_expiration; }
    void SetElapsed(DWORD elapsed) { m_elapsed = elapsed; }
    DWORD GetElapsed() const { return m_elapsed; }
    CLCDGfx& GetGfx() { return m_gfx; }

protected:
    CLCDGfx m_gfx;
    DWORD m_startTime = 0;
    DWORD m_elapsed = 0;
    DWORD m_expiration = 0;
};
