// The plug-in's own state as a fresh load of the module has it, for harnesses that start the
// plug-in again and again in one process.
#pragma once

#include "display/ScreenState.h"
#include "lights/LightEffects.h"
#include "plugin/Plugin.h"

inline void ResetToFreshlyLoaded() {
    g_screenState.ResetToFreshlyLoaded();
    g_lightEffects = {0, 0, 0};
    g_hookBookkeeping = {nullptr, nullptr};
}
