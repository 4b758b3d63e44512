#include "player/Player.h"

#include "player/PlayerText.h"

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

// The player's text is read up to its terminator or kPlayerTextChars - 1 units, whichever
// comes first, so that a text without an end is never read past what a title may hold.
bool PlayerGetEntryTitle(int index, char* buffer, int size) {
    if (size > 0)
        buffer[0] = '\0';
    auto wide =
        reinterpret_cast<const WCHAR*>(Ask(kPlayerEntryTitleWide, static_cast<WPARAM>(index)));
    if (wide) {
        int length = 0;
        while (length < kPlayerTextChars - 1 && wide[length])
            ++length;
        WideToUtf8(wide, length, buffer, size);
        return true;
    }
    // A player from before Unicode titles answers 0 to the wide request.
    auto ansi = reinterpret_cast<const char*>(Ask(kPlayerEntryTitle, static_cast<WPARAM>(index)));
    if (!ansi)
        return false;
    int length = 0;
    while (length < kPlayerTextChars - 1 && ansi[length])
        ++length;
    AnsiToUtf8(ansi, length, buffer, size);
    return true;
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
    WCHAR wide[kPlayerTextChars];
    int length = GetWindowTextW(g_playerWindow, wide, kPlayerTextChars);
    if (length <= 0)
        return 0;
    return WideToUtf8(wide, length, buffer, size);
}

VisDataFunction g_visDataFunction = nullptr;
VisRequestFunction g_visRequestFunction = nullptr;

void FetchVisualDataFunctions() {
    g_visDataFunction = PlayerGetVisDataFunction();
    g_visRequestFunction = PlayerGetVisRequestFunction();
}
