// Runs the plug-in linked into the test inside the testbed, the way the player runs it: the
// record filled in, init and quit called on the player's thread, simulated time driven by hand.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "hostwin/control/clock.h"
#include "hostwin/control/desktop.h"
#include "hostwin/control/modules.h"
#include "hostwin/control/shell.h"
#include "plugin/Plugin.h"
#include "testbed/SimulatedPlayer.h"

class PluginHarness : public ::testing::Test {
protected:
    static constexpr uint32_t kStartTick = 500000;

    void SetUp() override {
        control::UseManualClock(kStartTick);
        control::ClearMessageBoxes();
        player = std::make_unique<testbed::SimulatedPlayer>();
        g_plugin.playerWindow = player->Window();
        // The "DLL" lives in a folder of the test's own, where its settings file goes.
        std::string pattern = ::testing::TempDir() + "velm-plugin-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr) << "cannot make a folder from " << pattern;
        dllFolder = pattern;
        g_plugin.moduleInstance =
            control::RegisterNamedModule(control::WindowsPath(dllFolder + "/gen_g15_velm.dll"));
        // The user's application-data folder, where the settings go when the DLL's folder
        // takes no write.
        pattern = ::testing::TempDir() + "velm-appdata-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr) << "cannot make a folder from " << pattern;
        appDataFolder = pattern;
        control::SetAppDataFolder(control::WindowsPath(appDataFolder));
        g_hookBookkeeping = {nullptr, nullptr};
    }

    void TearDown() override {
        player.reset();
        EXPECT_EQ(control::LiveThreadCount(), 0) << "the display thread outlived the test";
        control::UseRealClock();
        control::SetAppDataFolder("");
        std::error_code ignored;
        for (const std::string& folder : {dllFolder, appDataFolder})
            if (!folder.empty())
                std::filesystem::remove_all(folder, ignored);
    }

    std::string SettingsFile() const { return dllFolder + "/VelmG15.ini"; }
    std::string PerUserSettingsFile() const { return appDataFolder + "/VelmG15/VelmG15.ini"; }

    // Runs an entry of the record on the player's thread and keeps simulated time moving
    // until it returns.
    bool CallOnPlayerThread(std::function<void()> entry, uint32_t limitMs = 10000) {
        player->CallOnPlayerThread(std::move(entry));
        return control::AdvanceUntil([this] { return !player->CallsPending(); }, limitMs);
    }
    bool Init() {
        return CallOnPlayerThread([] { g_plugin.init(); });
    }
    bool Quit() {
        return CallOnPlayerThread([] { g_plugin.quit(); });
    }

    std::unique_ptr<testbed::SimulatedPlayer> player;
    std::string dllFolder;      // host path
    std::string appDataFolder;  // host path
};
