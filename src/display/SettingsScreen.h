// The settings screen, page 3: a title row and a four-row window onto the list of settings,
// each row with its label on the left and "On" or "Off" on the right.
#pragma once

#include "display/ListWindow.h"

class CEzLcd;
class CLCDBase;

// The screen's items, owned by the display thread.
struct SettingsScreen {
    CLCDBase* title = nullptr;
    CLCDBase* labels[kVisibleRows] = {};
    CLCDBase* stateHeader = nullptr;
    CLCDBase* states[kVisibleRows] = {};
};

// 11 while both Ctrl keys are held (the two backlight meter settings join the list), else 9.
int GetSettingsItemCount();
// The label of items 0 to 10; "" for any other number.
const char* GetSettingLabel(int item);
// "On" or "Off" for items 0 to 10; "x" for any other number.
const char* GetSettingState(int item);

// Adds the title, the label rows, the state header and the state rows to the current page,
// which must be the settings page.
void BuildSettingsScreen(CEzLcd& lcd, SettingsScreen& screen);
// Shows the items in the window and inverts the title row and the highlighted row.
void RefreshSettingsScreen(CEzLcd& lcd, const SettingsScreen& screen);
