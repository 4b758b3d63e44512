// Keys reach the hook chain on the thread that installed it; message boxes never block.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "hostwin/control/clock.h"
#include "hostwin/control/desktop.h"
#include "hostwin/control/modules.h"

namespace {

std::vector<DWORD> g_seenOnThread;
DWORD g_hookThread;

LRESULT CALLBACK SwallowVolumeUp(int code, WPARAM msg, LPARAM lp) {
    auto* event = reinterpret_cast<KBDLLHOOKSTRUCT*>(lp);
    g_seenOnThread.push_back(GetCurrentThreadId());
    if (code == HC_ACTION && msg == WM_KEYDOWN && event->vkCode == VK_VOLUME_UP)
        return 1;
    return CallNextHookEx(nullptr, code, msg, lp);
}

LRESULT CALLBACK OlderHookSwallowsPlay(int code, WPARAM msg, LPARAM lp) {
    auto* event = reinterpret_cast<KBDLLHOOKSTRUCT*>(lp);
    if (event->vkCode == VK_MEDIA_PLAY_PAUSE)
        return 1;
    return CallNextHookEx(nullptr, code, msg, lp);
}

// A thread that installs the hooks and then takes messages, as the player's thread does.
DWORD WINAPI HookThread(LPVOID) {
    g_hookThread = GetCurrentThreadId();
    HHOOK older = SetWindowsHookExA(WH_KEYBOARD_LL, OlderHookSwallowsPlay, nullptr, 0);
    HHOOK newer = SetWindowsHookExA(WH_KEYBOARD_LL, SwallowVolumeUp, nullptr, 0);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0))
        DispatchMessageA(&msg);
    UnhookWindowsHookEx(newer);
    UnhookWindowsHookEx(older);
    return 0;
}

TEST(Keys, InjectedKeysRunTheChainNewestFirstOnTheInstallingThread) {
    control::UseManualClock(5000);
    DWORD id;
    HANDLE thread = CreateThread(nullptr, 0, HookThread, nullptr, 0, &id);
    ASSERT_TRUE(control::WaitIdle());
    ASSERT_EQ(control::HookCount(), 2u);
    std::vector<std::pair<DWORD, bool>> passed;
    control::SetPassedKeySink([&](DWORD vk, bool down) { passed.push_back({vk, down}); });
    g_seenOnThread.clear();

    EXPECT_TRUE(control::InjectKey(VK_VOLUME_UP, true));
    EXPECT_FALSE(control::InjectKey(VK_VOLUME_UP, false)) << "the key-up is not swallowed";
    EXPECT_TRUE(control::InjectKey(VK_MEDIA_PLAY_PAUSE, true)) << "the older hook is reached";
    EXPECT_FALSE(control::InjectKey('A', true));

    ASSERT_EQ(passed.size(), 2u);
    EXPECT_EQ(passed[0], std::make_pair(DWORD(VK_VOLUME_UP), false));
    EXPECT_EQ(passed[1], std::make_pair(DWORD('A'), true));
    ASSERT_EQ(g_seenOnThread.size(), 4u);
    for (DWORD seen : g_seenOnThread)
        EXPECT_EQ(seen, g_hookThread);

    PostThreadMessageA(id, WM_QUIT, 0, 0);
    ASSERT_TRUE(control::WaitIdle());
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
    EXPECT_EQ(control::HookCount(), 0u);
    CloseHandle(thread);
    control::SetPassedKeySink(nullptr);
    control::UseRealClock();
}

TEST(Keys, WithoutHooksEveryKeyPasses) {
    ASSERT_EQ(control::HookCount(), 0u);
    EXPECT_FALSE(control::InjectKey(VK_VOLUME_UP, true));
}

std::vector<std::pair<WPARAM, DWORD>> g_messages;

LRESULT CALLBACK NoteMessage(int code, WPARAM msg, LPARAM lp) {
    g_messages.push_back({msg, reinterpret_cast<KBDLLHOOKSTRUCT*>(lp)->flags});
    return CallNextHookEx(nullptr, code, msg, lp);
}

TEST(Keys, WithAltHeldTheHooksSeeSystemKeyMessages) {
    HHOOK hook = SetWindowsHookExA(WH_KEYBOARD_LL, NoteMessage, nullptr, 0);
    ASSERT_NE(hook, nullptr);
    g_messages.clear();
    EXPECT_FALSE(control::InjectKeyWithAlt(VK_LCONTROL, true));
    EXPECT_FALSE(control::InjectKeyWithAlt(VK_LCONTROL, false));
    EXPECT_FALSE(control::InjectKey(VK_LCONTROL, true));
    EXPECT_TRUE(UnhookWindowsHookEx(hook));
    std::vector<std::pair<WPARAM, DWORD>> expected = {
        {WM_SYSKEYDOWN, LLKHF_ALTDOWN}, {WM_SYSKEYUP, LLKHF_ALTDOWN | LLKHF_UP}, {WM_KEYDOWN, 0}};
    EXPECT_EQ(g_messages, expected);
}

TEST(Hooks, InstallAndRemovalFailOnceWhenAsked) {
    control::FailNextHookInstall();
    EXPECT_EQ(SetWindowsHookExA(WH_KEYBOARD_LL, SwallowVolumeUp, nullptr, 0), nullptr);
    HHOOK hook = SetWindowsHookExA(WH_KEYBOARD_LL, SwallowVolumeUp, nullptr, 0);
    ASSERT_NE(hook, nullptr);
    control::FailNextUnhook();
    EXPECT_FALSE(UnhookWindowsHookEx(hook));
    EXPECT_EQ(control::HookCount(), 1u);
    EXPECT_TRUE(UnhookWindowsHookEx(hook));
}

TEST(MessageBoxes, AreRecordedAndReturnOk) {
    control::ClearMessageBoxes();
    EXPECT_EQ(MessageBoxA(nullptr, "Window pointer is null", "Message", MB_OK), IDOK);
    auto shown = control::MessageBoxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].owner, nullptr);
    EXPECT_EQ(shown[0].text, "Window pointer is null");
    EXPECT_EQ(shown[0].caption, "Message");
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK));
}

TEST(Modules, NamedModuleReportsItsWindowsPath) {
    HMODULE module = control::RegisterNamedModule("Z:\\tmp\\plugins\\gen_g15_velm.dll");
    char path[MAX_PATH];
    EXPECT_EQ(GetModuleFileNameA(module, path, MAX_PATH), 31u);
    EXPECT_STREQ(path, "Z:\\tmp\\plugins\\gen_g15_velm.dll");
    EXPECT_EQ(control::HostPath("Z:\\tmp\\plugins\\x.ini"), "/tmp/plugins/x.ini");
    EXPECT_EQ(control::WindowsPath("/tmp/plugins"), "Z:\\tmp\\plugins");
}

}  // namespace
