#include "display/ScreenState.h"

ScreenState g_screenState;

namespace {

template <typename T>
void Reset(std::atomic<T>& value, const std::atomic<T>& fresh) {
    value.store(fresh.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

}  // namespace

void ScreenState::NoteKey() {
    lastKeyTime.store(GetTickCount(), std::memory_order_relaxed);
}

ListWindow ScreenState::LoadPlaylistWindow() const {
    return {playlistTop.load(std::memory_order_relaxed),
            playlistRow.load(std::memory_order_relaxed)};
}

void ScreenState::StorePlaylistWindow(ListWindow window) {
    playlistTop.store(window.top, std::memory_order_relaxed);
    playlistRow.store(window.row, std::memory_order_relaxed);
}

ListWindow ScreenState::LoadSettingsWindow() const {
    return {settingsTop.load(std::memory_order_relaxed),
            settingsRow.load(std::memory_order_relaxed)};
}

void ScreenState::StoreSettingsWindow(ListWindow window) {
    settingsTop.store(window.top, std::memory_order_relaxed);
    settingsRow.store(window.row, std::memory_order_relaxed);
}

void ScreenState::PublishDisplayObjects(const DisplayObjects* objects) {
    displayObjects.store(objects, std::memory_order_release);
}

const DisplayObjects* ScreenState::LoadDisplayObjects() const {
    return displayObjects.load(std::memory_order_acquire);
}

void ScreenState::FixPageNumbers() {
    volumePage.store(kVolumeScreen, std::memory_order_relaxed);
    playlistPage.store(kPlaylistScreen, std::memory_order_relaxed);
    settingsPage.store(kSettingsScreen, std::memory_order_relaxed);
}

// The initial values stay written in one place: the members' own.
void ScreenState::ResetToFreshlyLoaded() {
    const ScreenState fresh;
    Reset(currentScreen, fresh.currentScreen);
    Reset(selectedVolume, fresh.selectedVolume);
    Reset(volumePage, fresh.volumePage);
    Reset(playlistPage, fresh.playlistPage);
    Reset(settingsPage, fresh.settingsPage);
    Reset(outputPriority, fresh.outputPriority);
    Reset(lastKeyTime, fresh.lastKeyTime);
    Reset(playlistTop, fresh.playlistTop);
    Reset(playlistRow, fresh.playlistRow);
    Reset(settingsTop, fresh.settingsTop);
    Reset(settingsRow, fresh.settingsRow);
    Reset(leftCtrlHeld, fresh.leftCtrlHeld);
    Reset(rightCtrlHeld, fresh.rightCtrlHeld);
    Reset(displayObjects, fresh.displayObjects);
}
