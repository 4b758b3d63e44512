#include "display/DisplayState.h"

std::atomic<int> g_currentScreen{kNowPlayingScreen};
std::atomic<int> g_selectedVolume{kVolumePlayer};
std::atomic<int> g_volumePage{kNoScreen};
std::atomic<int> g_playlistPage{kNoScreen};
std::atomic<int> g_settingsPage{kNoScreen};
std::atomic<int> g_outputPriority{kPriorityNormal};

std::atomic<DWORD> g_lastKeyTime{0};
std::atomic<int> g_playlistTop{0};
std::atomic<int> g_playlistRow{1};
std::atomic<int> g_settingsTop{0};
std::atomic<int> g_settingsRow{1};

std::atomic<const DisplayObjects*> g_displayObjects{nullptr};

std::atomic<int> g_leftCtrlHeld{0};
std::atomic<int> g_rightCtrlHeld{0};

void FixScreenPageNumbers() {
    g_volumePage.store(kVolumeScreen, std::memory_order_relaxed);
    g_playlistPage.store(kPlaylistScreen, std::memory_order_relaxed);
    g_settingsPage.store(kSettingsScreen, std::memory_order_relaxed);
}
