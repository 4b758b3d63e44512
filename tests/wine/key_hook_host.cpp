// The win64 plug-in's keyboard hook under Wine's real Win32: keys sent with SendInput reach
// the low-level hooks of this (the player's) thread. A hook installed before init sits behind
// the plug-in's in the chain, so it sees exactly the keys the plug-in passes on.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/PluginRecord.h"
#include "support/PlayerLoop.h"

namespace {

using playerloop::Pump;

int g_volume = 100;
std::vector<int> g_volumesSet;
int g_playCommands = 0;
std::vector<std::pair<DWORD, WPARAM>> g_passed;

LRESULT CALLBACK PlayerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_USER && lp == 122) {
        if (static_cast<int>(wp) == -666)
            return g_volume;
        g_volume = static_cast<int>(wp);
        g_volumesSet.push_back(g_volume);
        return 0;
    }
    if (msg == WM_USER)
        return 0;
    if (msg == WM_COMMAND && wp == 40045)
        ++g_playCommands;
    return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT CALLBACK BehindThePlugin(int code, WPARAM msg, LPARAM lp) {
    if (code == HC_ACTION)
        g_passed.push_back({reinterpret_cast<KBDLLHOOKSTRUCT*>(lp)->vkCode, msg});
    return CallNextHookEx(nullptr, code, msg, lp);
}

// The key goes down and up, as the keyboard sends it.
void Press(WORD vk) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = vk;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(2, input, sizeof(INPUT)), 2u) << "error " << GetLastError();
    Pump(50);
}

std::string Passed() {
    std::string text;
    for (auto [vk, msg] : g_passed)
        text += std::to_string(vk) + (msg == WM_KEYDOWN ? " down, "
                                      : msg == WM_KEYUP ? " up, "
                                                        : " ?, ");
    g_passed.clear();
    return text;
}

TEST(PluginHook, PassesKeysOnTheMainScreenAndTakesTheMediaKeysOnTheVolumeScreen) {
    HMODULE module = LoadLibraryA("gen_g15_velm.dll");
    ASSERT_NE(module, nullptr) << "error " << GetLastError();
    auto get = reinterpret_cast<PluginRecord* (*)()>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "winampGetGeneralPurposePlugin")));
    ASSERT_NE(get, nullptr);
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(module, path, sizeof path);
    std::string ini = std::string(path, n);
    ini = ini.substr(0, ini.rfind('\\') + 1) + "VelmG15.ini";
    WritePrivateProfileStringA("General", "AlertVolume", "1", ini.c_str());

    PluginRecord* record = get();
    record->playerWindow = playerloop::MakePlayerWindow(PlayerProc, "wine key player");
    record->moduleInstance = module;
    HHOOK behind = SetWindowsHookExA(WH_KEYBOARD_LL, BehindThePlugin, GetModuleHandleA(nullptr), 0);
    ASSERT_NE(behind, nullptr);
    EXPECT_EQ(record->init(), 0);
    Pump(300);

    Press(VK_VOLUME_UP);
    Press(VK_MEDIA_PLAY_PAUSE);
    Press('A');
    EXPECT_EQ(Passed(), "175 down, 175 up, 179 down, 179 up, 65 down, 65 up, ")
        << "on the now-playing screen every key passes";
    EXPECT_TRUE(g_volumesSet.empty());
    EXPECT_EQ(g_playCommands, 0);

    g_volume = 120;  // turned in the player: the volume screen comes up for it
    Pump(300);
    Press(VK_VOLUME_UP);
    Press(VK_MEDIA_PLAY_PAUSE);
    Press('A');
    EXPECT_EQ(Passed(), "175 up, 179 up, 65 down, 65 up, ")
        << "on the volume screen the media keys' downs are taken";
    EXPECT_EQ(g_volumesSet, std::vector<int>{125});
    EXPECT_EQ(g_playCommands, 1);

    record->quit();
    UnhookWindowsHookEx(behind);
    DestroyWindow(record->playerWindow);
}

}  // namespace
