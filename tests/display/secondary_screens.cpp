// The volume, playlist and settings screens: their window rule, their refreshes and frames,
// and the playlist's following of the playing entry.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "display/ListWindow.h"
#include "display/PlaylistScreen.h"
#include "display/SettingsScreen.h"
#include "display/VolumeScreen.h"
#include "lcd/EzLcd.h"
#include "lcd/LCDText.h"
#include "player/Player.h"
#include "settings/Settings.h"
#include "support/KeyHarness.h"

namespace {

std::string Show(ListWindow w) {
    return "top " + std::to_string(w.top) + ", row " + std::to_string(w.row);
}

ListWindow Steps(ListWindow w, bool towardsNext, int count, int times) {
    for (int i = 0; i < times; ++i)
        w = StepListWindow(w, towardsNext, count);
    return w;
}

TEST(ListWindowRule, TheHighlightScrollsTheWindowOnlyAtItsEdges) {
    ListWindow w = Steps({0, 1}, true, 10, 3);
    EXPECT_EQ(Show(w), "top 0, row 4");
    w = StepListWindow(w, true, 10);
    EXPECT_EQ(Show(w), "top 1, row 4");
    EXPECT_EQ(Show(Steps(w, true, 10, 20)), "top 6, row 4") << "stops at the last entry";
    EXPECT_EQ(Show(Steps(w, false, 10, 3)), "top 1, row 1");
    EXPECT_EQ(Show(Steps(w, false, 10, 5)), "top 0, row 1") << "stops at the first entry";
}

TEST(ListWindowRule, ShortAndEmptyListsKeepTheHighlightOnAnEntry) {
    EXPECT_EQ(Show(Steps({0, 1}, true, 2, 5)), "top 0, row 2");
    EXPECT_EQ(Show(Steps({0, 1}, true, 3, 5)), "top 0, row 3");
    EXPECT_EQ(Show(StepListWindow({0, 1}, false, 0)), "top 0, row 1");
    EXPECT_EQ(Show(StepListWindow({0, 1}, true, 0)), "top 0, row 1");
    EXPECT_EQ(Show(StepListWindow({2, 3}, true, 0)), "top 0, row 1");
}

TEST(VolumeScreenLevels, PercentagesOfThePlayerAndTheMixerVolumes) {
    EXPECT_EQ(PlayerVolumePercent(255), 100);
    EXPECT_EQ(PlayerVolumePercent(128), 50);
    EXPECT_EQ(PlayerVolumePercent(2), 0);
    EXPECT_EQ(MixerVolumePercent(65535), 100);
    EXPECT_EQ(MixerVolumePercent(654), 0);
    EXPECT_EQ(MixerVolumePercent(655), 1);
}

TEST(SettingsList, LabelsAndStatesOutsideTheListAreEmptyAndX) {
    EXPECT_STREQ(GetSettingLabel(11), "");
    EXPECT_STREQ(GetSettingLabel(-1), "");
    EXPECT_STREQ(GetSettingState(11), "x");
    EXPECT_STREQ(GetSettingState(-1), "x");
    int saved = g_settings[kSettingLeaveSettings];
    g_settings[kSettingLeaveSettings] = -1;
    EXPECT_STREQ(GetSettingState(kSettingLeaveSettings), "On") << "any non-zero value is on";
    g_settings[kSettingLeaveSettings] = saved;
}

// A player window on the test's own thread that answers the playlist position and length.
class FollowStep : public ::testing::Test {
protected:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_USER && lp == kPlayerPlaylistPosition)
            return position;
        if (msg == WM_USER && lp == kPlayerPlaylistLength)
            return count;
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
    void SetUp() override {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = "follow step player";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 nullptr, nullptr);
        saved = GetPlayerWindow();
        SetPlayerWindow(window);
    }
    void TearDown() override {
        SetPlayerWindow(saved);
        DestroyWindow(window);
    }
    std::string Follow(int playing, int entries, ListWindow from) {
        position = playing;
        count = entries;
        g_screenState.playlistTop = from.top;
        g_screenState.playlistRow = from.row;
        FollowPlayingEntry();
        return Show({g_screenState.playlistTop.load(), g_screenState.playlistRow.load()});
    }
    static inline int position = 0;
    static inline int count = 0;
    HWND window = nullptr;
    HWND saved = nullptr;
};

