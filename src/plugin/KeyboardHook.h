// The system-wide low-level keyboard hook, installed by init on the player's thread. While the
// volume, playlist or settings screen is shown the media keys are that screen's controls.
#pragma once

#include <windows.h>

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM message, LPARAM event);

// The key commands; up is 1 for volume up (the next entry), 0 for volume down.
// Changes the selected volume by one step and moves the volume bar; 0 when nothing is selected.
int StepVolume(int up);
// Moves the playlist highlight (a twentieth of the list while a Ctrl key is held) and makes
// the highlighted entry the player's current one.
void StepPlaylist(int up);
// Moves the settings highlight.
void StepSettingsCursor(int up);
