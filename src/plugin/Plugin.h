// The plug-in record that the player loads, and the lifecycle state shared with the display
// thread.
#pragma once

#include <windows.h>

#include <atomic>

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

// Set by quit; the display thread leaves its loop once it sees it.
extern std::atomic<int> g_stopRequest;

// The display thread's LCD output, registered by whoever owns it on that thread. Quit closes
// its device and connection once the thread has ended.
class CLCDOutput;
extern std::atomic<CLCDOutput*> g_displayOutput;

extern "C" __declspec(dllexport) PluginRecord* winampGetGeneralPurposePlugin();
