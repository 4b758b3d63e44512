// The keyboard hook as the system drives it: which keys it passes on, and what the media keys
// do on the volume, playlist and settings screens.
#include "hostwin/control/mixer_devices.h"
#include "lcd/LCDProgressBar.h"
#include "plugin/KeyboardHook.h"
#include "support/KeyHarness.h"

namespace {

using KeyCommands = KeyHarness;
using testbed::SoundCardLine;

std::vector<testbed::Entry> Numbered(int count) {
    std::vector<testbed::Entry> entries;
    for (int i = 1; i <= count; ++i)
        entries.push_back({"Song " + std::to_string(i), 180});
    return entries;
}

int Highlighted(const std::atomic<int>& top, const std::atomic<int>& row) {
    return top.load() + row.load() - 1;
}

// The position the volume bar holds now, as the hook left it; -1 without the screens.
float VolumeBarValue() {
    const DisplayObjects* objects = g_screenState.displayObjects.load();
    return objects ? static_cast<CLCDProgressBar*>(objects->volumeBar)->GetValue() : -1.0f;
}

// A sound card whose speakers line has no volume control: the master volume cannot be opened,
// while the wave volume can.
control::MixerDevice CardWithoutMasterVolume() {
    control::MixerDevice card;
    card.destinations = {
        {{"Speakers", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 2, false, 0},
         {{"SW Synth", MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER, 2, true, 45000},
          {"Wave", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 2, true, testbed::SoundCard::kStartWave}}}};
    return card;
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
    DWORD master = testbed::SoundCard::kStartMaster + testbed::SystemKeys::kMasterStep;
    EXPECT_EQ(mixer->Volume(SoundCardLine::Master), master);
    Run(100);
    EXPECT_EQ(Screen(), kVolumeScreen);
    EXPECT_EQ(g_screenState.selectedVolume.load(), kVolumeMaster);
    EXPECT_EQ(FramePriority(), 255u);
    EXPECT_TRUE(Press(VK_VOLUME_UP));
    EXPECT_EQ(mixer->Volume(SoundCardLine::Master), master + 1285) << "the hook's step, not 1311";
    EXPECT_TRUE(Press(VK_VOLUME_DOWN));
    EXPECT_EQ(mixer->Volume(SoundCardLine::Master), master);
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
    mixer->SetVolume(SoundCardLine::Master, 65000);
    Run(100);
    ASSERT_EQ(g_screenState.selectedVolume.load(), kVolumeMaster);
    EXPECT_TRUE(Press(VK_VOLUME_UP));
    EXPECT_EQ(mixer->Volume(SoundCardLine::Master), 65535u);
    Run(50);
    EXPECT_EQ(LastFrame()[23].substr(20, 120), std::string(120, '#')) << "the bar shows 100";
    Tap(3);
    Tap(3);
    ASSERT_EQ(g_screenState.selectedVolume.load(), kVolumeWave);
    mixer->SetVolume(SoundCardLine::Wave, 1000);
    EXPECT_TRUE(Press(VK_VOLUME_DOWN));
    EXPECT_EQ(mixer->Volume(SoundCardLine::Wave), 0u);
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
    EXPECT_EQ(g_screenState.leftCtrlHeld.load(), 0);
    Tap(4);
    PressTimes(VK_VOLUME_UP, 12);
    EXPECT_EQ(Highlighted(g_screenState.settingsTop, g_screenState.settingsRow), 8)
        << "the hidden items showed";
}

TEST_F(KeyCommands, ShortPlaylistKeepsTheHighlightOnItsEntries) {
    player->SetPlaylist(Numbered(3));
    Start();
    Tap(2);
    PressTimes(VK_VOLUME_UP, 5);
    EXPECT_EQ(g_screenState.playlistRow.load(), 3);
    EXPECT_EQ(g_screenState.playlistTop.load(), 0);
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
    EXPECT_EQ(g_screenState.playlistRow.load(), 1);
    EXPECT_EQ(g_screenState.playlistTop.load(), 0);
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

// Only hook code 0 carries a key to act on; any other is handed on untouched, even while a
// screen whose keys the hook takes over is shown.
TEST_F(KeyCommands, AHookCodeOtherThanZeroIsPassedOnOnASecondaryScreen) {
    Start();
    Tap(3);
    ASSERT_EQ(Screen(), kVolumeScreen);
    ForgetMessages();
    int volume = player->Volume();
    DWORD keyTime = g_screenState.lastKeyTime.load();
    for (int code : {-1, 1, 3}) {
        for (DWORD vk : {DWORD(VK_VOLUME_UP), DWORD(VK_MEDIA_PLAY_PAUSE), DWORD(VK_LCONTROL)}) {
            KBDLLHOOKSTRUCT event = {};
            event.vkCode = vk;
            EXPECT_EQ(KeyboardHookProc(code, WM_KEYDOWN, reinterpret_cast<LPARAM>(&event)), 0)
                << "key " << vk << " with hook code " << code << " was swallowed";
        }
    }
    EXPECT_EQ(player->Volume(), volume) << "the volume changed";
    EXPECT_TRUE(Sent("get-volume").empty()) << "the player was asked for its volume";
    EXPECT_TRUE(Sent("play").empty()) << "a play command was sent";
    EXPECT_EQ(g_screenState.leftCtrlHeld.load(), 0) << "the left Ctrl was noted as held";
    EXPECT_EQ(g_screenState.lastKeyTime.load(), keyTime) << "the key time was renewed";
}

// Keys pressed while Alt is held come as system-key messages: a Ctrl key then changes neither
// Ctrl flag, and a media key is not acted on.
TEST_F(KeyCommands, SystemKeyMessagesChangeNoCtrlFlagAndAreNotActedOn) {
    Start();
    Tap(4);
    ASSERT_EQ(Screen(), kSettingsScreen);
    Ctrl(VK_LCONTROL, true);
    EXPECT_FALSE(control::InjectKeyWithAlt(VK_LCONTROL, false));
    EXPECT_EQ(g_screenState.leftCtrlHeld.load(), 1) << "a system key-up let the left Ctrl go";
    EXPECT_FALSE(control::InjectKeyWithAlt(VK_RCONTROL, true));
    EXPECT_EQ(g_screenState.rightCtrlHeld.load(), 0)
        << "a system key-down took the right Ctrl as held";
    Ctrl(VK_RCONTROL, true);
    EXPECT_FALSE(control::InjectKeyWithAlt(VK_RCONTROL, false));
    EXPECT_EQ(g_screenState.rightCtrlHeld.load(), 1) << "a system key-up let the right Ctrl go";
    Ctrl(VK_LCONTROL, false);
    Ctrl(VK_RCONTROL, false);
    EXPECT_EQ(g_screenState.leftCtrlHeld.load() + g_screenState.rightCtrlHeld.load(), 0)
        << "the key-ups let both go";
    EXPECT_FALSE(control::InjectKeyWithAlt(VK_VOLUME_UP, true))
        << "a system key-down was swallowed";
    EXPECT_FALSE(control::InjectKeyWithAlt(VK_VOLUME_UP, false));
    EXPECT_EQ(g_screenState.settingsRow.load(), 1) << "the settings cursor moved";
}

TEST_F(KeyCommands, WithCtrlHeldAPlaylistStepIsATwentiethOfTheListAndAtLeastOne) {
    player->SetPlaylist(Numbered(100));
    Start();
    Tap(2);
    Ctrl(VK_LCONTROL, true);
    EXPECT_TRUE(Press(VK_VOLUME_UP));
    EXPECT_EQ(Highlighted(g_screenState.playlistTop, g_screenState.playlistRow), 5)
        << "left Ctrl, one press";
    Ctrl(VK_LCONTROL, false);
    Ctrl(VK_RCONTROL, true);
    EXPECT_TRUE(Press(VK_VOLUME_UP));
    EXPECT_EQ(Highlighted(g_screenState.playlistTop, g_screenState.playlistRow), 10)
        << "right Ctrl, one press";
    EXPECT_TRUE(Press(VK_VOLUME_DOWN));
    EXPECT_EQ(Highlighted(g_screenState.playlistTop, g_screenState.playlistRow), 5)
        << "right Ctrl, one press back";
    Ctrl(VK_RCONTROL, false);
    EXPECT_TRUE(Press(VK_VOLUME_UP));
    EXPECT_EQ(Highlighted(g_screenState.playlistTop, g_screenState.playlistRow), 6)
        << "no Ctrl: one entry";
    EXPECT_EQ(Sent("set-playlist-position"), (std::vector<long long>{5, 10, 5, 6}));

    // A twentieth is cut to whole entries, and never less than one.
    for (int count : {19, 39}) {
        player->SetPlaylist(Numbered(count));
        Run(100);  // the window follows the new playlist's first entry
        int before = Highlighted(g_screenState.playlistTop, g_screenState.playlistRow);
        Ctrl(VK_LCONTROL, true);
        EXPECT_TRUE(Press(VK_VOLUME_UP));
        Ctrl(VK_LCONTROL, false);
        EXPECT_EQ(Highlighted(g_screenState.playlistTop, g_screenState.playlistRow), before + 1)
            << count << " entries";
    }
}

// The bar shows the new volume as the hook computes it: the player's as an exact fraction,
// a mixer's in whole percent.
TEST_F(KeyCommands, TheHookSetsTheBarToThePercentageOfTheNewVolume) {
    player->SetVolume(123);
    Start();
    Tap(3);
    ASSERT_EQ(g_screenState.selectedVolume.load(), kVolumePlayer);
    EXPECT_TRUE(Press(VK_VOLUME_UP));
    ASSERT_EQ(player->Volume(), 128);
    EXPECT_NEAR(VolumeBarValue(), 50.196f, 0.001f) << "128 / 2.55, not cut to whole percent";
    Run(100);  // the display thread's alert for the player's new volume
    mixer->SetVolume(SoundCardLine::Wave, 15);
    Run(100);
    ASSERT_EQ(g_screenState.selectedVolume.load(), kVolumeWave);
    EXPECT_TRUE(Press(VK_VOLUME_UP));
    ASSERT_EQ(mixer->Volume(SoundCardLine::Wave), 1300u);
    EXPECT_EQ(VolumeBarValue(), 1.0f) << "1300 / 655 divided in whole numbers, not 1.98";
}

// Without a master volume the master step starts from 0 every time and writes nowhere.
TEST_F(KeyCommands, WithoutAMasterVolumeAMasterStepMovesOnlyTheBar) {
    control::SetMixerDevices({CardWithoutMasterVolume()});
    Start();
    Tap(3);
    Tap(3);
    Tap(3);
    ASSERT_EQ(g_screenState.selectedVolume.load(), kVolumeMaster);
    EXPECT_TRUE(Press(VK_VOLUME_UP));
    EXPECT_EQ(VolumeBarValue(), 1.0f) << "one step from 0: 1285 / 655";
    EXPECT_TRUE(Press(VK_VOLUME_UP));
    EXPECT_EQ(VolumeBarValue(), 1.0f) << "again from 0: the first step was kept nowhere";
    EXPECT_EQ(control::MixerCallCount(control::MixerCall::SetControlDetails), 0)
        << "a mixer was written";
    EXPECT_EQ(mixer->Volume(SoundCardLine::Wave), testbed::SoundCard::kStartWave);
}

TEST_F(KeyCommands, AVolumeStepWithNoVolumeSelectedChangesNothing) {
    Start();
    Tap(3);
    ForgetMessages();
    g_screenState.selectedVolume.store(3);
    EXPECT_EQ(StepVolume(1), 0);
    EXPECT_TRUE(Press(VK_VOLUME_DOWN)) << "the key still belongs to the volume screen";
    g_screenState.selectedVolume.store(kVolumePlayer);
    EXPECT_TRUE(Sent("get-volume").empty()) << "the player was asked for its volume";
    EXPECT_TRUE(Sent("set-volume").empty()) << "the player's volume was set";
    EXPECT_EQ(control::MixerCallCount(control::MixerCall::SetControlDetails), 0)
        << "a mixer was written";
}

}  // namespace
