// The plug-in running in a desk with an LCD service and a sound card: soft buttons are tapped
// on the service, volumes turned on the mixer, and passes of the display thread counted in
// simulated time.
#pragma once

#include <fstream>
#include <memory>
#include <string>

#include "display/ScreenState.h"
#include "support/FreshlyLoaded.h"
#include "support/PluginHarness.h"
#include "testbed/SimulatedLcdService.h"
#include "testbed/SoundCard.h"

class DisplayHarness : public PluginHarness {
protected:
    static constexpr DWORD kPassMs = 50;

    void SetUp() override {
        PluginHarness::SetUp();
        ResetToFreshlyLoaded();
        service = std::make_unique<testbed::SimulatedLcdService>();
        mixer = std::make_unique<testbed::SoundCard>(true);
    }
    void TearDown() override {
        if (running)
            Quit();
        mixer.reset();
        service.reset();
        PluginHarness::TearDown();
    }
    // Lines for the settings file's "General" section, written before init.
    void WriteSettings(const std::string& lines) {
        std::ofstream(SettingsFile()) << "[General]\n" << lines << "\n";
    }
    void Start() {
        ASSERT_TRUE(Init());
        running = true;
        Run(100);  // the first frames reach the service
    }
    void Stop() {
        ASSERT_TRUE(Quit());
        running = false;
    }
    void Run(DWORD ms) { ASSERT_TRUE(control::AdvanceClock(ms)) << "the world hung"; }
    // Soft button n (1 to 4) goes down for one reading; the pass after that reading acts.
    void Tap(int n) {
        service->Tap(1u << (n - 1));
        Run(2 * kPassMs);
    }
    int Screen() const { return g_screenState.currentScreen.load(); }
    int Priority() const { return g_screenState.outputPriority.load(); }
    // The priority of the last frame the service was shown.
    DWORD FramePriority() const {
        testbed::LcdShownFrame frame;
        return service->LastFrame(frame) ? frame.priority : 0;
    }

    std::unique_ptr<testbed::SimulatedLcdService> service;
    std::unique_ptr<testbed::SoundCard> mixer;
    bool running = false;
};
