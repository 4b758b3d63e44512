#include "display/DisplayThread.h"

#include <cstring>

#include "display/NowPlayingScreen.h"
#include "plugin/Player.h"
#include "plugin/Plugin.h"

namespace {

constexpr int kTitleSize = 512;

// Owned by the display thread.
char g_title[kTitleSize];

void ReadPlayerTitle() {
    g_title[0] = '\0';
    if (PlayerGetCaption(g_title, kTitleSize) > 0) CleanTitle(g_title);
}

void RunPass() { ReadPlayerTitle(); }

}  // namespace

DWORD WINAPI DisplayThreadProc(LPVOID) {
    // The stop request is looked at only after the Sleep that ends a pass, so a pass that has
    // begun always finishes.
    while (!g_stopRequest.load(std::memory_order_relaxed)) {
        RunPass();
        Sleep(50);
    }
    return 0;
}
