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
// file beside the DLL is used at all.
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

// The per-user folder, <application data>\VelmG15, and its file, VelmG15.ini. False when the
// application-data folder cannot be found or the file's path does not fit (it is never cut).
bool GetPerUserPaths(char (&folder)[MAX_PATH], char (&file)[MAX_PATH]) {
    char appData[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, appData) != S_OK)
        return false;
    int folderLength = std::snprintf(folder, MAX_PATH, "%s\\%s", appData, kPerUserFolder);
    int fileLength =
        std::snprintf(file, MAX_PATH, "%s\\%s\\%s", appData, kPerUserFolder, kFileName);
    return folderLength >= 0 && fileLength >= 0 && fileLength < MAX_PATH;  // the folder is shorter
}

bool IsFile(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Once made, the per-user file holds the user's latest choices for good: they win over the
// values read beside the DLL (a key it lacks keeps the value read there), and it is the only
// file written from then on, even once the folder beside the DLL takes writes again.
bool UseExistingPerUserFile() {
    char folder[MAX_PATH];
    char file[MAX_PATH];
    if (!GetPerUserPaths(folder, file) || !IsFile(file))
        return false;
    for (const SettingInfo& info : kSettingsTable)
        SetSetting(info.item, ReadSetting(info, file, GetSetting(info.item)));
    WriteAllSettings(file);
    std::memcpy(g_settingsPath, file, sizeof file);
    return true;
}

// The file beside the DLL took no write-back, as Program Files does not for an ordinary user,
// or cannot even be named. The user's own file is made with the values held. Where it cannot
// be, the settings stay with the file beside the DLL (if any), and live in memory only.
void MoveToPerUserFile() {
    char folder[MAX_PATH];
    char file[MAX_PATH];
    if (!GetPerUserPaths(folder, file))
        return;
    if (!CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return;
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
    if (UseExistingPerUserFile())
        return;
    if (!g_settingsPath[0] || !WriteAllSettings(g_settingsPath))
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
