#include "plugin/KeyboardHook.h"

#include "display/ListWindow.h"
#include "display/ScreenState.h"
#include "display/SettingsScreen.h"
#include "display/VolumeScreen.h"
#include "lcd/EzLcd.h"
#include "mixer/NemboMixer.h"
#include "player/Player.h"
#include "plugin/Plugin.h"
#include "settings/Settings.h"

namespace {

constexpr int kPlayerVolumeStep = 5;
constexpr int kPlayerVolumeMax = 255;
// 65535 / 51: 51 steps cover the range.
constexpr int kMixerVolumeStep = 1285;
constexpr int kMixerVolumeMax = 65535;

// Wide enough for any answer plus a step: a player that answers INT_MAX gets 255, not 0.
int Clamp(long long value, int high) {
    return value < 0 ? 0 : value > high ? high : static_cast<int>(value);
}

void SetVolumeBar(const DisplayObjects& objects, float percent) {
    objects.lcd->SetItemBarValue(objects.volumeBar, percent);
}

int StepPlayerVolume(const DisplayObjects& objects, int up) {
    int volume = Clamp(
        static_cast<long long>(PlayerGetVolume()) + (up ? kPlayerVolumeStep : -kPlayerVolumeStep),
        kPlayerVolumeMax);
    SetVolumeBar(objects, static_cast<float>(PlayerVolumeInPercent(volume)));
    PlayerSetVolume(volume);
    return 1;
}

// A mixer that is missing reads 0 and takes no value; the bar still shows the step.
int StepMixerVolume(const DisplayObjects& objects, CNemboMixer* mixer, int up) {
    long long present = mixer ? mixer->GetValue() : 0;
    int value = Clamp(present + (up ? kMixerVolumeStep : -kMixerVolumeStep), kMixerVolumeMax);
    SetVolumeBar(objects, static_cast<float>(MixerVolumePercent(static_cast<DWORD>(value))));
    if (mixer)
        mixer->SetValue(static_cast<DWORD>(value));
    return 1;
}

bool CtrlHeld() {
    return g_screenState.leftCtrlHeld.load(std::memory_order_relaxed) ||
           g_screenState.rightCtrlHeld.load(std::memory_order_relaxed);
}

// Noted on every screen, so that a Ctrl key let go while another screen is shown is not taken
// as held later.
void NoteCtrl(DWORD key, WPARAM message) {
    std::atomic<int>& held =
        key == VK_LCONTROL ? g_screenState.leftCtrlHeld : g_screenState.rightCtrlHeld;
    if (message == WM_KEYDOWN)
        held.store(1, std::memory_order_relaxed);
    else if (message == WM_KEYUP)
        held.store(0, std::memory_order_relaxed);
}

void PlayOrToggle(int screen) {
    g_screenState.NoteKey();
    if (screen == g_screenState.settingsPage.load(std::memory_order_relaxed))
        ToggleSetting(g_screenState.LoadSettingsWindow().Highlighted());
    else
        PlayerSendPlayCommand();
}

void Step(int screen, int up) {
    g_screenState.NoteKey();
    if (screen == g_screenState.volumePage.load(std::memory_order_relaxed))
        StepVolume(up);
    else if (screen == g_screenState.playlistPage.load(std::memory_order_relaxed))
        StepPlaylist(up);
    else
        StepSettingsCursor(up);
}

// The screen whose keys the hook takes over, or kNoScreen. Until the display thread has
// published its objects no screen of its own is shown.
int SecondaryScreenShown() {
    if (!g_screenState.LoadDisplayObjects())
        return kNoScreen;
    int screen = g_screenState.currentScreen.load(std::memory_order_relaxed);
    if (screen == g_screenState.volumePage.load(std::memory_order_relaxed) ||
        screen == g_screenState.playlistPage.load(std::memory_order_relaxed) ||
        screen == g_screenState.settingsPage.load(std::memory_order_relaxed))
        return screen;
    return kNoScreen;
}

// True when the key was used (and is to be swallowed).
bool Handle(WPARAM message, DWORD key) {
    if (key == VK_LCONTROL || key == VK_RCONTROL) {
        NoteCtrl(key, message);
        return false;
    }
    if (message != WM_KEYDOWN)
        return false;
    if (key != VK_MEDIA_PLAY_PAUSE && key != VK_VOLUME_DOWN && key != VK_VOLUME_UP)
        return false;
    int screen = SecondaryScreenShown();
    if (screen == kNoScreen)
        return false;
    if (key == VK_MEDIA_PLAY_PAUSE)
        PlayOrToggle(screen);
    else
        Step(screen, key == VK_VOLUME_UP ? 1 : 0);
    return true;
}

}  // namespace

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM message, LPARAM event) {
    if (code == HC_ACTION && Handle(message, reinterpret_cast<KBDLLHOOKSTRUCT*>(event)->vkCode))
        return 1;
    return CallNextHookEx(g_hookBookkeeping.handle, code, message, event);
}

int StepVolume(int up) {
    g_screenState.NoteKey();
    const DisplayObjects* objects = g_screenState.LoadDisplayObjects();
    if (!objects)
        return 0;
    switch (g_screenState.selectedVolume.load(std::memory_order_relaxed)) {
        case kVolumePlayer:
            return StepPlayerVolume(*objects, up);
        case kVolumeWave:
            return StepMixerVolume(*objects, objects->wave, up);
        case kVolumeMaster:
            return StepMixerVolume(*objects, objects->master, up);
        default:
            return 0;
    }
}

// An empty playlist has no entry to make current: nothing is sent, rather than entry -1.
void StepPlaylist(int up) {
    int count = PlayerGetPlaylistLength();
    int steps = CtrlHeld() ? static_cast<int>(count * 0.05) : 1;
    if (steps < 1)
        steps = 1;
    ListWindow window = StepListWindow(g_screenState.LoadPlaylistWindow(), up != 0, count, steps);
    g_screenState.StorePlaylistWindow(window);
    if (count > 0)
        PlayerSetPlaylistPosition(window.Highlighted());
    g_screenState.NoteKey();
}

void StepSettingsCursor(int up) {
    ListWindow window =
        StepListWindow(g_screenState.LoadSettingsWindow(), up != 0, GetSettingsItemCount());
    g_screenState.StoreSettingsWindow(window);
    g_screenState.NoteKey();
}
