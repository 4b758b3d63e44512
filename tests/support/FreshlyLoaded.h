// The plug-in's own state as a fresh load of the module has it, for harnesses that start the
// plug-in again and again in one process.
#pragma once

#include "display/DisplayState.h"
#include "lights/LightEffects.h"
#include "plugin/Plugin.h"

inline void ResetToFreshlyLoaded() {
    g_currentScreen.store(kNowPlayingScreen);
    g_selectedVolume.store(kVolumePlayer);
    g_outputPriority.store(kPriorityNormal);
    g_lastKeyTime.store(0);
    g_playlistTop.store(0);
    g_playlistRow.store(1);
    g_settingsTop.store(0);
    g_settingsRow.store(1);
    g_leftCtrlHeld.store(0);
    g_rightCtrlHeld.store(0);
    g_lightEffects = {0, 0, 0};
    g_hookBookkeeping = {nullptr, nullptr};
}
