// The plug-in on the desk with the keyboard's keys: key events go through the low-level hooks
// as the system delivers them, and what the hooks pass on reaches the simulated system (which
// steps the master volume with the volume keys). The player's messages are kept by name.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/DisplayHarness.h"
#include "support/FrameArt.h"
#include "testbed/SystemKeys.h"

class KeyHarness : public DisplayHarness {
protected:
    void SetUp() override {
        DisplayHarness::SetUp();
        systemKeys = std::make_unique<testbed::SystemKeys>(*mixer);
        player->SetMessageObserver([this](const testbed::PlayerMessage& m) {
            std::lock_guard<std::mutex> lk(mu);
            messages.push_back(m);
        });
    }
    void TearDown() override {
        systemKeys.reset();
        DisplayHarness::TearDown();
    }

    // Down and up; returns whether the hooks swallowed the key-down.
    bool Press(DWORD vk) {
        bool swallowed = control::InjectKey(vk, true);
        EXPECT_FALSE(control::InjectKey(vk, false)) << "the key-up of " << vk << " was swallowed";
        return swallowed;
    }
    void PressTimes(DWORD vk, int times) {
        for (int i = 0; i < times; ++i)
            Press(vk);
    }
    void Ctrl(DWORD vk, bool down) {
        EXPECT_FALSE(control::InjectKey(vk, down)) << "a Ctrl key was swallowed";
    }

    // The arguments of every message of that name the player got, in order.
    std::vector<long long> Sent(const std::string& name) {
        std::lock_guard<std::mutex> lk(mu);
        std::vector<long long> arguments;
        for (const auto& m : messages)
            if (m.name == name)
                arguments.push_back(m.wparam);
        return arguments;
    }
    void ForgetMessages() {
        std::lock_guard<std::mutex> lk(mu);
        messages.clear();
    }

    frameart::Art LastFrame() {
        testbed::LcdShownFrame frame;
        bool shown = service->LastFrame(frame);
        EXPECT_TRUE(shown) << "no frame reached the LCD";
        return shown ? frameart::FromPixels(frame.pixels.data(), 160, 43, 160) : frameart::Art();
    }

    std::unique_ptr<testbed::SystemKeys> systemKeys;
    std::mutex mu;
    std::vector<testbed::PlayerMessage> messages;
};
