// The player's window-message interface: message numbers, function numbers and the
// visual-data function types. Both sides of the exchange use these.
#pragma once

#include <windows.h>

// WM_USER with lParam = function number and wParam = argument.
enum PlayerFunction : LPARAM {
    kPlayerPlayTime = 105,  // wParam 0: elapsed ms; 1: track length in s
    kPlayerSetPlaylistPosition = 121,
    kPlayerVolume = 122,  // wParam kPlayerQueryVolume asks; 0..255 sets
    kPlayerPlaylistLength = 124,
    kPlayerPlaylistPosition = 125,
    kPlayerEntryTitle = 212,      // wParam = entry index; answers its ANSI title's address
    kPlayerEntryTitleWide = 213,  // the same for its UTF-16 title; 0 from an old player
    kPlayerVisualData = 800,      // wParam 0: data function; 1: request function
};

constexpr int kPlayerQueryVolume = -666;
// WM_COMMAND wParam of the player's "play" command.
constexpr WPARAM kPlayerPlayCommand = 40045;

// Both called directly on the caller's thread with the C calling convention.
typedef char*(__cdecl* VisDataFunction)(void);
typedef void(__cdecl* VisRequestFunction)(int);
