// The eleven on/off settings, kept in "VelmG15.ini" beside the DLL. Read once by init, written
// back in full then and on every toggle from the settings screen. Where the DLL's folder takes
// no write (Program Files, for an ordinary user), init moves them for good to the user's own
// VelmG15\VelmG15.ini under the application-data folder, which from then on wins at every start.
#pragma once

#include <windows.h>

#include <atomic>

// Item numbers: the settings screen's list order and the argument of ToggleSetting.
enum SettingItem : int {
    kSettingVU = 0,
    kSettingLeavePlaylist = 1,
    kSettingLeaveVolume = 2,
    kSettingLeaveSettings = 3,
    kSettingSaveLcd = 4,
    kSettingSaveMkeys = 5,
    kSettingSaveKeyboard = 6,
    kSettingAlertSongChange = 7,
    kSettingAlertVolume = 8,
    kSettingKeyboardLight = 9,
    kSettingKeyboardLightOffLevel = 10,
    kSettingCount = 11,
};

struct SettingInfo {
    const char* key;  // the INI key
    int defaultValue;
    SettingItem item;
    const char* label;  // as the settings screen shows it
};

// In the order in which the file is read and written.
extern const SettingInfo kSettingsTable[kSettingCount];

// By item number; 0 is off, anything else on. Written by the player's thread, read anywhere.
extern std::atomic<int> g_settings[kSettingCount];

inline int GetSetting(int item) {
    return g_settings[item].load(std::memory_order_relaxed);
}
inline bool IsSettingOn(int item) {
    return GetSetting(item) != 0;
}
// The table row of an item, or null for a number outside 0 to 10.
const SettingInfo* FindSettingInfo(int item);

// Builds the file path beside the module (the plug-in's, handed over by init) and reads every
// setting. Where the per-user file exists, its values win over those read and it is the file
// written, then and from then on. Otherwise every setting is written back beside the module;
// where that fails, or that file's path does not fit in MAX_PATH, the per-user file is made
// with the values held. Where it cannot be made, the settings live in memory only.
void LoadSettings(HINSTANCE module);
void SaveSettings();
// Flips one setting (items 0 and 9 first save or give back the light their meter drives) and
// saves. An item outside 0 to 10 flips nothing but still saves.
void ToggleSetting(int item);

// The settings file written to, beside the DLL or per user; "" when the module's folder and
// the file name do not fit in MAX_PATH and no per-user file could be had: then nothing is
// written and the settings live in memory only.
const char* GetSettingsPath();
// Decimal as "%d" reads it: leading blanks, a sign, digits, the rest ignored. False if no
// digit follows; a number beyond int stops at INT_MAX or INT_MIN.
bool ParseSettingValue(const char* text, int& value);
