#include "display/Alerts.h"

#include <cstring>

#include "display/ScreenState.h"
#include "lcd/EzLcd.h"
#include "mixer/NemboMixer.h"
#include "player/Player.h"
#include "settings/Settings.h"

void ShowScreen(CEzLcd& lcd, int screen) {
    lcd.SelectPage(screen);
    g_screenState.currentScreen.store(screen, std::memory_order_relaxed);
}

void SetOutputPriority(CEzLcd& lcd, int priority) {
    lcd.GetOutput().SetPriority(static_cast<DWORD>(priority));
    g_screenState.outputPriority.store(priority, std::memory_order_relaxed);
}

namespace {

int VolumePage() {
    return g_screenState.volumePage.load(std::memory_order_relaxed);
}

// The end of every volume alert: the volume screen with the changed volume selected, its
// time-out counted from now.
void ShowChangedVolume(CEzLcd& lcd, int selected) {
    g_screenState.currentScreen.store(VolumePage(), std::memory_order_relaxed);
    g_screenState.selectedVolume.store(selected, std::memory_order_relaxed);
    lcd.SelectPage(VolumePage());
    g_screenState.NoteKey();
}

// The value seen now becomes the last seen by reading the volume again, as it may still be
// moving.
void CheckMixer(CEzLcd& lcd, AlertState& state, CNemboMixer& mixer, DWORD& last, int selected) {
    if (mixer.GetValue() == last)
        return;
    SetOutputPriority(lcd, kPriorityAlert);
    state.alertStart = GetTickCount();
    last = mixer.GetValue();
    ShowChangedVolume(lcd, selected);
}

// The player's volume names the volume screen as current before it asks again, so that a key
// the player's thread handles meanwhile already acts on that screen.
void CheckPlayerVolume(CEzLcd& lcd, AlertState& state) {
    if (PlayerGetVolume() == state.lastPlayerVolume)
        return;
    g_screenState.currentScreen.store(VolumePage(), std::memory_order_relaxed);
    SetOutputPriority(lcd, kPriorityAlert);
    state.alertStart = GetTickCount();
    state.lastPlayerVolume = PlayerGetVolume();
    ShowChangedVolume(lcd, kVolumePlayer);
}

}  // namespace

void CheckVolumeAlert(CEzLcd& lcd, AlertState& state, CNemboMixer& wave, CNemboMixer* master) {
    CheckMixer(lcd, state, wave, state.lastWaveVolume, kVolumeWave);
    if (master)
        CheckMixer(lcd, state, *master, state.lastMasterVolume, kVolumeMaster);
    CheckPlayerVolume(lcd, state);
}

bool CheckSongChange(CEzLcd& lcd, AlertState& state, const char* title) {
    if (std::strcmp(title, state.previousTitle) == 0)
        return false;
    if (IsSettingOn(kSettingAlertSongChange)) {
        SetOutputPriority(lcd, kPriorityAlert);
        std::strncpy(state.previousTitle, title, kTitleSize - 1);
        state.previousTitle[kTitleSize - 1] = '\0';
        state.alertStart = GetTickCount();
    }
    return true;
}

void ExpireAlert(CEzLcd& lcd, AlertState& state) {
    if (!IsSettingOn(kSettingAlertSongChange) || state.alertStart == 0)
        return;
    if (GetTickCount() - state.alertStart <= kAlertHoldMs)
        return;
    SetOutputPriority(lcd, kPriorityNormal);
    state.alertStart = 0;
}
