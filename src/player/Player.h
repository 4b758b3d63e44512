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
// The player's own text, valid until the playlist changes; null when the entry does not exist.
const char* PlayerGetEntryTitle(int index);
VisDataFunction PlayerGetVisDataFunction();
VisRequestFunction PlayerGetVisRequestFunction();
void PlayerSendPlayCommand();
// The window caption, NUL-terminated; returns its length (0 when there is none).
int PlayerGetCaption(char* buffer, int size);

// The player's two visual-data functions, fetched once by the display thread at its start
// and called only on that thread.
extern VisDataFunction g_visDataFunction;
extern VisRequestFunction g_visRequestFunction;
// Asks for the data function (800 with 0), then the request function (800 with 1).
void FetchVisualDataFunctions();
