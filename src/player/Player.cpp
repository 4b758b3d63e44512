#include "player/Player.h"

namespace {

// Handed over by init before the display thread or the hook can ask anything.
HWND g_playerWindow = nullptr;

LRESULT Ask(PlayerFunction function, WPARAM argument) {
    return SendMessageA(g_playerWindow, WM_USER, argument, function);
}

}  // namespace

void SetPlayerWindow(HWND window) {
    g_playerWindow = window;
}

HWND GetPlayerWindow() {
    return g_playerWindow;
}

int PlayerGetElapsedMs() {
    return static_cast<int>(Ask(kPlayerPlayTime, 0));
}

int PlayerGetTrackLengthSeconds() {
    return static_cast<int>(Ask(kPlayerPlayTime, 1));
}

int PlayerGetVolume() {
    return static_cast<int>(Ask(kPlayerVolume, static_cast<WPARAM>(kPlayerQueryVolume)));
}

void PlayerSetVolume(int volume) {
    Ask(kPlayerVolume, static_cast<WPARAM>(volume));
}

int PlayerGetPlaylistLength() {
    return static_cast<int>(Ask(kPlayerPlaylistLength, 0));
}

int PlayerGetPlaylistPosition() {
    return static_cast<int>(Ask(kPlayerPlaylistPosition, 0));
}

void PlayerSetPlaylistPosition(int index) {
    Ask(kPlayerSetPlaylistPosition, static_cast<WPARAM>(index));
}

const char* PlayerGetEntryTitle(int index) {
    return reinterpret_cast<const char*>(Ask(kPlayerEntryTitle, static_cast<WPARAM>(index)));
}

VisDataFunction PlayerGetVisDataFunction() {
    return reinterpret_cast<VisDataFunction>(Ask(kPlayerVisualData, 0));
}

VisRequestFunction PlayerGetVisRequestFunction() {
    return reinterpret_cast<VisRequestFunction>(Ask(kPlayerVisualData, 1));
}

void PlayerSendPlayCommand() {
    SendMessageA(g_playerWindow, WM_COMMAND, kPlayerPlayCommand, 0);
}

int PlayerGetCaption(char* buffer, int size) {
    if (size > 0)
        buffer[0] = '\0';
    return GetWindowTextA(g_playerWindow, buffer, size);
}

VisDataFunction g_visDataFunction = nullptr;
VisRequestFunction g_visRequestFunction = nullptr;

void FetchVisualDataFunctions() {
    g_visDataFunction = PlayerGetVisDataFunction();
    g_visRequestFunction = PlayerGetVisRequestFunction();
}
