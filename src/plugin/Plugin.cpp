#include "plugin/Plugin.h"

#include "display/DisplayThread.h"
#include "display/ScreenState.h"
#include "lightreport/KeyboardHid.h"
#include "lcd/LCDOutput.h"
#include "lcdservice/LcdService.h"
#include "player/FaultGuard.h"
#include "player/Player.h"
#include "plugin/KeyboardHook.h"
#include "settings/Settings.h"

namespace {

int PluginInit();
void PluginConfig() {}
void PluginQuit();

HANDLE g_displayThread = nullptr;
DWORD g_displayThreadId = 0;

// Answers messages sent to this (the player's) thread until the thread has ended: the display
// thread may be blocked in a message to the player's window, which this thread owns. Posted
// messages stay queued for the player's own loop.
void WaitAnsweringSentMessages(HANDLE thread) {
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE);
        if (woken != WAIT_OBJECT_0 + 1)
            return;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void InstallHook() {
    if (!g_plugin.playerWindow || g_hookBookkeeping.owner)
        return;
    g_hookBookkeeping.handle =
        SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardHookProc, g_plugin.moduleInstance, 0);
    if (g_hookBookkeeping.handle)
        g_hookBookkeeping.owner = g_plugin.playerWindow;
}

// A failed removal forgets the handle but keeps the owner, so that no later init in this
// process installs a second hook.
void RemoveHook() {
    if (!g_plugin.playerWindow || g_plugin.playerWindow != g_hookBookkeeping.owner)
        return;
    BOOL removed = UnhookWindowsHookEx(g_hookBookkeeping.handle);
    g_hookBookkeeping.handle = nullptr;
    if (removed)
        g_hookBookkeeping.owner = nullptr;
}

// After the display thread has ended: its output's device and connection, then the client,
// then what the thread owned. The output gives back its share of the client as it shuts down,
// so that a later init in this process starts the client again.
void ReleaseLcd() {
    if (CLCDOutput* output = g_displayOutput.load(std::memory_order_relaxed))
        output->Shutdown();
    LscCleanup();
    ReleaseDisplay();
    ReleaseFaultGuard();
}

int PluginInit() {
    SetPlayerWindow(g_plugin.playerWindow);
    g_stopRequest.store(0, std::memory_order_relaxed);
    g_keyboardFound.store(FindKeyboard(), std::memory_order_relaxed);
    if (g_keyboardFound.load(std::memory_order_relaxed))
        SaveLightState();
    LoadSettings(g_plugin.moduleInstance);
    // The hook compares the current screen with the page numbers: fixed before it can run,
    // it never acts on a screen that does not exist yet.
    g_screenState.FixPageNumbers();
    g_displayThread = CreateThread(nullptr, 0, DisplayThreadProc, nullptr, 0, &g_displayThreadId);
    InstallHook();
    return 0;
}

void PluginQuit() {
    if (!g_plugin.playerWindow)
        MessageBoxA(nullptr, "Window pointer is null", "Message", MB_OK);
    RemoveHook();
    g_stopRequest.store(1, std::memory_order_relaxed);
    if (g_displayThread) {
        WaitAnsweringSentMessages(g_displayThread);
        CloseHandle(g_displayThread);
        g_displayThread = nullptr;
    }
    ReleaseLcd();
    // The display thread has written its last light report.
    CloseKeyboard();
}

}  // namespace

PluginRecord g_plugin = {
    16,         "Velm's G15 Plugin v0.1 (gen_g15_velm.dll)",
    PluginInit, PluginConfig,
    PluginQuit, nullptr,
    nullptr,
};

// A section of its own, ".shared", as the DLL has always been laid out. Despite the name it is
// not marked shareable: a copy shared between processes would let a second player see the
// first one's hook as its own and install none. Each process has its own copy, zero at load.
__attribute__((section(".shared"))) HookBookkeeping g_hookBookkeeping = {nullptr, nullptr};

PluginRecord* winampGetGeneralPurposePlugin() {
    return &g_plugin;
}
