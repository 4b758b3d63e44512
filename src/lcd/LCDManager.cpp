#include "lcd/LCDManager.h"

#include "lcdservice/LcdServiceRecords.h"

CLCDManager::~CLCDManager() = default;

HRESULT CLCDManager::Initialize() {
    SetOrigin(0, 0);
    SetSize(kLcdWidth, kLcdHeight);
    HRESULT result = m_gfx.Initialize(GetWidth(), GetHeight());
    if (FAILED(result)) {
        Shutdown();
        return result;
    }
    return S_OK;
}

void CLCDManager::Shutdown() {
    m_gfx.Shutdown();
}

HRESULT CLCDManager::Draw() {
    if (!m_gfx.GetDrawingDC() || !m_gfx.GetBitmap())
        return E_FAIL;
    m_gfx.BeginFrame();
    m_gfx.ClearFrame();
    OnDraw(m_gfx);
    m_gfx.EndFrame();
    return S_OK;
}

// Unsigned arithmetic: a tick count that wrapped around still gives the right elapsed time.
void CLCDManager::Update(DWORD timestamp) {
    m_elapsed = timestamp - m_startTime;
    CLCDCollection::OnUpdate(timestamp);
}

void CLCDManager::OnSoftButtonDown(int) {}

void CLCDManager::OnSoftButtonUp(int) {}

BOOL CLCDManager::IsExpired() {
    return m_startTime == 0 || m_elapsed > m_expiration;
}