TEST_F(FollowStep, TheHighlightWalksOntoThePlayingEntryInTheNearestRow) {
    EXPECT_EQ(Follow(6, 10, {0, 1}), "top 3, row 4");
    EXPECT_EQ(Follow(2, 10, {3, 4}), "top 2, row 1");
    EXPECT_EQ(Follow(4, 10, {2, 1}), "top 2, row 3") << "no scrolling within the window";
    EXPECT_EQ(Follow(0, 3, {40, 2}), "top 0, row 1") << "a window left by a longer playlist";
}

// Whatever the player answers, the step ends; a position outside the playlist leaves the
// window as it was.
TEST_F(FollowStep, APositionOutsideThePlaylistLeavesTheWindowAlone) {
    EXPECT_EQ(Follow(5, 5, {1, 3}), "top 1, row 3");
    EXPECT_EQ(Follow(-1, 5, {1, 3}), "top 1, row 3");
    EXPECT_EQ(Follow(0, 0, {0, 2}), "top 0, row 2");
}

class Screens : public KeyHarness {
protected:
    void ExpectFrame(const char* name) {
        frameart::Art frame = LastFrame();
        // Prints the frame, for a new reference after a deliberate change of the screen.
        if (std::getenv("VELM_DUMP_FRAME"))
            std::fputs(frameart::Show(frame).c_str(), stderr);
        frameart::Art reference = frameart::Read(std::string(VELM_TEST_DATA "/") + name);
        ASSERT_EQ(reference.size(), 43u) << "reference frame " << name << " missing";
        EXPECT_TRUE(frameart::Same(reference, frame)) << name;
    }
};

// The volume screen's top 21 rows as they look with that title, drawn alone: a text made the
// way the volume screen makes its title.
frameart::Art VolumeTitleRows(const char* title) {
    CEzLcd probe;
    CEzLcdPage* page = probe.GetCurrentPage();
    CLCDBase* item = probe.CreateTextItem(page, kTextStatic, 2, kAlignCenter, 160, -3);
    static_cast<CLCDText*>(item)->SetTypeface("Arial");
    item->SetOrigin(0, 5);
    probe.SetText(item, title);
    page->Draw();
    CLCDGfx& gfx = page->GetGfx();
    frameart::Art art = frameart::FromPixels(gfx.GetPixels(), 160, 43, 160);
    art.resize(21);
    return art;
}

TEST_F(Screens, TheVolumeScreensTitleFollowsSoftButtonThree) {
    Start();
    for (const char* title : {"Winamp Volume", "Wave Volume", "Master Volume", "Winamp Volume"}) {
        Tap(3);
        frameart::Art shown = LastFrame();
        shown.resize(21);
        EXPECT_TRUE(frameart::Same(VolumeTitleRows(title), shown)) << "expected " << title;
    }
}

// A playlist that became shorter under the screen: the rows past its end are emptied, not
// left with the titles they showed.
TEST_F(Screens, PlaylistOfTwoEntriesLeavesTheLastTwoRowsEmpty) {
    WriteSettings("LeavePlaylist=0");
    Start();
    Tap(2);
    frameart::Art five = LastFrame();
    auto lit = [](const frameart::Art& art, int from, int to) {
        int count = 0;
        for (int y = from; y < to; ++y)
            for (char c : art[y])
                count += c == '#';
        return count;
    };
    ASSERT_GT(lit(five, 27, 43), 0) << "rows 3 and 4 show entries of the five";
    player->SetPlaylist({{"First Entry", 100}, {"Second Entry", 100}});
    Run(100);
    frameart::Art two = LastFrame();
    EXPECT_EQ(lit(two, 27, 43), 0) << "rows 3 and 4 (pixel rows 27 to 42):\n"
                                   << frameart::Show(two);
    EXPECT_GT(lit(two, 9, 18), 0) << "row 1 shows the first entry";
    EXPECT_GT(lit(two, 18, 27), 0) << "row 2 shows the second entry";
}

// "Settings" and the state header inverted across the top; the first four items with their
// states, the first of them highlighted.
TEST_F(Screens, SettingsScreenOpensAtItsFirstItem) {
    Start();
    Tap(4);
    ExpectFrame("settings_screen.txt");
}

// The window scrolled by one entry, its fourth row inverted over its band, under the inverted
// title row.
TEST_F(Screens, PlaylistScreenShowsFourEntriesWithTheHighlightedOneInverted) {
    WriteSettings("LeavePlaylist=0");
    Start();
    Tap(2);
    PressTimes(VK_VOLUME_UP, 5);  // the last of five entries
    Run(50);
    ExpectFrame("playlist_screen.txt");
}

