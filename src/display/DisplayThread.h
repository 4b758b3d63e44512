// The display thread: the plug-in's renderer and clock, started by init and ended by quit.
#pragma once

#include <windows.h>

DWORD WINAPI DisplayThreadProc(LPVOID);

// The thread's work in its three parts, for whoever drives the display on a thread of its own
// choosing: start-up (the screens, the mixers, the kept M-key value), one pass of the loop
// without its Sleep, and the exit work.
void StartDisplay();
void RunDisplayPass();
void EndDisplay();

// After the thread has ended and its LCD connection is closed: frees the facade with its pages
// and items, and the mixers.
void ReleaseDisplay();
