#include "display/DisplayThread.h"

#include <cstring>

#include "display/NowPlayingScreen.h"
#include "lights/KeyboardHid.h"
#include "lights/LightEffects.h"
#include "plugin/Player.h"
#include "plugin/Plugin.h"
#include "plugin/Settings.h"

namespace {

constexpr int kTitleSize = 512;

// Owned by the display thread.
char g_title[kTitleSize];

void ReadPlayerTitle() {
    g_title[0] = '\0';
    if (PlayerGetCaption(g_title, kTitleSize) > 0) CleanTitle(g_title);
}

void RunPass() {
    UpdateLights();
    ReadPlayerTitle();
}

}  // namespace

DWORD WINAPI DisplayThreadProc(LPVOID) {
    FetchVisualDataFunctions();
    // The M-key meter hands the LEDs back as they were when the thread started.
    BYTE keptMkeys = ReadLight(kLightMkeys);
    // The stop request is looked at only after the Sleep that ends a pass, so a pass that has
    // begun always finishes.
    while (!g_stopRequest.load(std::memory_order_relaxed)) {
        RunPass();
        Sleep(50);
    }
    if (IsSettingOn(kSettingVU)) WriteLight(kLightMkeys, keptMkeys);
    return 0;
}
