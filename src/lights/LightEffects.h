// The lights follow the music and the desktop: level meters on the M-key LEDs and the
// selector-1 backlight, and chosen lights dimmed while the screen saver runs.
#pragma once

#include <windows.h>

// Where the wave samples lie in the player's visual data, and how much of it is read.
constexpr int kWaveFirstByte = 76;
constexpr int kWaveLastByte = 149;
constexpr int kVisualDataSize = kWaveLastByte + 1;
// The meters update at most this often.
constexpr DWORD kMeterIntervalMs = 50;

// Owned by the display thread; all 0 at load.
struct LightEffectsState {
    DWORD lastMeterTime;
    int screenSaverRunning;
    int dimmingActive;
};
extern LightEffectsState g_lightEffects;

// Once per pass of the display thread: the screen-saver dimming, then (at most once per
// 50 ms, and not while the screen saver runs) the level meters. Does nothing without keyboard.
void UpdateLights();
// Dims the chosen lights when the screen saver starts and gives them back when it ends.
// Returns non-zero while it runs.
int UpdateScreenSaverDimming();

// Loudness 0 to 127 from the signed wave samples of the visual data (bytes 76 to 149): the
// path length of the wave from 0 through every sample, halved and capped.
int LoudnessLevel(const char* visualData);
// The M-key mask for a level: a set bit darkens its LED, so louder lights more of them.
BYTE MkeyMaskForLevel(int level);
// The selector-1 backlight value for a level: 1 or 2, or 0 to 2 with the off level in use.
BYTE BacklightValueForLevel(int level, bool useOffLevel);
