#include "settings/Settings.h"

#include <windows.h>
#include <shlobj.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "lightreport/KeyboardHid.h"

const SettingInfo kSettingsTable[kSettingCount] = {
    {"VU", 1, kSettingVU, "M-Key VU Leds"},
    {"KeyboardLight", 0, kSettingKeyboardLight, "Backlight VU Led"},
    {"KeyboardLightOffLevel", 0, kSettingKeyboardLightOffLevel, "Backlight VU Led use OFF"},
    {"LeavePlaylist", 1, kSettingLeavePlaylist, "Auto Leave playlist screen"},
    {"LeaveVolume", 1, kSettingLeaveVolume, "Auto Leave volume screen"},
    {"LeaveSettings", 0, kSettingLeaveSettings, "Auto Leave settings screen"},
    {"SaveLcd", 0, kSettingSaveLcd, "ScreenSaver: Lcd Led"},
    {"SaveMkeys", 0, kSettingSaveMkeys, "ScreenSaver: M-key Leds"},
    {"SaveKeyboard", 0, kSettingSaveKeyboard, "ScreenSaver: Backlight"},
    {"AlertVolume", 1, kSettingAlertVolume, "Alert: On volume change"},
    {"AlertSongChange", 1, kSettingAlertSongChange, "Alert: On song change"},
};

// The defaults hold from load until LoadSettings.
std::atomic<int> g_settings[kSettingCount] = {1, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0};

namespace {

constexpr char kSection[] = "General";
constexpr char kFileName[] = "VelmG15.ini";
constexpr char kPerUserFolder[] = "VelmG15";  // under the user's application-data folder

// The file the settings are written to: beside the DLL, or the per-user one.
char g_settingsPath[MAX_PATH];

// A folder and file name longer than the buffer would be cut to another file's name; then no
// file is used at all.
void BuildSettingsPath(HINSTANCE moduleInstance) {
    g_settingsPath[0] = '\0';
    char module[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(moduleInstance, module, MAX_PATH);
    if (length >= MAX_PATH)
        return;
    module[length] = '\0';
    char* lastSlash = std::strrchr(module, '\\');
    if (lastSlash)
        lastSlash[1] = '\0';
    else
        module[0] = '\0';
    char path[MAX_PATH];
    int written = std::snprintf(path, sizeof path, "%s%s", module, kFileName);
    if (written < 0 || written >= MAX_PATH)
        return;
    std::memcpy(g_settingsPath, path, static_cast<size_t>(written) + 1);
}

// The value in file, or fallback where the file has none that reads as a number.
int ReadSetting(const SettingInfo& info, const char* file, int fallback) {
    char fallbackText[64];
    char value[64];
    std::snprintf(fallbackText, sizeof fallbackText, "%d", fallback);
    int result = fallback;
    if (GetPrivateProfileStringA(kSection, info.key, fallbackText, value, sizeof value, file) > 0)
        ParseSettingValue(value, result);
    return result;
}

// True when every write went through.
bool WriteAllSettings(const char* file) {
    bool allWritten = true;
    for (const SettingInfo& info : kSettingsTable) {
        char text[32];
        std::snprintf(text, sizeof text, "%d", GetSetting(info.item));
        if (!WritePrivateProfileStringA(kSection, info.key, text, file))
            allWritten = false;
    }
    return allWritten;
}

void SetSetting(int item, int value) {
    g_settings[item].store(value, std::memory_order_relaxed);
}

// The per-user file, <application data>\VelmG15\VelmG15.ini, into file, with its folder made
// if missing. False when the application-data folder cannot be found, when the file's path
// does not fit (then nothing is made) or when the folder cannot be made.
bool PreparePerUserFile(char (&file)[MAX_PATH]) {
    char appData[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, appData) != S_OK)
        return false;
    char folder[MAX_PATH];
    char path[MAX_PATH];
    int folderLength = std::snprintf(folder, sizeof folder, "%s\\%s", appData, kPerUserFolder);
    int pathLength =
        std::snprintf(path, sizeof path, "%s\\%s\\%s", appData, kPerUserFolder, kFileName);
    if (folderLength < 0 || pathLength < 0 || pathLength >= MAX_PATH)  // the folder is shorter
        return false;
    if (!CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    std::memcpy(file, path, static_cast<size_t>(pathLength) + 1);
    return true;
}

// The folder beside the DLL refused the write-back, as Program Files does an ordinary user.
// The settings move to the user's own file, whose values are the user's latest choices (a
// missing file reads as the values held). Where that file cannot be written either, the
// settings stay beside the DLL, where they live in memory only.
void MoveToPerUserFile() {
    char file[MAX_PATH];
    if (!PreparePerUserFile(file))
        return;
    for (const SettingInfo& info : kSettingsTable)
        SetSetting(info.item, ReadSetting(info, file, GetSetting(info.item)));
    if (WriteAllSettings(file))
        std::memcpy(g_settingsPath, file, sizeof file);
}

// Switching a level meter on keeps the light it is about to drive; switching it off gives
// that light back.
void SaveOrGiveBackMeterLight(int item) {
    if (item != kSettingVU && item != kSettingKeyboardLight)
        return;
    int selector = item == kSettingVU ? kLightMkeys : kLightSelector1;
    if (IsSettingOn(item))
        RestoreLight(selector);
    else
        SetSavedLight(selector, ReadLight(selector));
}

}  // namespace

const SettingInfo* FindSettingInfo(int item) {
    for (const SettingInfo& info : kSettingsTable)
        if (info.item == item)
            return &info;
    return nullptr;
}

const char* GetSettingsPath() {
    return g_settingsPath;
}

bool ParseSettingValue(const char* text, int& value) {
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    if (*p < '0' || *p > '9')
        return false;
    long long magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (magnitude <= INT_MAX)
            magnitude = magnitude * 10 + (*p - '0');
    if (negative)
        value =
            magnitude > -static_cast<long long>(INT_MIN) ? INT_MIN : static_cast<int>(-magnitude);
    else
        value = magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
    return true;
}

void LoadSettings(HINSTANCE module) {
    BuildSettingsPath(module);
    for (const SettingInfo& info : kSettingsTable)
        SetSetting(info.item, g_settingsPath[0]
                                  ? ReadSetting(info, g_settingsPath, info.defaultValue)
                                  : info.defaultValue);
    if (g_settingsPath[0] && !WriteAllSettings(g_settingsPath))
        MoveToPerUserFile();
}

void SaveSettings() {
    if (g_settingsPath[0])
        WriteAllSettings(g_settingsPath);
}

void ToggleSetting(int item) {
    if (item >= 0 && item < kSettingCount) {
        SaveOrGiveBackMeterLight(item);
        SetSetting(item, IsSettingOn(item) ? 0 : 1);
    }
    SaveSettings();
}
