#include "lights/LightEffects.h"

#include "lightreport/KeyboardHid.h"
#include "player/FaultGuard.h"
#include "player/Player.h"
#include "settings/Settings.h"

LightEffectsState g_lightEffects = {0, 0, 0};

namespace {

int Distance(int a, int b) {
    return a > b ? a - b : b - a;
}

void DimForScreenSaver() {
    SaveLightState();
    if (IsSettingOn(kSettingSaveLcd))
        WriteLight(kLightSelector1, 0);
    if (IsSettingOn(kSettingSaveMkeys))
        WriteLight(kLightMkeys, 15);
    if (IsSettingOn(kSettingSaveKeyboard))
        WriteLight(kLightSelector2, 0);
}

// The settings are read again here: the lights given back are those chosen when it ends.
void GiveBackAfterScreenSaver() {
    if (IsSettingOn(kSettingSaveLcd))
        RestoreLight(kLightSelector1);
    if (IsSettingOn(kSettingSaveMkeys))
        RestoreLight(kLightMkeys);
    if (IsSettingOn(kSettingSaveKeyboard))
        RestoreLight(kLightSelector2);
}

}  // namespace

int LoudnessLevel(const char* visualData) {
    int sum = 0;
    int previous = 0;
    for (int i = kWaveFirstByte; i <= kWaveLastByte; ++i) {
        int sample = static_cast<signed char>(visualData[i]);
        sum += Distance(sample, previous);
        previous = sample;
    }
    int level = sum / 2;
    return level > 127 ? 127 : level;
}

BYTE MkeyMaskForLevel(int level) {
    if (level <= 16)
        return 15;
    if (level <= 32)
        return 14;
    if (level <= 64)
        return 12;
    if (level <= 96)
        return 8;
    return 0;
}

BYTE BacklightValueForLevel(int level, bool useOffLevel) {
    if (!useOffLevel)
        return level <= 64 ? 1 : 2;
    if (level <= 42)
        return 0;
    if (level <= 84)
        return 1;
    return 2;
}

int UpdateScreenSaverDimming() {
    // A failed query leaves the last answer standing rather than waking the lights.
    BOOL running = g_lightEffects.screenSaverRunning;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    g_lightEffects.screenSaverRunning = running;
    if (running && !g_lightEffects.dimmingActive) {
        DimForScreenSaver();
        g_lightEffects.dimmingActive = 1;
    } else if (!running && g_lightEffects.dimmingActive) {
        GiveBackAfterScreenSaver();
        g_lightEffects.dimmingActive = 0;
    }
    return g_lightEffects.screenSaverRunning;
}

void UpdateLights() {
    if (!g_keyboardFound.load(std::memory_order_relaxed))
        return;
    if (UpdateScreenSaverDimming())
        return;
    DWORD now = GetTickCount();
    if (now - g_lightEffects.lastMeterTime < kMeterIntervalMs)
        return;
    g_lightEffects.lastMeterTime = now;

    char visualData[kVisualDataSize];
    if (!FetchVisualData(g_visRequestFunction, g_visDataFunction, visualData, kVisualDataSize))
        return;
    int level = LoudnessLevel(visualData);
    if (IsSettingOn(kSettingVU))
        WriteLight(kLightMkeys, MkeyMaskForLevel(level));
    if (IsSettingOn(kSettingKeyboardLight))
        WriteLight(kLightSelector1,
                   BacklightValueForLevel(level, IsSettingOn(kSettingKeyboardLightOffLevel)));
}
