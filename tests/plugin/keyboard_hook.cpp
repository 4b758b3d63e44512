// The keyboard hook as the system drives it: which keys it passes on, and what the media keys
// do on the volume, playlist and settings screens.
#include "plugin/KeyboardHook.h"
#include "support/KeyHarness.h"

namespace {

using KeyCommands = KeyHarness;
using testbed::MixerLine;

std::vector<testbed::Entry> Numbered(int count) {
    std::vector<testbed::Entry> entries;
    for (int i = 1; i <= count; ++i)
        entries.push_back({"Song " + std::to_string(i), 180});
    return entries;
}

int Highlighted(const std::atomic<int>& top, const std::atomic<int>& row) {
    return top.load() + row.load() - 1;
}

TEST_F(KeyCommands, OnTheNowPlayingScreenEveryKeyPassesAndThePlayerHearsNothing) {
    Start();
    ForgetMessages();
    for (DWORD vk :
         {DWORD(VK_VOLUME_UP), DWORD(VK_VOLUME_DOWN), DWORD(VK_MEDIA_PLAY_PAUSE), DWORD('A')})
        EXPECT_FALSE(Press(vk)) << "key " << vk << " was swallowed on the now-playing screen";
    Ctrl(VK_RCONTROL, true);
    Ctrl(VK_RCONTROL, false);
    EXPECT_EQ(systemKeys->Passed().size(), 10u) << "every down and up reaches the system";
    EXPECT_TRUE(Sent("set-volume").empty());
    EXPECT_TRUE(Sent("play").empty());
    EXPECT_TRUE(Sent("get-volume").empty()) << "a passed key costs the player no message";
}

// The wheel turned on the now-playing screen: the system steps the master volume, the volume
// screen comes up for it, and from then on the hook steps the master volume itself.
TEST_F(KeyCommands, WheelOnTheMainScreenChangesTheSystemVolumeThenTheHookTakesOver) {
    Start();
    Run(8200);  // the start-up title alert is over
    EXPECT_FALSE(Press(VK_VOLUME_UP));
    DWORD master = testbed::Mixer::kStartMaster + testbed::SystemKeys::kMasterStep;
    EXPECT_EQ(mixer->Volume(MixerLine::Master), master);
    Run(100);
    EXPECT_EQ(Screen(), kVolumeScreen);
    EXPECT_EQ(g_selectedVolume.load(), kVolumeMaster);
    EXPECT_EQ(FramePriority(), 255u);
    EXPECT_TRUE(Press(VK_VOLUME_UP));
    EXPECT_EQ(mixer->Volume(MixerLine::Master), master + 1285) << "the hook's step, not 1311";
    EXPECT_TRUE(Press(VK_VOLUME_DOWN));
    EXPECT_EQ(mixer->Volume(MixerLine::Master), master);
    Run(3100);
    EXPECT_EQ(Screen(), kNowPlayingScreen) << "3 s after the last key";
    EXPECT_EQ(FramePriority(), 128u);
}

TEST_F(KeyCommands, PlayerVolumeStepsByFiveWithinItsRangeAndTheBarFollows) {
    player->SetVolume(253);
    Start();
    Tap(3);
    ASSERT_EQ(Screen(), kVolumeScreen);
    EXPECT_TRUE(Press(VK_VOLUME_UP));
    EXPECT_TRUE(Press(VK_VOLUME_UP));
    EXPECT_EQ(Sent("set-volume"), (std::vector<long long>{255, 255})) << "clamped, sent again";
    EXPECT_EQ(player->Volume(), 255);
    Run(50);
    EXPECT_EQ(LastFrame()[23].substr(20, 120), std::string(120, '#')) << "the bar is full";
    player->SetVolume(3);
    EXPECT_TRUE(Press(VK_VOLUME_DOWN));
    EXPECT_EQ(player->Volume(), 0);
}

TEST_F(KeyCommands, MixerVolumesStepBy1285AndStopAtTheEnds) {
    Start();
    mixer->SetVolume(MixerLine::Master, 65000);
    Run(100);
    ASSERT_EQ(g_selectedVolume.load(), kVolumeMaster);
    EXPECT_TRUE(Press(VK_VOLUME_UP));
    EXPECT_EQ(mixer->Volume(MixerLine::Master), 65535u);
    Run(50);
    EXPECT_EQ(LastFrame()[23].substr(20, 120), std::string(120, '#')) << "the bar shows 100";
    Tap(3);
    Tap(3);
    ASSERT_EQ(g_selectedVolume.load(), kVolumeWave);
    mixer->SetVolume(MixerLine::Wave, 1000);
    EXPECT_TRUE(Press(VK_VOLUME_DOWN));
    EXPECT_EQ(mixer->Volume(MixerLine::Wave), 0u);
}

TEST_F(KeyCommands, PlayOnTheVolumeAndPlaylistScreensSendsThePlayCommandOnce) {
    Start();
    Tap(3);
    EXPECT_TRUE(Press(VK_MEDIA_PLAY_PAUSE));
    Tap(2);
    player->SetPaused(true);
    EXPECT_TRUE(Press(VK_MEDIA_PLAY_PAUSE));
    EXPECT_EQ(Sent("play"), (std::vector<long long>{40045, 40045})) << "play, never pause";
    for (const auto& key : systemKeys->Passed())
        EXPECT_FALSE(key.down) << "a swallowed key-down reached the system too";
    EXPECT_EQ(systemKeys->Passed().size(), 2u) << "both key-ups pass on";
}

// Ctrl keys are noted on every screen: one let go while the now-playing screen is shown is
// not taken as held when the settings come back.
TEST_F(KeyCommands, CtrlReleasedOnTheMainScreenIsNotTakenAsHeldLater) {
    Start();
    Tap(4);
    Ctrl(VK_LCONTROL, true);
    Ctrl(VK_RCONTROL, true);
    Tap(1);
    Ctrl(VK_LCONTROL, false);
    EXPECT_EQ(g_leftCtrlHeld.load(), 0);
    Tap(4);
    PressTimes(VK_VOLUME_UP, 12);
    EXPECT_EQ(Highlighted(g_settingsTop, g_settingsRow), 8) << "the hidden items showed";
}

TEST_F(KeyCommands, ShortPlaylistKeepsTheHighlightOnItsEntries) {
    player->SetPlaylist(Numbered(3));
    Start();
    Tap(2);
    PressTimes(VK_VOLUME_UP, 5);
    EXPECT_EQ(g_playlistRow.load(), 3);
    EXPECT_EQ(g_playlistTop.load(), 0);
    EXPECT_EQ(Sent("set-playlist-position"), (std::vector<long long>{1, 2, 2, 2, 2}));
}

// An empty playlist has no entry to make current: no position is sent (never -1), and the
// window stays at its start.
TEST_F(KeyCommands, EmptyPlaylistSendsNoPositionAndKeepsTheWindowAtItsStart) {
    player->SetPlaylist({});
    Start();
    Tap(2);
    EXPECT_TRUE(Press(VK_VOLUME_DOWN));
    Ctrl(VK_LCONTROL, true);
    EXPECT_TRUE(Press(VK_VOLUME_UP));
    EXPECT_EQ(g_playlistRow.load(), 1);
    EXPECT_EQ(g_playlistTop.load(), 0);
    EXPECT_TRUE(Sent("set-playlist-position").empty());
    Ctrl(VK_LCONTROL, false);
}

// After quit the current screen may still name the volume screen, but its objects are gone:
// the hook procedure, called as the system would, passes the key and touches nothing.
TEST_F(KeyCommands, WithoutTheDisplayThreadsObjectsTheHookActsOnNoScreen) {
    Start();
    Tap(3);
    Stop();
    ASSERT_EQ(Screen(), kVolumeScreen);
    ForgetMessages();
    KBDLLHOOKSTRUCT event = {};
    event.vkCode = VK_VOLUME_UP;
    EXPECT_EQ(KeyboardHookProc(HC_ACTION, WM_KEYDOWN, reinterpret_cast<LPARAM>(&event)), 0);
    EXPECT_EQ(StepVolume(1), 0);
    EXPECT_TRUE(Sent("get-volume").empty());
}

}  // namespace
