// Quit's last steps: after the display thread has ended, the display output's device and
// connection are closed, then the LCD service client is ended, so that a later init in the
// same process finds the LCD again.
#include <windows.h>

#include <gtest/gtest.h>

#include "display/DisplayThread.h"
#include "lcd/LCDOutput.h"
#include "support/PluginHarness.h"
#include "testbed/SimulatedLcdService.h"

namespace {

class LcdQuit : public PluginHarness {
protected:
    void SetUp() override {
        PluginHarness::SetUp();
        service = std::make_unique<testbed::SimulatedLcdService>();
    }
    void TearDown() override {
        g_displayOutput.store(nullptr);
        LscCleanup();
        g_lscConnectionCount = 0;
        service.reset();
        PluginHarness::TearDown();
    }
    // The service entries called since the mark, by name.
    std::vector<std::string> CallsSince(size_t mark) const {
        std::vector<std::string> names;
        auto calls = service->Calls();
        for (size_t i = mark; i < calls.size(); ++i)
            names.push_back(testbed::LcdEntryName(calls[i].entry));
        return names;
    }
    std::unique_ptr<testbed::SimulatedLcdService> service;
};

TEST_F(LcdQuit, ClosesTheDisplaysOutputThenEndsTheClient) {
    ASSERT_TRUE(Init());
    ASSERT_TRUE(control::AdvanceClock(200));
    ASSERT_EQ(service->OpenDevices(), 1) << "the display thread's first update opens the LCD";
    size_t mark = service->Calls().size();
    ASSERT_TRUE(Quit());
    EXPECT_EQ(CallsSince(mark),
              (std::vector<std::string>{"close-device", "disconnect", "cleanup"}));
    EXPECT_EQ(g_lscConnectionCount, 0);
    EXPECT_EQ(GetModuleHandleA(testbed::SimulatedLcdService::ModuleFileName()), nullptr);
}

TEST_F(LcdQuit, ASecondInitInTheSameProcessShowsFramesAgain) {
    for (int round = 0; round < 2; ++round) {
        size_t frames = service->FrameCount();
        ASSERT_TRUE(Init());
        ASSERT_TRUE(control::AdvanceClock(300));
        EXPECT_GT(service->FrameCount(), frames) << "round " << round;
        ASSERT_TRUE(Quit());
    }
}

TEST_F(LcdQuit, WithoutAnOutputTheStartedClientIsStillEnded) {
    ASSERT_EQ(LscStartup(), 0u);
    ASSERT_TRUE(Init());
    size_t mark = service->Calls().size();
    ASSERT_TRUE(Quit());
    EXPECT_EQ(CallsSince(mark), std::vector<std::string>{"cleanup"});
    EXPECT_EQ(LscConnect(nullptr), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
}

TEST_F(LcdQuit, WithoutTheServiceNothingIsCalled) {
    service->SetRegistration(testbed::LcdRegistration::Missing);
    ASSERT_TRUE(Init());
    ASSERT_TRUE(control::AdvanceClock(300));
    ASSERT_TRUE(Quit());
    EXPECT_TRUE(service->Calls().empty()) << service->Calls().size() << " calls";
}

}  // namespace
