#include "lcd/LCDOutput.h"

namespace {

constexpr int kSoftButtonBits[] = {kSoftButton1, kSoftButton2, kSoftButton3, kSoftButton4};
constexpr char kDefaultApplicationName[] = "My App";

}  // namespace

CLCDOutput::~CLCDOutput() = default;

HRESULT CLCDOutput::Initialize() {
    return Open(nullptr);
}

// Without its own surface the output still drives its screens; it only has no blank frame
// to push when the last screen has expired. It does not give up the client here: the
// connection count has not been taken yet, and releasing it would unbalance it.
HRESULT CLCDOutput::Open(const LscConnectRecord* context) {
    SetOrigin(0, 0);
    SetSize(kLcdWidth, kLcdHeight);
    m_gfx.Initialize(GetWidth(), GetHeight());
    for (CLCDManager* screen : m_screens)
        screen->Initialize();
    if (InterlockedIncrement(&g_lscConnectionCount) == 1 && LscStartup() != ERROR_SUCCESS) {
        InterlockedDecrement(&g_lscConnectionCount);
        return E_FAIL;
    }
    m_holdsClient = TRUE;
    m_connectContext.applicationName = kDefaultApplicationName;
    m_connectContext.option1 = 0;
    m_connectContext.option2 = 0;
    m_connectContext.connection = kNoHandle;
    if (context)
        m_connectContext = *context;
    return S_OK;
}

// Gives back the share of the client that Open took, once: a second Shutdown, or one after a
// failed Open, must not end the client under another output's feet.
void CLCDOutput::Shutdown() {
    CloseDevice(0);
    Disconnect(0);
    if (!m_holdsClient)
        return;
    m_holdsClient = FALSE;
    if (InterlockedDecrement(&g_lscConnectionCount) == 0)
        LscCleanup();
}

void CLCDOutput::RegisterScreen(CLCDManager* screen) {
    m_screens.push_back(screen);
}

void CLCDOutput::PinScreen(CLCDManager* screen) {
    if (UnpinScreen(0) != 0)
        return;
    m_activeScreen = screen;
    m_pinned = TRUE;
}

int CLCDOutput::UnpinScreen(int) {
    m_pinned = FALSE;
    m_activeScreen = nullptr;
    return 0;
}

void CLCDOutput::CloseDevice(int) {
    if (m_device == kNoHandle)
        return;
    LscCloseDevice(m_device);
    m_device = kNoHandle;
}

void CLCDOutput::Disconnect(int) {
    if (m_connection == kNoHandle)
        return;
    LscDisconnect(m_connection);
    m_connection = kNoHandle;
}

void CLCDOutput::Update(DWORD timestamp) {
    if (m_activeScreen)
        m_activeScreen->Update(timestamp);
    if (m_activeScreen && m_activeScreen->IsExpired()) {
        m_activeScreen = nullptr;
        UnpinScreen(0);
        for (CLCDManager* screen : m_screens) {
            if (!screen->IsExpired()) {
                m_activeScreen = screen;
                break;
            }
        }
        // Nothing left to show: one blank frame at the lowest priority hands the LCD over.
        if (!m_activeScreen && m_device != kNoHandle) {
            if (LscFrame* blank = GetBitmapRecord())
                LscShowFrame(m_device, blank, 0);
        }
    }
    if (m_device == kNoHandle)
        OpenDevice();
}

HRESULT CLCDOutput::Draw() {
    DWORD priority = 0;
    if (m_activeScreen) {
        m_activeScreen->Draw();
        priority = m_priority;
    }
    LscFrame* record = GetBitmapRecord();
    if (record && m_device != kNoHandle && priority != 0) {
        ReactToServiceError(LscShowFrame(m_device, record, priority));
        // A keyboard that went away takes its pressed buttons with it; without the up events
        // a button held at that moment would read as still down, and its next press as none.
        if (m_device == kNoHandle)
            ReleaseSoftButtons();
        PollSoftButtons();
    }
    return S_OK;
}

void CLCDOutput::OnSoftButtonDown(int button) {
    if (m_activeScreen)
        m_activeScreen->OnSoftButtonDown(button);
}

void CLCDOutput::OnSoftButtonUp(int button) {
    if (m_activeScreen)
        m_activeScreen->OnSoftButtonUp(button);
}

// Reached with no device open. A failure leaves the state for the next Update to retry.
void CLCDOutput::OpenDevice() {
    if (m_connection == kNoHandle) {
        if (LscConnect(&m_connectContext) != ERROR_SUCCESS)
            return;
        m_connection = m_connectContext.connection;
        m_device = kNoHandle;
    }
    if (m_device != kNoHandle) {
        LscCloseDevice(m_device);
        m_device = kNoHandle;
    }
    LscDeviceRecord description = {};
    DWORD found = LscFindDevice(m_connection, 0, &description);
    if (found == ERROR_NO_MORE_ITEMS)
        return;  // no keyboard with an LCD yet
    if (found != ERROR_SUCCESS) {
        CloseDevice(0);
        Disconnect(0);
        return;
    }
    LscOpenRecord open = {};
    open.connection = m_connection;
    open.index = 0;
    if (LscOpenDevice(&open) != ERROR_SUCCESS)
        return;
    m_device = open.device;
    m_lastSoftButtons = 0;
}

// The keyboard going away keeps the connection; anything else drops it as well.
void CLCDOutput::ReactToServiceError(DWORD result) {
    if (result == ERROR_SUCCESS)
        return;
    CloseDevice(0);
    if (result != ERROR_DEVICE_NOT_CONNECTED)
        Disconnect(0);
}

void CLCDOutput::PollSoftButtons() {
    if (m_device == kNoHandle)
        return;
    DWORD buttons = 0;
    ReactToServiceError(LscReadButtons(m_device, &buttons));
    if (buttons == m_lastSoftButtons)
        return;
    for (int bit : kSoftButtonBits) {
        if ((m_lastSoftButtons & bit) && !(buttons & bit))
            OnSoftButtonUp(bit);
        if (!(m_lastSoftButtons & bit) && (buttons & bit))
            OnSoftButtonDown(bit);
    }
    m_lastSoftButtons = buttons;
}

void CLCDOutput::ReleaseSoftButtons() {
    for (int bit : kSoftButtonBits)
        if (m_lastSoftButtons & bit)
            OnSoftButtonUp(bit);
    m_lastSoftButtons = 0;
}

LscFrame* CLCDOutput::GetBitmapRecord() {
    return (m_activeScreen ? m_activeScreen->GetGfx() : m_gfx).CopyToRecord();
}
