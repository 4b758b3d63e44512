// The desktop around the product: hooks and keys, message boxes, the screen saver.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace control {

// One key event as the system delivers it to the low-level keyboard hooks. Returns true when
// a hook swallowed it; a key that passes goes on to the key sink.
bool InjectKey(DWORD vk, bool down);
// The same while Alt is held: the hooks see WM_SYSKEYDOWN / WM_SYSKEYUP.
bool InjectKeyWithAlt(DWORD vk, bool down);
// Called for every key that the hooks passed on (what the rest of the system would see).
void SetPassedKeySink(std::function<void(DWORD vk, bool down)> sink);
size_t HookCount();
void FailNextHookInstall();
void FailNextUnhook();

struct MessageBoxShown {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};
std::vector<MessageBoxShown> MessageBoxes();
void ClearMessageBoxes();

void SetScreenSaverRunning(bool running);
bool ScreenSaverRunning();

}  // namespace control
