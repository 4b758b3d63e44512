// The level meters and the screen-saver dimming, driven through UpdateLights on a hand-driven
// clock against the testbed's G15.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "hostwin/control/clock.h"
#include "hostwin/control/desktop.h"
#include "hostwin/control/hid.h"
#include "lightreport/KeyboardHid.h"
#include "lights/LightEffects.h"
#include "player/Player.h"
#include "settings/Settings.h"
#include "testbed/SimulatedKeyboard.h"

namespace {

using Writes = std::vector<std::pair<int, int>>;

char g_data[kVisualDataSize];
int g_requests = 0;
bool g_faulty = false;
volatile uintptr_t g_badAddress = 16;

void __cdecl Request(int wanted) {
    if (wanted == 1)
        ++g_requests;
}
char* __cdecl Data() {
    if (g_faulty)
        return reinterpret_cast<char*>(
            static_cast<uintptr_t>(*reinterpret_cast<const volatile char*>(g_badAddress)));
    return g_data;
}

// Wave samples at bytes 76..149 giving exactly the level asked for (0 to 127): one spike
// from 0 up to the level and back.
void SetLevel(int level) {
    std::memset(g_data, 0, sizeof g_data);
    g_data[kWaveFirstByte] = static_cast<char>(level);
}

class LightEffects : public ::testing::Test {
protected:
    void SetUp() override {
        control::UseManualClock(700000);
        keyboard = std::make_unique<testbed::SimulatedKeyboard>();
        g_keyboardFound = FindKeyboard();
        ASSERT_EQ(g_keyboardFound, 1);
        for (const SettingInfo& info : kSettingsTable)
            g_settings[info.item] = info.defaultValue;
        g_lightEffects = {0, 0, 0};
        g_visRequestFunction = Request;
        g_visDataFunction = Data;
        g_requests = 0;
        g_faulty = false;
        std::memset(g_data, 0, sizeof g_data);
        control::SetScreenSaverRunning(false);
    }
    void TearDown() override {
        control::SetScreenSaverRunning(false);
        keyboard.reset();
        g_keyboardFound = 0;
        g_visRequestFunction = nullptr;
        g_visDataFunction = nullptr;
        control::UseRealClock();
    }
    // One update 50 ms after the last; returns the reports it wrote.
    Writes Pass() {
        EXPECT_TRUE(control::AdvanceClock(kMeterIntervalMs));
        keyboard->ClearReports();
        UpdateLights();
        return keyboard->Writes();
    }

