// The plug-in record that the player loads, and the keyboard hook's bookkeeping.
#pragma once

#include <windows.h>

#include "plugin/PluginRecord.h"

// Who installed the keyboard hook, and its handle. Lives in a section of its own.
struct HookBookkeeping {
    HWND owner;
    HHOOK handle;
};
static_assert(sizeof(void*) != 4 || sizeof(HookBookkeeping) == 8,
              "the hook bookkeeping is two 32-bit values");

extern PluginRecord g_plugin;
extern HookBookkeeping g_hookBookkeeping;

extern "C" __declspec(dllexport) PluginRecord* winampGetGeneralPurposePlugin();
