#include "display/DisplayThread.h"

#include <cstring>

#include "display/Alerts.h"
#include "display/NowPlayingScreen.h"
#include "display/PlaylistScreen.h"
#include "display/ScreenState.h"
#include "display/SettingsScreen.h"
#include "display/VolumeScreen.h"
#include "lightreport/KeyboardHid.h"
#include "lcd/EzLcd.h"
#include "lights/LightEffects.h"
#include "mixer/NemboMixer.h"
#include "player/Player.h"
#include "settings/Settings.h"

std::atomic<int> g_stopRequest{0};
std::atomic<CLCDOutput*> g_displayOutput{nullptr};

namespace {

constexpr int kSoftButton1 = 1;
constexpr int kSoftButton2 = 2;
constexpr int kSoftButton3 = 4;
constexpr int kSoftButton4 = 8;

// Everything the thread makes, from its start until the display is released; then the record
// is cleared as a whole, so that no pointer into the freed facade outlives quit.
struct Display {
    CEzLcd* lcd = nullptr;
    CNemboMixer* master = nullptr;  // null when the master volume could not be opened
    CNemboMixer* wave = nullptr;    // kept even when not ready: it then reads 0
    NowPlayingScreen nowPlaying;
    VolumeScreen volume;
    PlaylistScreen playlist;
    SettingsScreen settings;
    DisplayObjects published = {};  // what the keyboard hook may use
    AlertState alerts;
    char title[kTitleSize] = {};
    BYTE keptMkeys = 0;
};
Display g_display;

CEzLcd& Lcd() {
    return *g_display.lcd;
}

int NewPage() {
    return Lcd().CreatePage() - 1;
}

void BuildScreens() {
    g_display.lcd = new CEzLcd;
    g_displayOutput.store(&Lcd().GetOutput(), std::memory_order_relaxed);
    BuildNowPlayingScreen(Lcd(), g_display.nowPlaying, GetPlayerWindow());
    // The secondary screens' pages; each is shown while it is built.
    g_screenState.volumePage.store(NewPage(), std::memory_order_relaxed);
    Lcd().SelectPage(g_screenState.volumePage.load(std::memory_order_relaxed));
    BuildVolumeScreen(Lcd(), g_display.volume);
    g_screenState.playlistPage.store(NewPage(), std::memory_order_relaxed);
    Lcd().SelectPage(g_screenState.playlistPage.load(std::memory_order_relaxed));
    BuildPlaylistScreen(Lcd(), g_display.playlist);
    g_screenState.settingsPage.store(NewPage(), std::memory_order_relaxed);
    Lcd().SelectPage(g_screenState.settingsPage.load(std::memory_order_relaxed));
    BuildSettingsScreen(Lcd(), g_display.settings);
    g_screenState.StorePlaylistWindow({0, 1});
}

void OpenMixers() {
    g_display.master = new CNemboMixer(GetPlayerWindow(), kMixerMasterComponent);
    if (!g_display.master->ready.load(std::memory_order_relaxed)) {
        delete g_display.master;
        g_display.master = nullptr;
    }
    g_display.wave = new CNemboMixer(GetPlayerWindow(), MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT);
    AlertState& alerts = g_display.alerts;
    alerts.lastWaveVolume = g_display.wave->GetValue();
    alerts.lastMasterVolume = g_display.master ? g_display.master->GetValue() : 0;
    alerts.lastPlayerVolume = PlayerGetVolume();
}

}  // namespace

void StartDisplay() {
    FetchVisualDataFunctions();
    BuildScreens();
    OpenMixers();
    Lcd().SelectPage(kNowPlayingScreen);
    // The M-key meter hands the LEDs back as they were when the thread started.
    g_display.keptMkeys = ReadLight(kLightMkeys);
    g_screenState.currentScreen.store(kNowPlayingScreen, std::memory_order_relaxed);
    // Only now may the hook act: the current screen left by an earlier run in this process
    // has just been put right.
    g_display.published = {g_display.lcd, g_display.volume.bar, g_display.wave, g_display.master};
    g_screenState.PublishDisplayObjects(&g_display.published);
}