TEST_F(Screens, TheWindowFollowsATrackChangeOnWhicheverScreenIsShown) {
    std::vector<testbed::Entry> ten;
    for (int i = 0; i < 10; ++i)
        ten.push_back({"Entry " + std::to_string(i), 100});
    player->SetPlaylist(ten);
    Start();
    Tap(4);
    player->PlayEntry(6);
    Run(100);
    EXPECT_EQ(Show({g_screenState.playlistTop.load(), g_screenState.playlistRow.load()}),
              "top 3, row 4");
    Tap(2);
    EXPECT_EQ(Show({g_screenState.playlistTop.load(), g_screenState.playlistRow.load()}),
              "top 3, row 4")
        << "opening the screen keeps the window";
}

// With both Ctrl keys held and item 10 highlighted, letting one go pulls the window back onto
// the shorter list's last item.
TEST_F(Screens, HiddenItemsLeavingTheListPullTheWindowBack) {
    Start();
    Tap(4);
    Ctrl(VK_LCONTROL, true);
    Ctrl(VK_RCONTROL, true);
    PressTimes(VK_VOLUME_UP, 10);
    ASSERT_EQ(Show({g_screenState.settingsTop.load(), g_screenState.settingsRow.load()}),
              "top 7, row 4");
    Ctrl(VK_RCONTROL, false);
    Run(50);
    EXPECT_EQ(Show({g_screenState.settingsTop.load(), g_screenState.settingsRow.load()}),
              "top 5, row 4");
    Ctrl(VK_LCONTROL, false);
}

// The pull-back is for a window past the list's end only: at the bottom of the list the
// highlight still moves up.
TEST_F(Screens, TheHighlightLeavesTheSettingsListsLastItemUpwards) {
    Start();
    Tap(4);
    PressTimes(VK_VOLUME_UP, 8);
    ASSERT_EQ(Show({g_screenState.settingsTop.load(), g_screenState.settingsRow.load()}),
              "top 5, row 4");
    Press(VK_VOLUME_DOWN);
    Run(100);
    EXPECT_EQ(Show({g_screenState.settingsTop.load(), g_screenState.settingsRow.load()}),
              "top 5, row 3");
}

// A playlist one entry shorter under a highlight on its last entry (the player still playing
// the entry that left): the highlight comes onto the new last entry, and the next key asks the
// player for no position past the end.
TEST_F(Screens, APlaylistShorterByOneUnderItsLastEntryKeepsTheHighlightOnAnEntry) {
    WriteSettings("LeavePlaylist=0");
    Start();
    Tap(2);
    PressTimes(VK_VOLUME_UP, 5);
    ASSERT_EQ(PlayerGetPlaylistPosition(), 4) << "the last of five entries";
    player->SetAnswerOverride([](UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
        if (msg != WM_USER || lp != 124)
            return false;
        result = 4;
        return true;
    });
    Run(100);
    frameart::Art shown = LastFrame();
    EXPECT_GT(std::count(shown[40].begin(), shown[40].end(), '#'), 80)
        << "row 4, the new last entry, is highlighted (inverted):\n"
        << frameart::Show(shown);
    Press(VK_VOLUME_UP);
    EXPECT_EQ(player->PositionsOutsideList(), 0);
    EXPECT_EQ(player->ListPosition(), 3);
}

// Each key the screen uses counts from anew: the screen closes three seconds after the last.
TEST_F(Screens, AKeyOnASecondaryScreenPutsItsTimeOutOff) {
    Start();
    Tap(2);
    Run(2000);
    Press(VK_VOLUME_UP);
    Run(2500);
    EXPECT_EQ(Screen(), kPlaylistScreen) << "4.5 s open, but only 2.5 s since the key";
    Run(600);
    EXPECT_EQ(Screen(), kNowPlayingScreen);
}

TEST_F(Screens, SwitchingOnTheSettingsScreensAutoLeaveClosesItThreeSecondsLater) {
    Start();
    Tap(4);
    PressTimes(VK_VOLUME_UP, 3);
    Press(VK_MEDIA_PLAY_PAUSE);
    EXPECT_EQ(GetSetting(kSettingLeaveSettings), 1);
    Run(2950);
    EXPECT_EQ(Screen(), kSettingsScreen);
    Run(100);
    EXPECT_EQ(Screen(), kNowPlayingScreen);
}

}  // namespace
