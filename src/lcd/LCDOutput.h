// The device output: itself a screen, it keeps the registered screens and the active one,
// holds the LCD service connection and device, and once per frame advances the active
// screen, reconnects when the keyboard or the service went away, pushes the active screen's
// pixels and turns changes of the soft-button bits into button events.
#pragma once

#include <list>

#include "lcd/LCDManager.h"
#include "lcdservice/LcdService.h"

constexpr int kNoHandle = -1;

class CLCDOutput : public CLCDManager {
public:
    CLCDOutput() = default;
    // Frees the screen list only; the device and connection are closed by Shutdown.
    ~CLCDOutput() override;
    HRESULT Initialize() override;
    // Closes the device, disconnects, and ends the service client with the last output.
    void Shutdown() override;
    HRESULT Draw() override;
    void Update(DWORD timestamp) override;
    void OnSoftButtonDown(int button) override;
    void OnSoftButtonUp(int button) override;
    virtual int UnpinScreen(int);
    virtual void CloseDevice(int);
    virtual void Disconnect(int);

    // Prepares the surfaces and starts the service client; the first Update connects.
    // context (may be null) replaces the default connect record.
    HRESULT Open(const LscConnectRecord* context);
    void RegisterScreen(CLCDManager* screen);
    void PinScreen(CLCDManager* screen);

    void OpenDevice();
    void ReactToServiceError(DWORD result);
    void PollSoftButtons();
    LscFrame* GetBitmapRecord();

    CLCDManager* GetActiveScreen() const { return m_activeScreen; }
    const std::list<CLCDManager*>& Screens() const { return m_screens; }
    int GetConnection() const { return m_connection; }
    int GetDevice() const { return m_device; }
    // 128 for ordinary frames; the owner raises it while an alert holds the LCD.
    void SetPriority(DWORD priority) { m_priority = priority; }
    DWORD GetPriority() const { return m_priority; }
    BOOL IsPinned() const { return m_pinned; }
    DWORD GetLastSoftButtons() const { return m_lastSoftButtons; }
    const LscConnectRecord& GetConnectContext() const { return m_connectContext; }

private:
    void ReleaseSoftButtons();

    CLCDManager* m_activeScreen = nullptr;
    std::list<CLCDManager*> m_screens;
    int m_connection = kNoHandle;
    int m_device = kNoHandle;
    DWORD m_priority = kLscPriorityNormal;
    BOOL m_pinned = FALSE;
    BOOL m_holdsClient = FALSE;  // this output's share of the connection count
    DWORD m_lastSoftButtons = 0;
    LscConnectRecord m_connectContext = {};
};
