// The display thread: the plug-in's renderer and clock, started by init and ended by quit.
#pragma once

#include <windows.h>

#include <atomic>

class CLCDOutput;

DWORD WINAPI DisplayThreadProc(LPVOID);

// Set by quit; the thread leaves its loop once it sees it.
extern std::atomic<int> g_stopRequest;
// The thread's LCD output, registered as soon as the thread has made it. Quit closes its
// device and connection once the thread has ended.
extern std::atomic<CLCDOutput*> g_displayOutput;

// The thread's work in its three parts, for whoever drives the display on a thread of its own
// choosing: start-up (the screens, the mixers, the kept M-key value), one pass of the loop
// without its Sleep, and the exit work.
void StartDisplay();
void RunDisplayPass();
void EndDisplay();

// After the thread has ended and its LCD connection is closed: withdraws the hook's objects,
// frees the facade with its pages and items and the mixers, and clears everything the thread
// made.
void ReleaseDisplay();
