// Typed exchanges with the player through its main window. Each call blocks until the
// player's thread has answered.
#pragma once

#include <windows.h>

#include "plugin/PlayerMessages.h"

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