namespace {

bool AutoLeaveOn(int screen) {
    if (screen == g_screenState.volumePage.load(std::memory_order_relaxed))
        return IsSettingOn(kSettingLeaveVolume);
    if (screen == g_screenState.playlistPage.load(std::memory_order_relaxed))
        return IsSettingOn(kSettingLeavePlaylist);
    if (screen == g_screenState.settingsPage.load(std::memory_order_relaxed))
        return IsSettingOn(kSettingLeaveSettings);
    return false;
}

void LeaveAfterPause() {
    int screen = g_screenState.currentScreen.load(std::memory_order_relaxed);
    if (!AutoLeaveOn(screen))
        return;
    // The key time first: a key noted after the clock was read would make the difference wrap
    // and close the screen at once.
    DWORD lastKey = g_screenState.lastKeyTime.load(std::memory_order_relaxed);
    if (GetTickCount() - lastKey <= kAutoLeaveMs)
        return;
    ShowScreen(Lcd(), kNowPlayingScreen);
    SetOutputPriority(Lcd(), kPriorityNormal);
    g_display.alerts.alertStart = 0;
}

// Soft button 3 on the volume screen moves on to the next volume: player, wave, master. The
// title follows at once, before the page is shown again.
void NextVolume() {
    int next = (g_screenState.selectedVolume.load(std::memory_order_relaxed) + 1) % 3;
    g_screenState.selectedVolume.store(next, std::memory_order_relaxed);
    SetVolumeTitle(Lcd(), g_display.volume, next);
}

// Soft buttons 1 and 2, then the time-out, then buttons 3 and 4: a later step in the same
// pass overrides an earlier one.
void ActOnSoftButtons() {
    CEzLcd& lcd = Lcd();
    if (lcd.IsButtonNewlyPressed(kSoftButton1))
        ShowScreen(lcd, kNowPlayingScreen);
    if (lcd.IsButtonNewlyPressed(kSoftButton2)) {
        ShowScreen(lcd, g_screenState.playlistPage.load(std::memory_order_relaxed));
        g_screenState.NoteKey();
    }
    LeaveAfterPause();
    if (lcd.IsButtonNewlyPressed(kSoftButton3)) {
        g_screenState.NoteKey();
        if (g_screenState.currentScreen.load(std::memory_order_relaxed) ==
            g_screenState.volumePage.load(std::memory_order_relaxed))
            NextVolume();
        ShowScreen(lcd, g_screenState.volumePage.load(std::memory_order_relaxed));
    }
    if (lcd.IsButtonNewlyPressed(kSoftButton4)) {
        g_screenState.StoreSettingsWindow({0, 1});
        ShowScreen(lcd, g_screenState.settingsPage.load(std::memory_order_relaxed));
        g_screenState.NoteKey();
    }
}

void ReadTitle() {
    g_display.title[0] = '\0';
    if (PlayerGetCaption(g_display.title, kTitleSize) > 0)
        CleanTitle(g_display.title);
}

void RefreshShownScreen() {
    int screen = g_screenState.currentScreen.load(std::memory_order_relaxed);
    if (screen == kNowPlayingScreen) {
        ExpireAlert(Lcd(), g_display.alerts);
        RefreshNowPlayingScreen(Lcd(), g_display.nowPlaying, g_display.title);
    } else if (screen == g_screenState.volumePage.load(std::memory_order_relaxed)) {
        RefreshVolumeScreen(Lcd(), g_display.volume, *g_display.wave, g_display.master);
    } else if (screen == g_screenState.playlistPage.load(std::memory_order_relaxed)) {
        RefreshPlaylistScreen(Lcd(), g_display.playlist);
    } else if (screen == g_screenState.settingsPage.load(std::memory_order_relaxed)) {
        RefreshSettingsScreen(Lcd(), g_display.settings);
    }
}

}  // namespace

void RunDisplayPass() {
    ActOnSoftButtons();
    UpdateLights();
    if (IsSettingOn(kSettingAlertVolume))
        CheckVolumeAlert(Lcd(), g_display.alerts, *g_display.wave, g_display.master);
    ReadTitle();
    if (CheckSongChange(Lcd(), g_display.alerts, g_display.title))
        FollowPlayingEntry();
    RefreshShownScreen();
    Lcd().Update();
}

void EndDisplay() {
    if (IsSettingOn(kSettingVU))
        WriteLight(kLightMkeys, g_display.keptMkeys);
}

DWORD WINAPI DisplayThreadProc(LPVOID) {
    StartDisplay();
    // The stop request is looked at only after the Sleep that ends a pass, so a pass that has
    // begun always finishes.
    while (!g_stopRequest.load(std::memory_order_relaxed)) {
        RunDisplayPass();
        Sleep(50);
    }
    EndDisplay();
    return 0;
}

void ReleaseDisplay() {
    g_screenState.PublishDisplayObjects(nullptr);
    g_displayOutput.store(nullptr, std::memory_order_relaxed);
    delete g_display.lcd;
    delete g_display.master;
    delete g_display.wave;
    g_display = Display();
}
