// What must hold of the plug-in's shared state whatever the player, the keyboard, the LCD
// service or the user did before. Used by the fault tests, the soak and the event fuzzer.
#pragma once

#include <string>

#include "display/ListWindow.h"
#include "display/ScreenState.h"
#include "settings/Settings.h"
#include "testbed/SimulatedPlayer.h"

namespace invariants {

inline std::string Window(const char* name, int top, int row) {
    return std::string(name) + " window at top " + std::to_string(top) + ", row " +
           std::to_string(row);
}

// "" when all hold, else what broke. The playlist window may lie beyond a list that has become
// shorter (the screen shows it on the last entry); what must never happen is the player being
// asked to play an entry outside the list it last described.
inline std::string Broken(const testbed::SimulatedPlayer& player) {
    int screen = g_screenState.currentScreen.load();
    if (screen < kNowPlayingScreen || screen > kSettingsScreen)
        return "current screen " + std::to_string(screen) + ", expected 0 to 3";
    int priority = g_screenState.outputPriority.load();
    if (priority != kPriorityNormal && priority != kPriorityAlert)
        return "output priority " + std::to_string(priority) + ", expected 128 or 255";
    int selected = g_screenState.selectedVolume.load();
    if (selected < kVolumePlayer || selected > kVolumeMaster)
        return "selected volume " + std::to_string(selected) + ", expected 0 to 2";
    int settingsTop = g_screenState.settingsTop.load(),
        settingsRow = g_screenState.settingsRow.load();
    if (settingsRow < 1 || settingsRow > kVisibleRows || settingsTop < 0 ||
        settingsTop + kVisibleRows > kSettingCount)
        return Window("settings", settingsTop, settingsRow) + ", expected rows 1 to 4 of 11 items";
    int playlistTop = g_screenState.playlistTop.load(),
        playlistRow = g_screenState.playlistRow.load();
    if (playlistRow < 1 || playlistRow > kVisibleRows || playlistTop < 0)
        return Window("playlist", playlistTop, playlistRow) + ", expected rows 1 to 4";
    if (int stray = player.PositionsOutsideList())
        return std::to_string(stray) + " request(s) to play an entry outside the playlist";
    return "";
}

}  // namespace invariants
