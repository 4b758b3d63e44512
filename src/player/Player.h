// Typed exchanges with the player through its main window. Each call blocks until the
// player's thread has answered.
#pragma once

#include <windows.h>

#include "player/PlayerMessages.h"

// The player's main window, which every exchange goes to; init hands it over from the
// plug-in record.
void SetPlayerWindow(HWND window);
HWND GetPlayerWindow();

int PlayerGetElapsedMs();
int PlayerGetTrackLengthSeconds();
int PlayerGetVolume();
void PlayerSetVolume(int volume);
int PlayerGetPlaylistLength();
int PlayerGetPlaylistPosition();
void PlayerSetPlaylistPosition(int index);
// The entry's title as UTF-8 into buffer (kPlayerTextBytes hold any); false, with an empty
// buffer, when the player gives no title for it.
bool PlayerGetEntryTitle(int index, char* buffer, int size);
VisDataFunction PlayerGetVisDataFunction();
VisRequestFunction PlayerGetVisRequestFunction();
void PlayerSendPlayCommand();
// The window caption as UTF-8, NUL-terminated (kPlayerTextBytes hold any); returns its length
// in bytes (0 when there is none).
int PlayerGetCaption(char* buffer, int size);

// The player's two visual-data functions, fetched once by the display thread at its start
// and called only on that thread.
extern VisDataFunction g_visDataFunction;
extern VisRequestFunction g_visRequestFunction;
// Asks for the data function (800 with 0), then the request function (800 with 1).
void FetchVisualDataFunctions();
