// The plug-in on the full desk (player, LCD service, sound card, keyboard with its lights and
// keys), with what a fault test needs: the state invariants, a check that every other feature
// still works, and the settings file as bytes and modification time.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "support/KeyHarness.h"
#include "support/PluginInvariants.h"
#include "testbed/SimulatedKeyboard.h"

class FaultHarness : public KeyHarness {
protected:
    void SetUp() override {
        KeyHarness::SetUp();
        keyboard = std::make_unique<testbed::SimulatedKeyboard>();
    }
    void TearDown() override {
        player->SetAnswerOverride(nullptr);
        testbed::SimulatedPlayer::SetVisualMode(testbed::VisualMode::Music);
        KeyHarness::TearDown();
        keyboard.reset();
    }

    void ExpectInvariants(const std::string& when) {
        std::string broken = invariants::Broken(*player);
        EXPECT_EQ(broken, "") << when;
    }

    // The features that do not hang on the fault: the screens change (by soft button, or
    // without an LCD by a volume alert and its time-out), the volume keys are taken over on
    // the volume screen and change the player's volume, and with a working LCD frames keep
    // reaching the service.
    void ExpectStillWorking(const std::string& after, bool lcdWorks = true) {
        SCOPED_TRACE("after " + after);
        size_t frames = service->FrameCount();
        if (lcdWorks) {
            Tap(2);
            EXPECT_EQ(Screen(), kPlaylistScreen) << "soft button 2";
            Tap(3);
        } else {
            DWORD master = mixer->Volume(testbed::SoundCardLine::Master);
            mixer->SetVolume(testbed::SoundCardLine::Master, master > 30000 ? 10000 : 50000);
            Run(100);
        }
        ASSERT_EQ(Screen(), kVolumeScreen) << (lcdWorks ? "soft button 3" : "a volume alert");
        g_screenState.selectedVolume.store(kVolumePlayer);
        int volume = player->Volume();
        EXPECT_TRUE(Press(volume > 250 ? VK_VOLUME_DOWN : VK_VOLUME_UP)) << "a volume key";
        EXPECT_NE(player->Volume(), volume) << "the player's volume moved";
        if (lcdWorks)
            Tap(1);
        else
            Run(3200);
        EXPECT_EQ(Screen(), kNowPlayingScreen) << (lcdWorks ? "soft button 1" : "the time-out");
        if (lcdWorks) {
            EXPECT_GT(service->FrameCount(), frames) << "frames reach the LCD";
        }
        ExpectInvariants("still working");
    }

    struct FileState {
        bool exists = false;
        bool folder = false;
        std::string bytes;
        std::filesystem::file_time_type modified;
        bool operator==(const FileState&) const = default;
    };
    FileState Settings() const {
        FileState state;
        std::error_code error;
        std::filesystem::path path = SettingsFile();
        state.exists = std::filesystem::exists(path, error);
        if (!state.exists)
            return state;
        state.folder = std::filesystem::is_directory(path, error);
        state.modified = std::filesystem::last_write_time(path, error);
        if (!state.folder) {
            std::ifstream in(path, std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            state.bytes = text.str();
        }
        return state;
    }
    static std::string Describe(const FileState& state) {
        if (!state.exists)
            return "no file";
        if (state.folder)
            return "a folder";
        return "\"" + state.bytes + "\"";
    }

    std::unique_ptr<testbed::SimulatedKeyboard> keyboard;
};

// Compares two states of the settings file, bytes and time of the last change.
#define EXPECT_SETTINGS_FILE(actual, expected, when)                                           \
    do {                                                                                       \
        auto actual_ = (actual);                                                               \
        auto expected_ = (expected);                                                           \
        EXPECT_EQ(FaultHarness::Describe(actual_), FaultHarness::Describe(expected_)) << when; \
        EXPECT_TRUE(actual_.modified == expected_.modified)                                    \
            << when << ": the file was written although its bytes came out the same";          \
    } while (0)
