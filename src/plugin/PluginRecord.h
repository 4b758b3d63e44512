// The record through which the player reaches a general-purpose plug-in.
#pragma once

#include <windows.h>

// Seven 32-bit fields on the product build, in the order the player reads them.
struct PluginRecord {
    int version;
    const char* description;
    int (*init)();
    void (*config)();
    void (*quit)();
    HWND playerWindow;         // filled in by the player before init
    HINSTANCE moduleInstance;  // filled in by the player
};
static_assert(sizeof(void*) != 4 || sizeof(PluginRecord) == 28,
              "the player reads seven 32-bit fields");
