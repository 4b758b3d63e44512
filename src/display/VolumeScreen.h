// The volume screen, page 1: one of three volumes (the player's, the system's wave or master)
// as a bar under its title.
#pragma once

#include <windows.h>

class CEzLcd;
class CLCDBase;
class CNemboMixer;

// "Winamp Volume", "Wave Volume" or "Master Volume" for a selected volume; null for others.
const char* VolumeTitle(int selected);
// Percentages of the bar: the player's 0 to 255 as volume / 2.55 cut to a whole number, a
// mixer's 0 to 65535 as value / 655.
int PlayerVolumePercent(int volume);
int MixerVolumePercent(DWORD value);

// Adds the title and the bar to the current page, which must be the volume page, and returns
// the bar (the keyboard hook moves it too).
CLCDBase* BuildVolumeScreen(CEzLcd& lcd);
// Sets the title of the selected volume at once (soft button 3 on this screen).
void SetVolumeTitle(CEzLcd& lcd, int selected);
// Reads the selected volume into the bar and sets its title. A missing master mixer keeps the
// level of the pass before.
void RefreshVolumeScreen(CEzLcd& lcd, CNemboMixer& wave, CNemboMixer* master);
