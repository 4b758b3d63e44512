// The now-playing screen, page 0: the player's title (scrolling when too wide), elapsed and
// total time, a position bar and the player's spectrum.
#pragma once

#include <windows.h>

#include <cstddef>

class CEzLcd;
class CLCDBase;

// Room for "%d:%02d" of any 32-bit minute count.
constexpr size_t kTimeTextSize = 32;

// The screen's items and texts, owned by the display thread.
struct NowPlayingScreen {
    CLCDBase* title = nullptr;
    CLCDBase* elapsed = nullptr;
    CLCDBase* total = nullptr;
    CLCDBase* bar = nullptr;
    CLCDBase* spectrum = nullptr;
    char elapsedText[kTimeTextSize] = {};
    char totalText[kTimeTextSize] = {};
};

// Cuts the player's caption down to the title in place: the " - Winamp" or
// " - Winamp [Paused]" suffix and a leading playlist number ("12. ") go.
void CleanTitle(char* title);

// "%d:%02d" of a track length in seconds; empty for 0 or less.
void FormatTrackLength(int lengthSeconds, char* text, size_t size);
// "%d:%02d" of a play position in milliseconds; empty for 0 or less.
void FormatPlayTime(int elapsedMs, char* text, size_t size);
// The bar's position: the percentage of the track played. 0 when the quotient is not a
// number (a track of length 0); the bar clamps the rest.
float TrackPositionPercent(int elapsedMs, int lengthSeconds);

// Adds the items to the current page, which must be page 0.
void BuildNowPlayingScreen(CEzLcd& lcd, NowPlayingScreen& screen, HWND player);
// Sets the title, the times and the bar from the player.
void RefreshNowPlayingScreen(CEzLcd& lcd, NowPlayingScreen& screen, const char* title);
