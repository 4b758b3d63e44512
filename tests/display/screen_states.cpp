// The display thread's screens as a state machine: soft buttons, time-outs and alerts, as the
// LCD service and the player see them.
#include "support/DisplayHarness.h"

namespace {

using ScreenStates = DisplayHarness;

// By default the playlist screen closes once more than three seconds pass without a key: the
// pass exactly 3000 ms after the soft button still keeps it.
TEST_F(ScreenStates, PlaylistScreenClosesItselfAfterMoreThanThreeSecondsByDefault) {
    Start();
    Tap(2);
    EXPECT_EQ(Screen(), kPlaylistScreen);
    DWORD key = g_screenState.lastKeyTime.load();
    Run(key + 3000 - GetTickCount());
    EXPECT_EQ(Screen(), kPlaylistScreen) << "not yet more than 3000 ms without a key";
    Run(50);
    EXPECT_EQ(Screen(), kNowPlayingScreen);
}

TEST_F(ScreenStates, PlaylistScreenStaysWithItsAutoLeaveOff) {
    WriteSettings("LeavePlaylist=0");
    Start();
    Tap(2);
    Run(5000);
    EXPECT_EQ(Screen(), kPlaylistScreen);
}

TEST_F(ScreenStates, SoftButtonThreeCyclesTheVolumeOnlyWhileTheVolumeScreenIsShown) {
    Start();
    int expected[] = {kVolumePlayer, kVolumeWave, kVolumeMaster, kVolumePlayer};
    for (int selection : expected) {
        Tap(3);
        EXPECT_EQ(Screen(), kVolumeScreen);
        EXPECT_EQ(g_screenState.selectedVolume.load(), selection);
    }
    Tap(1);
    Tap(3);
    EXPECT_EQ(g_screenState.selectedVolume.load(), kVolumePlayer)
        << "from another screen it is kept";
}

TEST_F(ScreenStates, SoftButtonFourAlwaysOpensTheSettingsAtTheFirstItem) {
    Start();
    g_screenState.settingsTop.store(4);
    g_screenState.settingsRow.store(3);
    Tap(4);
    EXPECT_EQ(Screen(), kSettingsScreen);
    EXPECT_EQ(g_screenState.settingsTop.load(), 0);
    EXPECT_EQ(g_screenState.settingsRow.load(), 1);
    Run(5000);
    EXPECT_EQ(Screen(), kSettingsScreen) << "the settings screen stays by default";
}

// The alert's expiry belongs to the song alert: without song alerts, and with the volume
// screen's time-out off, a volume alert keeps its priority even back on the main screen.
TEST_F(ScreenStates, WithoutSongAlertsAVolumeAlertKeepsItsPriority) {
    WriteSettings("AlertSongChange=0\nLeaveVolume=0");
    Start();
    mixer->SetVolume(testbed::SoundCardLine::Master, 30000);
    Run(100);
    ASSERT_EQ(Priority(), kPriorityAlert);
    Tap(1);
    Run(9000);
    EXPECT_EQ(Screen(), kNowPlayingScreen);
    EXPECT_EQ(Priority(), kPriorityAlert);
}

TEST_F(ScreenStates, MasterVolumeTurnedElsewhereBringsTheVolumeScreenAtAlertPriority) {
    Start();
    Run(8200);  // the start-up title alert is over
    ASSERT_EQ(Priority(), kPriorityNormal);
    mixer->SetVolume(testbed::SoundCardLine::Master, 30000);
    Run(100);
    EXPECT_EQ(Screen(), kVolumeScreen);
    EXPECT_EQ(g_screenState.selectedVolume.load(), kVolumeMaster);
    EXPECT_EQ(FramePriority(), 255u);
    Run(3100);
    EXPECT_EQ(Screen(), kNowPlayingScreen);
    EXPECT_EQ(FramePriority(), 128u);
}

TEST_F(ScreenStates, WaveAndPlayerVolumesSelectThemselves) {
    Start();
    mixer->SetVolume(testbed::SoundCardLine::Wave, 1234);
    Run(100);
    EXPECT_EQ(g_screenState.selectedVolume.load(), kVolumeWave);
    player->SetVolume(17);
    Run(100);
    EXPECT_EQ(g_screenState.selectedVolume.load(), kVolumePlayer);
    EXPECT_EQ(Screen(), kVolumeScreen);
}

TEST_F(ScreenStates, WithVolumeAlertsOffAVolumeChangeShowsNothing) {
    WriteSettings("AlertVolume=0");
    Start();
    mixer->SetVolume(testbed::SoundCardLine::Master, 40000);
    player->SetVolume(3);
    Run(500);
    EXPECT_EQ(Screen(), kNowPlayingScreen);
}

TEST_F(ScreenStates, TrackChangeHoldsTheLcdForALittleOverEightSeconds) {
    Start();
    Run(8200);
    ASSERT_EQ(FramePriority(), 128u);
    player->PlayEntry(2);
    Run(100);
    EXPECT_EQ(FramePriority(), 255u);
    Run(7900);
    EXPECT_EQ(FramePriority(), 255u);
    Run(200);
    EXPECT_EQ(FramePriority(), 128u);
}

TEST_F(ScreenStates, PausingIsNoTrackChange) {
    Start();
    Run(8200);
    player->SetPaused(true);
    Run(500);
    EXPECT_EQ(Priority(), kPriorityNormal);
    EXPECT_EQ(FramePriority(), 128u) << "paused";
    player->SetPaused(false);
    Run(500);
    EXPECT_EQ(Priority(), kPriorityNormal);
    EXPECT_EQ(FramePriority(), 128u) << "playing again";
}

TEST_F(ScreenStates, SoftButtonOneReturnsAtOnceAndKeepsThePriority) {
    Start();
    mixer->SetVolume(testbed::SoundCardLine::Master, 30000);
    Run(100);
    ASSERT_EQ(Priority(), kPriorityAlert);
    ASSERT_EQ(FramePriority(), 255u);
    Tap(1);
    EXPECT_EQ(Screen(), kNowPlayingScreen);
    EXPECT_EQ(Priority(), kPriorityAlert);
    EXPECT_EQ(FramePriority(), 255u) << "the frames after the return";
}

// The alert expiry belongs to the now-playing screen: on any other screen a song alert holds
// the LCD for as long as that screen is shown, and the return lets it go at once.
TEST_F(ScreenStates, ASongAlertOnAnotherScreenHoldsUntilTheNowPlayingScreenIsBack) {
    Start();
    Run(8200);
    Tap(4);  // the settings screen stays by default
    player->PlayEntry(2);
    Run(100);
    EXPECT_EQ(FramePriority(), 255u);
    Run(9000);
    ASSERT_EQ(Screen(), kSettingsScreen);
    EXPECT_EQ(FramePriority(), 255u) << "9 s later, still on the settings screen";
    Tap(1);
    EXPECT_EQ(FramePriority(), 128u) << "back on the now-playing screen";
    EXPECT_EQ(Priority(), kPriorityNormal);
}

TEST_F(ScreenStates, WithSongAlertsOffATrackChangeKeepsTheNormalPriority) {
    WriteSettings("AlertSongChange=0");
    Start();
    EXPECT_EQ(FramePriority(), 128u) << "the first title raised an alert";
    player->PlayEntry(3);
    Run(100);
    EXPECT_EQ(FramePriority(), 128u) << "the track change raised an alert";
    EXPECT_EQ(g_screenState.playlistTop.load() + g_screenState.playlistRow.load() - 1, 3)
        << "the playlist window still follows the playing entry";
}

// Pressing the button of the screen that is shown counts as a key: the time-out starts again.
TEST_F(ScreenStates, TheShownScreensOwnButtonRestartsItsTimeOut) {
    Start();
    for (int button : {2, 3}) {
        int screen = button == 2 ? kPlaylistScreen : kVolumeScreen;
        Tap(button);
        ASSERT_EQ(Screen(), screen);
        Run(2000);
        Tap(button);
        Run(2000);
        EXPECT_EQ(Screen(), screen)
            << "4 s after the first press of button " << button << ", 2 s after the second";
        Run(1100);
        EXPECT_EQ(Screen(), kNowPlayingScreen) << "3 s after the second press of " << button;
    }
}

TEST_F(ScreenStates, AButtonHeldAcrossPassesActsOnce) {
    WriteSettings("LeavePlaylist=0");
    Start();
    service->Hold(2);
    Run(150);
    EXPECT_EQ(Screen(), kPlaylistScreen);
    Tap(1);
    EXPECT_EQ(Screen(), kNowPlayingScreen);
    Run(500);
    EXPECT_EQ(Screen(), kNowPlayingScreen) << "the held button does not act again";
    service->Release(2);
    Run(100);
    Tap(2);
    EXPECT_EQ(Screen(), kPlaylistScreen) << "released and pressed anew, it acts";
}

TEST_F(ScreenStates, WithoutAMixerThereIsNoMixerAlert) {
    mixer = std::make_unique<testbed::SoundCard>(false);
    Start();
    Run(300);
    EXPECT_EQ(Screen(), kNowPlayingScreen);
    Tap(3);
    Tap(3);
    EXPECT_EQ(g_screenState.selectedVolume.load(), kVolumeWave)
        << "the buttons work without a mixer";
}

TEST_F(ScreenStates, WithoutTheLcdServiceThePassesGoOn) {
    service->SetRegistration(testbed::LcdRegistration::Missing);
    Start();
    player->SetVolume(9);
    Run(100);
    EXPECT_EQ(Screen(), kVolumeScreen) << "alerts still run";
    Run(3100);
    EXPECT_EQ(Screen(), kNowPlayingScreen);
    EXPECT_EQ(service->FrameCount(), 0u);
}

}  // namespace
