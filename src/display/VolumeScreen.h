// The volume screen, page 1: one of three volumes (the player's, the system's wave or master)
// as a bar under its title.
#pragma once

#include <windows.h>

class CEzLcd;
class CLCDBase;
class CNemboMixer;

// The screen's items and the level it last showed, owned by the display thread.
struct VolumeScreen {
    CLCDBase* title = nullptr;
    CLCDBase* bar = nullptr;
    int level = 0;
};

// "Winamp Volume", "Wave Volume" or "Master Volume" for a selected volume; null for others.
const char* VolumeTitle(int selected);
// Percentages of the bar, for this screen and the keyboard hook alike: the player's 0 to 255 as
// volume / 2.55 (the hook shows it as it is, this screen cut to a whole number), a mixer's
// 0 to 65535 as value / 655 in whole numbers.
double PlayerVolumeInPercent(int volume);
int PlayerVolumePercent(int volume);
int MixerVolumePercent(DWORD value);

// Adds the title and the bar (which the keyboard hook moves too) to the current page, which
// must be the volume page.
void BuildVolumeScreen(CEzLcd& lcd, VolumeScreen& screen);
// Sets the title of the selected volume at once (soft button 3 on this screen).
void SetVolumeTitle(CEzLcd& lcd, const VolumeScreen& screen, int selected);
// Reads the selected volume into the bar and sets its title. A missing master mixer keeps the
// level of the pass before.
void RefreshVolumeScreen(CEzLcd& lcd, VolumeScreen& screen, CNemboMixer& wave, CNemboMixer* master);
