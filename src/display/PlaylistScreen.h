// The playlist screen, page 2: a four-row window onto the player's playlist under a title row,
// with one entry highlighted; and the step that keeps the window on the playing entry.
#pragma once

#include "display/ListWindow.h"

class CEzLcd;
class CLCDBase;

// The screen's items, owned by the display thread.
struct PlaylistScreen {
    CLCDBase* title = nullptr;
    CLCDBase* rows[kVisibleRows] = {};
};

// Adds the title row and the four entry rows to the current page, which must be the playlist
// page.
void BuildPlaylistScreen(CEzLcd& lcd, PlaylistScreen& screen);
// Fills the rows from the player's playlist and inverts the highlighted one.
void RefreshPlaylistScreen(CEzLcd& lcd, const PlaylistScreen& screen);
// Walks the highlight row by row onto the player's playing entry, scrolling the window as it
// goes. A position outside the playlist (an empty one, say) leaves the window as it was.
void FollowPlayingEntry();
