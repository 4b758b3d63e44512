// The display thread: the plug-in's renderer and clock, started by init and ended by quit.
#pragma once

#include <windows.h>

DWORD WINAPI DisplayThreadProc(LPVOID);
