// A test world with the testbed's LCD service installed where the plug-in looks for it, and
// the product's service client linked into the test. Every test leaves the client ended and
// the service module unloaded.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "lcdservice/LcdService.h"
#include "testbed/SimulatedLcdService.h"

class LcdWorld : public ::testing::Test {
protected:
    void SetUp() override { service = std::make_unique<testbed::SimulatedLcdService>(); }
    void TearDown() override {
        LscCleanup();
        EXPECT_EQ(g_lscConnectionCount, 0) << "an output kept its share of the client";
        g_lscConnectionCount = 0;
        EXPECT_FALSE(ModuleLoaded()) << "the service module stayed loaded";
        service.reset();
    }
    static bool ModuleLoaded() {
        return GetModuleHandleA(testbed::SimulatedLcdService::ModuleFileName()) != nullptr;
    }
    std::unique_ptr<testbed::SimulatedLcdService> service;
};
