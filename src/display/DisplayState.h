// What the display thread shares with the keyboard hook (and, on the host, with the
// simulator that shows it): single 32-bit values, each written in one store and read without
// a lock.
#pragma once

#include <windows.h>

#include <atomic>

// The screens are the facade's pages, numbered in the order they are made.
constexpr int kNowPlayingScreen = 0;
constexpr int kVolumeScreen = 1;
constexpr int kPlaylistScreen = 2;
constexpr int kSettingsScreen = 3;
// A page number that names no screen, while the pages do not exist yet.
constexpr int kNoScreen = -1;

// Selected volume of the volume screen.
constexpr int kVolumePlayer = 0;
constexpr int kVolumeWave = 1;
constexpr int kVolumeMaster = 2;

// Output priorities of the frames.
constexpr int kPriorityNormal = 128;
constexpr int kPriorityAlert = 255;

// Written by the display thread only.
extern std::atomic<int> g_currentScreen;
extern std::atomic<int> g_selectedVolume;
extern std::atomic<int> g_volumePage;
extern std::atomic<int> g_playlistPage;
extern std::atomic<int> g_settingsPage;
extern std::atomic<int> g_outputPriority;

// Written by both.
extern std::atomic<DWORD> g_lastKeyTime;
extern std::atomic<int> g_playlistTop;
extern std::atomic<int> g_playlistRow;
extern std::atomic<int> g_settingsTop;
extern std::atomic<int> g_settingsRow;

// Written by the hook only.
extern std::atomic<int> g_leftCtrlHeld;
extern std::atomic<int> g_rightCtrlHeld;

class CEzLcd;
class CLCDBase;
class CNemboMixer;

// The display thread's objects that the keyboard hook works on from the player's thread.
struct DisplayObjects {
    CEzLcd* lcd;
    CLCDBase* volumeBar;
    CNemboMixer* wave;
    CNemboMixer* master;  // null when the master volume could not be opened
};
// Published by the display thread once its screens are built and shown (a release store, so
// that the hook sees them whole), and cleared before they are freed. Null while the screens do
// not exist: the hook then acts on no screen, whatever the current screen still says.
extern std::atomic<const DisplayObjects*> g_displayObjects;

// Fixes the page numbers to the pages the display thread is about to make, before anything
// that compares the current screen with them runs.
void FixScreenPageNumbers();
