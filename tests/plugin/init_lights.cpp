// Init and the display thread as they meet the keyboard and the settings file: the light state
// saved at init, the M-key value kept by the thread and handed back at its exit.
#include <windows.h>

#include <algorithm>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "lightreport/KeyboardHid.h"
#include "support/PluginHarness.h"
#include "testbed/SimulatedKeyboard.h"

namespace {

using Writes = std::vector<std::pair<int, int>>;

class InitLights : public PluginHarness {
protected:
    void SetUp() override {
        PluginHarness::SetUp();
        keyboard = std::make_unique<testbed::SimulatedKeyboard>();
        keyboard->SetLights(2, 0x30, 5);
        testbed::SimulatedPlayer::SetVisualMode(testbed::VisualMode::Silence);
    }
    void TearDown() override {
        testbed::SimulatedPlayer::SetVisualMode(testbed::VisualMode::Music);
        PluginHarness::TearDown();
        keyboard.reset();
        g_keyboardFound = 0;
    }
    std::string ReadSettingsFile() const {
        std::ifstream in(SettingsFile(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void WriteSettingsFile(const std::string& text) const {
        std::ofstream(SettingsFile(), std::ios::binary) << text;
    }

    std::unique_ptr<testbed::SimulatedKeyboard> keyboard;
};

TEST_F(InitLights, InitSavesTheLightsAndWritesTheSettingsBeforeTheThreadAsksThePlayer) {
    std::mutex mu;
    std::vector<std::string> messages;
    bool fileBeforeThread = false;
    player->SetMessageObserver([&](const testbed::PlayerMessage& m) {
        std::lock_guard<std::mutex> lk(mu);
        if (messages.empty())
            fileBeforeThread = std::filesystem::exists(SettingsFile());
        messages.emplace_back(m.name);
    });
    ASSERT_TRUE(Init());
    EXPECT_EQ(g_keyboardFound, 1);
    EXPECT_EQ(GetSavedLight(kLightSelector1), 2);
    EXPECT_EQ(GetSavedLight(kLightMkeys), 5);
    EXPECT_EQ(GetSavedLight(kLightSelector2), 0x30);
    auto reports = keyboard->Reports();
    ASSERT_GE(reports.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(reports[i].set) << "report " << i << " should be a read";
    EXPECT_EQ(reports[0].bytes[1], 1);
    EXPECT_EQ(reports[1].bytes[1], 4);
    EXPECT_EQ(reports[2].bytes[1], 2);
    EXPECT_EQ(reports[3].bytes[1], 4) << "the display thread keeps the M-key value first";
    EXPECT_TRUE(fileBeforeThread) << "the settings are written before the thread starts";
    EXPECT_NE(ReadSettingsFile().find("AlertSongChange=1"), std::string::npos);
    ASSERT_TRUE(Quit());
    std::lock_guard<std::mutex> lk(mu);
    ASSERT_GE(messages.size(), 3u);
    EXPECT_EQ(messages[0], "get-vis-data-function");
    EXPECT_EQ(messages[1], "get-vis-request-function");
    EXPECT_NE(std::find(messages.begin() + 2, messages.end(), "get-caption"), messages.end());
}

TEST_F(InitLights, TheThreadHandsTheKeptMkeysBackAtItsExitWhileTheMeterIsOn) {
    ASSERT_TRUE(Init());
    EXPECT_EQ(keyboard->OpenHandles(), 1);
    ASSERT_TRUE(control::AdvanceClock(200));
    EXPECT_EQ(keyboard->Mkeys(), 15) << "silence darkens every M-key";
    keyboard->ClearReports();
    ASSERT_TRUE(Quit());
    Writes writes = keyboard->Writes();
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.back(), std::make_pair(4, 5)) << "the value read when the thread started";
    EXPECT_EQ(keyboard->Mkeys(), 5);
    EXPECT_EQ(keyboard->OpenHandles(), 0) << "quit lets the keyboard go after its last report";
    EXPECT_EQ(g_keyboardFound.load(), 0);
}

TEST_F(InitLights, WithTheMeterOffNoLightIsWrittenAtAll) {
    WriteSettingsFile("[General]\r\nVU=0\r\n");
    ASSERT_TRUE(Init());
    ASSERT_TRUE(control::AdvanceClock(300));
    ASSERT_TRUE(Quit());
    EXPECT_TRUE(keyboard->Writes().empty());
}

}  // namespace
