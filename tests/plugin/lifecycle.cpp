// The plug-in record, init and quit as the player drives them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "support/PluginHarness.h"

namespace {

using Lifecycle = PluginHarness;

TEST(Export, HandsOutOneRecordWithVersionAndDescription) {
    PluginRecord* first = winampGetGeneralPurposePlugin();
    PluginRecord* second = winampGetGeneralPurposePlugin();
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->version, 16);
    EXPECT_STREQ(first->description, "Velm's G15 Plugin v0.1 (gen_g15_velm.dll)");
    ASSERT_NE(first->init, nullptr);
    ASSERT_NE(first->config, nullptr);
    ASSERT_NE(first->quit, nullptr);
}

TEST_F(Lifecycle, InitStartsTheDisplayThreadAndInstallsTheHook) {
    ASSERT_TRUE(Init());
    EXPECT_EQ(control::LiveThreadCount(), 2) << "the player's thread and the display thread";
    EXPECT_EQ(control::HookCount(), 1u);
    EXPECT_EQ(g_hookBookkeeping.owner, player->Window());
    EXPECT_NE(g_hookBookkeeping.handle, nullptr);
    ASSERT_TRUE(Quit());
    EXPECT_EQ(control::HookCount(), 0u);
    EXPECT_EQ(g_hookBookkeeping.owner, nullptr);
    EXPECT_EQ(g_hookBookkeeping.handle, nullptr);
    EXPECT_TRUE(control::MessageBoxes().empty());
}

TEST_F(Lifecycle, DisplayThreadReadsTheCaptionOncePerPassOfFiftyMs) {
    std::atomic<int> captions{0};
    player->SetMessageObserver([&](const testbed::PlayerMessage& m) {
        if (m.name == "get-caption")
            ++captions;
    });
    ASSERT_TRUE(Init());
    int atStart = captions;
    ASSERT_TRUE(control::AdvanceClock(500));
    EXPECT_EQ(captions - atStart, 10);
    ASSERT_TRUE(Quit());
}

// Quit waits on the player's thread while the display thread's last pass asks that very thread
// for the caption: the wait has to answer it, or neither thread moves again.
TEST_F(Lifecycle, QuitAnswersTheLastPassBlockedOnThePlayerAndReturnsAfterIt) {
    std::atomic<bool> quitting{false};
    std::atomic<int> answeredDuringQuit{0};
    std::atomic<int> answeredAfterQuit{0};
    std::atomic<bool> quitDone{false};
    player->SetMessageObserver([&](const testbed::PlayerMessage& m) {
        if (m.name != "get-caption")
            return;
        if (quitDone)
            ++answeredAfterQuit;
        else if (quitting)
            ++answeredDuringQuit;
    });
    ASSERT_TRUE(Init());
    ASSERT_TRUE(control::AdvanceClock(120));
    // The player is busy until 160; the pass due at 150 then waits for it with its caption
    // request, and is still waiting when quit begins.
    ASSERT_TRUE(CallOnPlayerThread([&] {
        Sleep(40);
        quitting = true;
        g_plugin.quit();
        quitDone = true;
    })) << "quit did not return: the display thread and the wait blocked each other";
    EXPECT_EQ(answeredDuringQuit, 1) << "the pass that was blocked when quit began";
    EXPECT_EQ(control::LiveThreadCount(), 1) << "quit returned before the display thread ended";
    ASSERT_TRUE(control::AdvanceClock(500));
    EXPECT_EQ(answeredAfterQuit, 0);
}

TEST_F(Lifecycle, WithoutAPlayerWindowNoHookAndQuitShowsTheMessageOnce) {
    g_plugin.playerWindow = nullptr;
    ASSERT_TRUE(Init());
    EXPECT_EQ(control::HookCount(), 0u);
    ASSERT_TRUE(control::AdvanceClock(200));
    ASSERT_TRUE(Quit());
    auto shown = control::MessageBoxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].owner, nullptr);
    EXPECT_EQ(shown[0].text, "Window pointer is null");
    EXPECT_EQ(shown[0].caption, "Message");
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(control::LiveThreadCount(), 1) << "the display thread still ended";
}

TEST_F(Lifecycle, FailedHookInstallLeavesNoOwnerAndQuitStillEnds) {
    control::FailNextHookInstall();
    ASSERT_TRUE(Init());
    EXPECT_EQ(g_hookBookkeeping.handle, nullptr);
    EXPECT_EQ(g_hookBookkeeping.owner, nullptr);
    ASSERT_TRUE(Quit());
    EXPECT_EQ(control::LiveThreadCount(), 1);
}

TEST_F(Lifecycle, FailedHookRemovalKeepsTheOwnerSoTheNextInitInstallsNoHook) {
    ASSERT_TRUE(Init());
    HHOOK installed = g_hookBookkeeping.handle;
    control::FailNextUnhook();
    ASSERT_TRUE(Quit());
    EXPECT_EQ(g_hookBookkeeping.handle, nullptr);
    EXPECT_EQ(g_hookBookkeeping.owner, player->Window());

    ASSERT_TRUE(Init());
    EXPECT_EQ(control::HookCount(), 1u) << "only the hook whose removal failed";
    EXPECT_EQ(g_hookBookkeeping.handle, nullptr);
    ASSERT_TRUE(Quit());
    EXPECT_TRUE(UnhookWindowsHookEx(installed));
}

TEST_F(Lifecycle, QuitFromAnotherPlayerWindowLeavesTheHookInPlace) {
    ASSERT_TRUE(Init());
    HHOOK installed = g_hookBookkeeping.handle;
    HWND owner = g_plugin.playerWindow;
    g_plugin.playerWindow = reinterpret_cast<HWND>(0x4242);
    ASSERT_TRUE(Quit());
    EXPECT_EQ(control::HookCount(), 1u);
    EXPECT_EQ(g_hookBookkeeping.owner, owner);
    EXPECT_EQ(g_hookBookkeeping.handle, installed);
    EXPECT_TRUE(control::MessageBoxes().empty());
    EXPECT_TRUE(UnhookWindowsHookEx(installed));
}

TEST_F(Lifecycle, ConfigDoesNothing) {
    ASSERT_TRUE(CallOnPlayerThread([] { g_plugin.config(); }));
    EXPECT_EQ(control::LiveThreadCount(), 1);
    EXPECT_EQ(control::HookCount(), 0u);
}

}  // namespace
