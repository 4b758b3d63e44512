// The display thread: the plug-in's renderer and clock, started by init and ended by quit.
#pragma once

#include <windows.h>

DWORD WINAPI DisplayThreadProc(LPVOID);

// After the thread has ended and its LCD connection is closed: frees the facade with its pages
// and items, and the mixers.
void ReleaseDisplay();
