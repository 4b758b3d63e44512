// The stand-in player answers every exchange the plug-in relies on.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "hostwin/control/clock.h"
#include "player/PlayerMessages.h"
#include "testbed/Music.h"
#include "testbed/SimulatedPlayer.h"

namespace {

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        control::UseManualClock(100000);
        player = std::make_unique<testbed::SimulatedPlayer>(std::vector<testbed::Entry>{
            {"First - One", 185}, {"Second - Two", 2}, {"Third - Three", 3600}});
    }
    void TearDown() override {
        player.reset();
        EXPECT_EQ(control::LiveThreadCount(), 0);
        control::UseRealClock();
    }
    LRESULT Ask(LPARAM function, WPARAM arg) {
        return SendMessageA(player->Window(), WM_USER, arg, function);
    }
    std::string Caption() {
        char text[512];
        GetWindowTextA(player->Window(), text, sizeof text);
        return text;
    }
    std::unique_ptr<testbed::SimulatedPlayer> player;
};

TEST_F(PlayerTest, CaptionCarriesNumberTitleAndPausedMarker) {
    EXPECT_EQ(Caption(), "1. First - One - Winamp");
    player->SetPaused(true);
    EXPECT_EQ(Caption(), "1. First - One - Winamp [Paused]");
    player->SetPaused(false);
    player->PlayEntry(2);
    EXPECT_EQ(Caption(), "3. Third - Three - Winamp");
}

TEST_F(PlayerTest, PlayTimeFollowsTheClockAndStopsWhilePaused) {
    control::AdvanceClock(1500);
    EXPECT_EQ(Ask(kPlayerPlayTime, 0), 1500);
    EXPECT_EQ(Ask(kPlayerPlayTime, 1), 185);
    player->SetPaused(true);
    control::AdvanceClock(1000);
    EXPECT_EQ(Ask(kPlayerPlayTime, 0), 1500);
    player->Stop();
    EXPECT_LE(Ask(kPlayerPlayTime, 0), 0) << "a stopped player has no position";
}

TEST_F(PlayerTest, TrackThatEndsGivesWayToTheNextAndTheListPositionFollows) {
    player->PlayEntry(1);
    control::AdvanceClock(2500);
    EXPECT_EQ(Caption(), "3. Third - Three - Winamp");
    EXPECT_EQ(Ask(kPlayerPlaylistPosition, 0), 2);
    EXPECT_EQ(Ask(kPlayerPlayTime, 0), 500);
}

TEST_F(PlayerTest, VolumeIsAskedWithMinus666AndSetWithinRange) {
    EXPECT_EQ(Ask(kPlayerVolume, static_cast<WPARAM>(kPlayerQueryVolume)), 200);
    Ask(kPlayerVolume, 255);
    EXPECT_EQ(player->Volume(), 255);
    Ask(kPlayerVolume, 0);
    EXPECT_EQ(Ask(kPlayerVolume, static_cast<WPARAM>(kPlayerQueryVolume)), 0);
}

