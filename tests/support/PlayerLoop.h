// The player's message loop, as the Windows test hosts run it on the thread that owns the
// player window: the plug-in's display thread waits on this thread's answers.
#pragma once

#include <windows.h>

namespace playerloop {

// A message-only window of a class of its own, answering with proc: the player's main window as
// a test host plays it (Wine has no display for a top-level window).
inline HWND MakePlayerWindow(WNDPROC proc, const char* className,
                             const char* caption = "1. Artist - Song - Winamp") {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    return CreateWindowExA(0, className, caption, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                           nullptr);
}

// The same as a Unicode window, as the player's main window is: its caption keeps every
// character.
inline HWND MakeUnicodePlayerWindow(WNDPROC proc, const wchar_t* className,
                                    const wchar_t* caption) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = proc;
    wc.lpszClassName = className;
    RegisterClassW(&wc);
    return CreateWindowExW(0, className, caption, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                           nullptr);
}

// Handles what has come in, after waiting up to wait ms for something to come.
inline void PumpOnce(DWORD wait) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

// Handles everything for ms milliseconds.
inline void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms)
        PumpOnce(10);
}

// Handles everything until done() holds; false if it still does not after limit ms. The
// 32-bit build runs under an emulator, where the display thread takes far longer to get going.
template <typename Done>
bool PumpUntil(Done done, DWORD limit = 10000) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= limit)
            return false;
        Pump(10);
    }
    return true;
}

}  // namespace playerloop
