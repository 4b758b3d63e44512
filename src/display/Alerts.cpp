#include "display/Alerts.h"

#include <cstring>

#include "display/DisplayState.h"
#include "lcd/EzLcd.h"
#include "mixer/NemboMixer.h"
#include "plugin/Player.h"
#include "plugin/Settings.h"

void ShowScreen(CEzLcd& lcd, int screen) {
    lcd.SelectPage(screen);
    g_currentScreen.store(screen, std::memory_order_relaxed);
}

void SetOutputPriority(CEzLcd& lcd, int priority) {
    lcd.GetOutput().SetPriority(static_cast<DWORD>(priority));
    g_outputPriority.store(priority, std::memory_order_relaxed);
}

namespace {

void RaiseVolumeAlert(CEzLcd& lcd, AlertState& state, int selected) {
    SetOutputPriority(lcd, kPriorityAlert);
    state.alertStart = GetTickCount();
    g_selectedVolume.store(selected, std::memory_order_relaxed);
    ShowScreen(lcd, g_volumePage.load(std::memory_order_relaxed));
    g_lastKeyTime.store(GetTickCount(), std::memory_order_relaxed);
}

// The value seen now becomes the last seen by reading the mixer again, as the volume may
// still be moving.
void CheckMixer(CEzLcd& lcd, AlertState& state, CNemboMixer& mixer, DWORD& last, int selected) {
    if (mixer.GetValue() == last) return;
    RaiseVolumeAlert(lcd, state, selected);
    last = mixer.GetValue();
}

}  // namespace

void CheckVolumeAlert(CEzLcd& lcd, AlertState& state, CNemboMixer& wave, CNemboMixer* master) {
    CheckMixer(lcd, state, wave, state.lastWaveVolume, kVolumeWave);
    if (master) CheckMixer(lcd, state, *master, state.lastMasterVolume, kVolumeMaster);
    if (PlayerGetVolume() != state.lastPlayerVolume) {
        RaiseVolumeAlert(lcd, state, kVolumePlayer);
        state.lastPlayerVolume = PlayerGetVolume();
    }
}

bool CheckSongChange(CEzLcd& lcd, AlertState& state, const char* title) {
    if (std::strcmp(title, state.previousTitle) == 0) return false;
    if (IsSettingOn(kSettingAlertSongChange)) {
        SetOutputPriority(lcd, kPriorityAlert);
        std::strncpy(state.previousTitle, title, kTitleSize - 1);
        state.previousTitle[kTitleSize - 1] = '\0';
        state.alertStart = GetTickCount();
    }
    return true;
}

void ExpireAlert(CEzLcd& lcd, AlertState& state) {
    if (!IsSettingOn(kSettingAlertSongChange) || state.alertStart == 0) return;
    if (GetTickCount() - state.alertStart <= kAlertHoldMs) return;
    SetOutputPriority(lcd, kPriorityNormal);
    state.alertStart = 0;
}
