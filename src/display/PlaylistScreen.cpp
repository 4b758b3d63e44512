#include "display/PlaylistScreen.h"

#include "display/ListWindow.h"
#include "display/ScreenState.h"
#include "lcd/EzLcd.h"
#include "lcd/LCDText.h"
#include "player/Player.h"
#include "player/PlayerText.h"

namespace {

// The rows are 9 pixels apart under the title row.
constexpr int kRowPitch = 9;

void Invert(CEzLcd& lcd, CLCDBase* item, bool inverted) {
    if (CLCDBase* found = lcd.FindItem(lcd.GetCurrentPage(), item))
        found->Invert(inverted);
}

}  // namespace

void BuildPlaylistScreen(CEzLcd& lcd, PlaylistScreen& screen) {
    CEzLcdPage* page = lcd.GetCurrentPage();
    screen.title = lcd.CreateTextItem(page, kTextStatic, 2, kAlignCenter, 160, -2);
    for (CLCDBase*& row : screen.rows)
        row = lcd.CreateTextItem(page, kTextStatic, 2, kAlignLeft, 160, -2);
    CLCDBase* items[] = {screen.title, screen.rows[0], screen.rows[1], screen.rows[2],
                         screen.rows[3]};
    for (int i = 0; i < 5; ++i) {
        CLCDBase* item = lcd.FindItem(page, items[i]);
        if (!item || item->GetItemKind() != kItemKindStaticText)
            continue;
        static_cast<CLCDText*>(item)->SetTypeface("Tahoma");
        item->SetOrigin(0, i * kRowPitch);
        lcd.ApplySmallFont(page, item);
    }
    lcd.SetText(screen.title, "Songs in playlist");
}

// An entry beyond the playlist, or one whose title the player does not give, shows an empty
// row.
void RefreshPlaylistScreen(CEzLcd& lcd, const PlaylistScreen& screen) {
    int count = PlayerGetPlaylistLength();
    // A list that became shorter under the window is shown with the highlight on its last
    // entry, where the next key or follow step starts from. The window itself is left to the
    // hook and the follow step: stored from here it could overwrite a key's step taken
    // meanwhile, and a list that is empty for a moment while the player reloads it would
    // lose the window for good.
    ListWindow window = KeepInList(g_screenState.LoadPlaylistWindow(), count);
    char title[kPlayerTextBytes];
    for (int k = 1; k <= kVisibleRows; ++k) {
        int entry = window.top + k - 1;
        title[0] = '\0';
        if (entry >= 0 && entry < count)
            PlayerGetEntryTitle(entry, title, sizeof title);
        lcd.SetText(screen.rows[k - 1], title);
    }
    for (int k = 1; k <= kVisibleRows; ++k)
        Invert(lcd, screen.rows[k - 1], k == window.row);
    Invert(lcd, screen.title, true);
}

void FollowPlayingEntry() {
    int playing = PlayerGetPlaylistPosition();
    int count = PlayerGetPlaylistLength();
    if (playing < 0 || playing >= count)
        return;
    ListWindow window = g_screenState.LoadPlaylistWindow();
    if (window.Highlighted() == playing)
        return;
    window = WalkListWindowTo(window, playing, count);
    g_screenState.StorePlaylistWindow(window);
}
