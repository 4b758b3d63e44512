// What the display thread shares with the keyboard hook (and, on the host, with the
// simulator that shows it): one record of single 32-bit values, each written in one store and
// read without a lock.
#pragma once

#include <windows.h>

#include <atomic>

#include "display/ListWindow.h"

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

// The values a fresh load of the module starts with are the members' initial values.
struct ScreenState {
    // Written by the display thread only.
    std::atomic<int> currentScreen{kNowPlayingScreen};
    std::atomic<int> selectedVolume{kVolumePlayer};
    std::atomic<int> volumePage{kNoScreen};
    std::atomic<int> playlistPage{kNoScreen};
    std::atomic<int> settingsPage{kNoScreen};
    std::atomic<int> outputPriority{kPriorityNormal};

    // Written by both.
    std::atomic<DWORD> lastKeyTime{0};
    std::atomic<int> playlistTop{0};
    std::atomic<int> playlistRow{1};
    std::atomic<int> settingsTop{0};
    std::atomic<int> settingsRow{1};

    // Written by the hook only.
    std::atomic<int> leftCtrlHeld{0};
    std::atomic<int> rightCtrlHeld{0};

    // Published by the display thread once its screens are built and shown (a release store,
    // so that the hook sees them whole), and cleared before they are freed. Null while the
    // screens do not exist: the hook then acts on no screen, whatever the current screen still
    // says.
    std::atomic<const DisplayObjects*> displayObjects{nullptr};

    // A key or soft button that counts as use of a secondary screen: its time-out starts anew.
    void NoteKey();

    ListWindow LoadPlaylistWindow() const;
    void StorePlaylistWindow(ListWindow window);
    ListWindow LoadSettingsWindow() const;
    void StoreSettingsWindow(ListWindow window);

    void PublishDisplayObjects(const DisplayObjects* objects);
    const DisplayObjects* LoadDisplayObjects() const;

    // Fixes the page numbers to the pages the display thread is about to make, before
    // anything that compares the current screen with them runs.
    void FixPageNumbers();
    // Every value as a fresh load of the module has it, for whoever starts the plug-in again
    // and again in one process.
    void ResetToFreshlyLoaded();
};

// The one record; the host module exports it for the simulator.
extern ScreenState g_screenState;