    std::unique_ptr<testbed::SimulatedKeyboard> keyboard;
};

TEST(LoudnessLevel, IsThePathOfTheWaveFromZeroHalvedAndCapped) {
    char data[kVisualDataSize + 1] = {};
    EXPECT_EQ(LoudnessLevel(data), 0) << "silence";
    data[75] = 127;
    data[kVisualDataSize] = 127;
    EXPECT_EQ(LoudnessLevel(data), 0) << "bytes outside 76 to 149 do not count";
    data[76] = -5;
    EXPECT_EQ(LoudnessLevel(data), 5) << "|-5| from zero, then 5 back to the next sample";
    std::memset(data, 0, sizeof data);
    data[149] = 33;
    EXPECT_EQ(LoudnessLevel(data), 16) << "33 / 2 is truncated";
    for (int i = 76; i <= 149; ++i)
        data[i] = static_cast<char>(i % 2 ? 127 : -128);
    EXPECT_EQ(LoudnessLevel(data), 127) << "alternating -128 and 127 is capped";
    for (int level : {17, 42, 64, 96, 100}) {
        SetLevel(level);
        EXPECT_EQ(LoudnessLevel(g_data), level) << "the helper's own wave";
    }
}

TEST(LevelTables, MaskAndBacklightChangeExactlyAtTheirBoundaries) {
    const std::pair<int, int> masks[] = {{0, 15},  {16, 15}, {17, 14}, {32, 14}, {33, 12},
                                         {64, 12}, {65, 8},  {96, 8},  {97, 0},  {127, 0}};
    for (auto [level, mask] : masks)
        EXPECT_EQ(MkeyMaskForLevel(level), mask) << "level " << level;
    const std::pair<int, int> withoutOff[] = {{0, 1}, {64, 1}, {65, 2}, {127, 2}};
    for (auto [level, value] : withoutOff)
        EXPECT_EQ(BacklightValueForLevel(level, false), value) << "level " << level;
    const std::pair<int, int> withOff[] = {{0, 0}, {42, 0}, {43, 1}, {84, 1}, {85, 2}, {127, 2}};
    for (auto [level, value] : withOff)
        EXPECT_EQ(BacklightValueForLevel(level, true), value) << "level " << level << ", off used";
}

TEST_F(LightEffects, SilenceAndLoudnessDriveTheMkeysAndTheBacklight) {
    EXPECT_EQ(Pass(), (Writes{{4, 15}})) << "defaults: only the M-key meter, silence darkens all";
    g_settings[kSettingKeyboardLight] = 1;
    EXPECT_EQ(Pass(), (Writes{{4, 15}, {1, 1}}));
    g_settings[kSettingKeyboardLightOffLevel] = 1;
    EXPECT_EQ(Pass(), (Writes{{4, 15}, {1, 0}}));
    for (int i = kWaveFirstByte; i <= kWaveLastByte; ++i)
        g_data[i] = static_cast<char>(i % 2 ? 127 : -128);
    EXPECT_EQ(Pass(), (Writes{{4, 0}, {1, 2}}));
    SetLevel(50);
    EXPECT_EQ(Pass(), (Writes{{4, 12}, {1, 1}})) << "the same report again when nothing changed";
    EXPECT_EQ(Pass(), (Writes{{4, 12}, {1, 1}}));
    EXPECT_EQ(keyboard->Mkeys(), 12);
}

TEST_F(LightEffects, AtMostOneUpdatePerFiftyMilliseconds) {
    EXPECT_EQ(Pass().size(), 1u);
    ASSERT_TRUE(control::AdvanceClock(30));
    keyboard->ClearReports();
    UpdateLights();
    EXPECT_TRUE(keyboard->Writes().empty()) << "30 ms after the last update";
    EXPECT_EQ(g_requests, 1) << "nor is the player asked";
    ASSERT_TRUE(control::AdvanceClock(19));
    UpdateLights();
    EXPECT_TRUE(keyboard->Writes().empty()) << "49 ms";
    ASSERT_TRUE(control::AdvanceClock(1));
    UpdateLights();
    EXPECT_EQ(keyboard->Writes().size(), 1u) << "50 ms";
}

TEST_F(LightEffects, WithBothMetersOffThePlayerIsStillAskedButNothingIsWritten) {
    g_settings[kSettingVU] = 0;
    EXPECT_TRUE(Pass().empty());
    EXPECT_EQ(g_requests, 1);
}

TEST_F(LightEffects, AFaultInThePlayerEndsTheUpdateAndTheNextOneTriesAgain) {
    g_faulty = true;
    EXPECT_TRUE(Pass().empty());
    EXPECT_EQ(g_requests, 1) << "the request ran before the data function faulted";
    g_faulty = false;
    EXPECT_EQ(Pass(), (Writes{{4, 15}}));
}

TEST_F(LightEffects, WithoutKeyboardNothingHappensNotEvenTheScreenSaverDimming) {
    g_keyboardFound = 0;
    g_settings[kSettingSaveMkeys] = 1;
    control::SetScreenSaverRunning(true);
    EXPECT_TRUE(Pass().empty());
    EXPECT_EQ(g_requests, 0);
    EXPECT_EQ(g_lightEffects.dimmingActive, 0);
    EXPECT_TRUE(keyboard->Reports().empty()) << "not even a read";
}

TEST_F(LightEffects, TheScreenSaverKeepsTheMetersLastMaskAndGivesItBackBeforeTheMeterResumes) {
    g_settings[kSettingSaveMkeys] = 1;
    SetLevel(20);
    EXPECT_EQ(Pass(), (Writes{{4, 14}}));
    control::SetScreenSaverRunning(true);
    SetLevel(127);
    EXPECT_EQ(Pass(), (Writes{{4, 15}})) << "dark while the screen saver runs";
    EXPECT_EQ(GetSavedLight(kLightMkeys), 14) << "the meter's last mask was saved";
    EXPECT_TRUE(Pass().empty()) << "the meters pause";
    EXPECT_EQ(g_requests, 1);
    control::SetScreenSaverRunning(false);
    EXPECT_EQ(Pass(), (Writes{{4, 14}, {4, 0}})) << "the saved mask first, then the meter";
}

TEST_F(LightEffects, TheScreenSaverDimsAndGivesBackTheChosenBacklightsOnly) {
    g_settings[kSettingVU] = 0;
    g_settings[kSettingSaveLcd] = 1;
    g_settings[kSettingSaveKeyboard] = 1;
    keyboard->SetLights(2, 0x30, 5);
    control::SetScreenSaverRunning(true);
    EXPECT_EQ(Pass(), (Writes{{1, 0}, {2, 0}}));
    control::SetScreenSaverRunning(false);
    g_settings[kSettingSaveKeyboard] = 0;
    EXPECT_EQ(Pass(), (Writes{{1, 2}})) << "the settings as they are when it ends decide";
    EXPECT_EQ(keyboard->Selector2(), 0);
}

TEST_F(LightEffects, TheScreenSaverSavesTheLightsEvenWithNothingToDim) {
    SetSavedLight(kLightMkeys, 3);  // as a meter toggle would have saved it
    keyboard->SetLights(1, 0x20, 9);
    g_settings[kSettingVU] = 0;
    control::SetScreenSaverRunning(true);
    EXPECT_TRUE(Pass().empty());
    EXPECT_EQ(GetSavedLight(kLightMkeys), 9) << "overwrites what the toggle saved";
    EXPECT_EQ(GetSavedLight(kLightSelector1), 1);
    EXPECT_EQ(GetSavedLight(kLightSelector2), 0x20);
    g_settings[kSettingVU] = 1;
    EXPECT_TRUE(Pass().empty()) << "no meter while it runs";
    control::SetScreenSaverRunning(false);
    EXPECT_EQ(Pass(), (Writes{{4, 15}}));
}

}  // namespace
