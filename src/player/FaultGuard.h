// Calls into the player's own code with hardware faults caught, so that a fault in the
// player's visual-data functions ends one update instead of the player. Armed only on the
// calling thread and only for the length of the call.
#pragma once

#include "player/PlayerMessages.h"

// Runs body(context). Returns true if it returned, false if it faulted (bad memory access,
// illegal instruction, integer division by zero); its frames are then abandoned as they stood,
// so body must hold nothing that needs cleaning up.
bool RunFaultGuarded(void (*body)(void*), void* context);
// Takes the guard's handler away from the system again; the next guarded call puts it back.
// Quit calls it once the display thread, which makes the guarded calls, has ended, so that
// nothing of the plug-in stays registered when its DLL is unloaded.
void ReleaseFaultGuard();

// Asks the player to keep producing visual data (request with 1), fetches the data's address
// (data) and copies its first count bytes to out, all under the guard. False when either
// function is missing, faults or hands out no data, or the data cannot be read.
bool FetchVisualData(VisRequestFunction request, VisDataFunction data, char* out, int count);
