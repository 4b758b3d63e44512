// What hostwin/control sets and reads on the stand-in's side. Guarded by the scheduler's lock.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace hostwin {

struct MessageBoxRecord {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

struct Control {
    bool failNextHookInstall = false;
    bool failNextUnhook = false;
    bool screenSaverRunning = false;
    std::vector<MessageBoxRecord> messageBoxes;
};

Control& ControlState();

// Runs the keyboard hook chain for one key event; returns the chain's result (non-zero:
// the key was swallowed).
LRESULT DeliverKeyToHooks(DWORD vk, bool down, DWORD extraFlags);

}  // namespace hostwin
