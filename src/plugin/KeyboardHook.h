// The system-wide low-level keyboard hook, installed by init on the player's thread.
#pragma once

#include <windows.h>

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM message, LPARAM event);