TEST_F(PlayerTest, PlaylistPositionTitlesAndThePlayCommand) {
    EXPECT_EQ(Ask(kPlayerPlaylistLength, 0), 3);
    EXPECT_EQ(Ask(kPlayerPlaylistPosition, 0), 0);
    auto title = reinterpret_cast<const char*>(Ask(kPlayerEntryTitle, 1));
    ASSERT_NE(title, nullptr);
    EXPECT_STREQ(title, "Second - Two");
    EXPECT_EQ(Ask(kPlayerEntryTitle, 3), 0) << "no entry, no address";
    EXPECT_EQ(Ask(kPlayerEntryTitle, static_cast<WPARAM>(-1)), 0);
    auto wide = reinterpret_cast<const char16_t*>(Ask(kPlayerEntryTitleWide, 1));
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(std::u16string(wide), u"Second - Two");
    EXPECT_EQ(Ask(kPlayerEntryTitleWide, 3), 0);
    player->SetWideTitles(false);
    EXPECT_EQ(Ask(kPlayerEntryTitleWide, 1), 0) << "an old player";
    EXPECT_STREQ(reinterpret_cast<const char*>(Ask(kPlayerEntryTitle, 1)), "Second - Two");

    Ask(kPlayerSetPlaylistPosition, 2);
    EXPECT_EQ(Ask(kPlayerPlaylistPosition, 0), 2);
    EXPECT_EQ(Caption(), "1. First - One - Winamp") << "setting the position does not play";
    SendMessageA(player->Window(), WM_COMMAND, kPlayerPlayCommand, 0);
    EXPECT_EQ(Caption(), "3. Third - Three - Winamp");
    EXPECT_EQ(Ask(kPlayerPlayTime, 0), 0);

    // A wide title asked for again follows the entry's changes.
    player->SetWideTitles(true);
    player->PlayEntry(1);
    player->SetCurrentTitle("Second - Renamed");
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(Ask(kPlayerEntryTitleWide, 1))),
              u"Second - Renamed");
    EXPECT_EQ(std::u16string(wide), u"Second - Two") << "an address handed out stays valid";
    player->SetPlaylist({{"Other - List", 10}, {"Other - Second", 10}});
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(Ask(kPlayerEntryTitleWide, 1))),
              u"Other - Second");
}

TEST_F(PlayerTest, VisualDataIsSilentUnlessPlaying) {
    auto data = reinterpret_cast<VisDataFunction>(Ask(kPlayerVisualData, 0));
    auto request = reinterpret_cast<VisRequestFunction>(Ask(kPlayerVisualData, 1));
    ASSERT_NE(data, nullptr);
    ASSERT_NE(request, nullptr);
    request(1);
    control::AdvanceClock(700);
    const char* bytes = data();
    int spectrum = 0, wave = 0;
    for (int i = 0; i < 75; ++i)
        spectrum += bytes[i] != 0;
    for (int i = 76; i < 150; ++i)
        wave += bytes[i] != 0;
    EXPECT_GT(spectrum, 40) << "a playing track has a spectrum";
    EXPECT_GT(wave, 40) << "and a wave";
    player->Stop();
    bytes = data();
    for (int i = 0; i < 150; ++i)
        ASSERT_EQ(bytes[i], 0) << "byte " << i << " while stopped";
}

// Whether the player got to work a moment out ahead, all of it, part of it or none, and whether
// the moment asked for is the one it expected, the plug-in must see the same music.
TEST(Music, WorkingAheadNeverChangesTheData) {
    testbed::Music ahead, whenAsked;
    const int budgets[] = {1000, 0, 3, 10, 1000, 7};
    testbed::Moment moment{0, true};
    for (int turn = 0; turn < 60; ++turn) {
        if (turn == 20)
            moment.elapsedMs = 5000;  // a seek
        if (turn == 40)
            moment.playing = false;
        if (turn == 44)
            moment.playing = true;
        char seen[testbed::kVisualDataSize], expected[testbed::kVisualDataSize];
        ahead.Fill(moment, seen);
        whenAsked.Fill(moment, expected);
        ASSERT_EQ(std::memcmp(seen, expected, sizeof seen), 0) << "at turn " << turn;
        int budget = budgets[turn % 6];
        ahead.WorkAhead([&] { return budget-- > 0; });
        moment.elapsedMs += turn % 9 == 8 ? 30 : 50;
    }
}

TEST_F(PlayerTest, ObserverSeesEveryMessageWithItsAnswer) {
    std::vector<testbed::PlayerMessage> seen;
    player->SetMessageObserver([&](const testbed::PlayerMessage& m) { seen.push_back(m); });
    Ask(kPlayerVolume, 77);
    Ask(kPlayerEntryTitle, 0);
    Caption();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].name, "set-volume");
    EXPECT_EQ(seen[0].wparam, 77);
    EXPECT_EQ(seen[0].lparam, 122);
    EXPECT_EQ(seen[1].name, "get-entry-title");
    EXPECT_EQ(seen[1].result, "First - One");
    EXPECT_FALSE(seen[1].resultIsNumber);
    EXPECT_EQ(seen[2].name, "get-caption");
    EXPECT_EQ(seen[2].result, "1. First - One - Winamp");
}

}  // namespace
