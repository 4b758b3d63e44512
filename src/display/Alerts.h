// The alerts: a volume that changed brings the volume screen up, a new title raises the
// output priority, and an old alert gives the LCD back.
#pragma once

#include <windows.h>

#include "player/PlayerText.h"

class CEzLcd;
class CNemboMixer;

// The cleaned caption, UTF-8.
constexpr int kTitleSize = kPlayerTextBytes;
// How long a secondary screen stays without a key, and how long an alert holds the LCD.
constexpr DWORD kAutoLeaveMs = 3000;
constexpr DWORD kAlertHoldMs = 8000;

// Owned by the display thread.
struct AlertState {
    DWORD alertStart = 0;  // 0: no alert running
    int lastPlayerVolume = 0;
    DWORD lastWaveVolume = 0;
    DWORD lastMasterVolume = 0;
    char previousTitle[kTitleSize] = {};
};

// Shows a screen: the facade's page and the shared current screen together.
void ShowScreen(CEzLcd& lcd, int screen);
void SetOutputPriority(CEzLcd& lcd, int priority);

// Each of the three volumes on its own: wave, master (when there is a master mixer), player.
void CheckVolumeAlert(CEzLcd& lcd, AlertState& state, CNemboMixer& wave, CNemboMixer* master);
// True when the title differs from the one last taken for an alert (so the playlist window
// follows the playing entry). With song alerts off the previous title is not updated.
bool CheckSongChange(CEzLcd& lcd, AlertState& state, const char* title);
// On the now-playing screen: an alert older than kAlertHoldMs gives the LCD back.
void ExpireAlert(CEzLcd& lcd, AlertState& state);
