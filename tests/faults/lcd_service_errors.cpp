// The LCD service answering every error code it has, and some it should never give, on every
// entry: the plug-in never crashes or hangs, keeps its keys, lights and screens, and shows its
// frames again once the service answers properly. Only a failed start of the service keeps
// the LCD dark until the plug-in is started again.
#include <windows.h>

#include <cstdint>

#include "support/FaultHarness.h"
#include "lcdservice/LcdService.h"

namespace {

const DWORD kCodes[] = {
    ERROR_NO_MORE_ITEMS,       ERROR_SERVICE_NOT_ACTIVE, ERROR_DEVICE_NOT_CONNECTED,
    ERROR_ALREADY_INITIALIZED, RPC_S_SERVER_UNAVAILABLE, ERROR_ACCESS_DENIED,
    ERROR_INVALID_HANDLE,      ERROR_INVALID_PARAMETER,  0xFFFFFFFF};

using LcdServiceErrors = FaultHarness;

std::string Case(int entry, DWORD code) {
    return std::string(testbed::LcdEntryName(entry)) + " answering " + std::to_string(code);
}

// Every device-level entry, each code for a while: a failed frame makes the output close and
// disconnect, so that the connecting entries and the closing ones are all called as well.
TEST_F(LcdServiceErrors, EveryCodeOnEveryEntryWhileRunningAndTheFramesComeBack) {
    Start();
    keyboard->ClearReports();
    for (int entry = testbed::kLcdConnect; entry <= testbed::kLcdShowFrame; ++entry) {
        for (DWORD code : kCodes) {
            SCOPED_TRACE(Case(entry, code));
            service->FailAlways(entry, code);
            service->FailNext(testbed::kLcdShowFrame, RPC_S_SERVER_UNAVAILABLE);
            Run(300);
            EXPECT_FALSE(control::InjectKey(VK_LCONTROL, true)) << "a Ctrl key is passed on";
            EXPECT_EQ(g_screenState.leftCtrlHeld.load(), 1) << "the hook still runs and notes Ctrl";
            EXPECT_FALSE(control::InjectKey(VK_LCONTROL, false));
            EXPECT_EQ(g_screenState.leftCtrlHeld.load(), 0) << "and its release";
            ExpectInvariants("while failing");
            service->ClearFailures();
            // A close or disconnect that failed left the service holding what the plug-in
            // gave up; a restart of the service clears it.
            if (entry == testbed::kLcdCloseDevice || entry == testbed::kLcdDisconnect)
                service->Restart();
            size_t frames = service->FrameCount();
            Run(300);
            EXPECT_GT(service->FrameCount(), frames) << "frames again once the service answers";
            EXPECT_EQ(service->OpenDevices(), 1) << "one device open, none leaked";
            EXPECT_EQ(service->OpenConnections(), 1) << "one connection, none leaked";
        }
    }
    EXPECT_FALSE(keyboard->Writes().empty()) << "the lights went on all along";
    ExpectStillWorking("every code on every entry");
    Stop();
    EXPECT_EQ(service->OpenConnections(), 0);
    EXPECT_FALSE(service->Initialised()) << "quit gave the service back";
}

// A service that fails to start keeps the LCD dark for this start of the plug-in (its output
// does not try again), but nothing else suffers, and the next start finds it.
TEST_F(LcdServiceErrors, AFailedStartKeepsTheLcdDarkUntilTheNextStart) {
    for (DWORD code : kCodes) {
        SCOPED_TRACE(Case(testbed::kLcdStartup, code));
        service->FailNext(testbed::kLcdStartup, code);
        size_t frames = service->FrameCount();
        Start();
        ExpectStillWorking("a failed start", false);
        EXPECT_EQ(service->FrameCount(), frames) << "no frame";
        Stop();
        EXPECT_EQ(GetModuleHandleA(testbed::SimulatedLcdService::ModuleFileName()), nullptr)
            << "the service module was unloaded";
        EXPECT_EQ(g_lscConnectionCount, 0);
        Start();
        Run(100);
        EXPECT_GT(service->FrameCount(), frames) << "the next start shows frames";
        Stop();
    }
}

// A failing clean-up still unloads the service, so that the next start loads it afresh.
TEST_F(LcdServiceErrors, AFailedCleanupStillUnloadsTheService) {
    for (DWORD code : kCodes) {
        SCOPED_TRACE(Case(testbed::kLcdCleanup, code));
        Start();
        service->FailNext(testbed::kLcdCleanup, code);
        Stop();
        EXPECT_EQ(GetModuleHandleA(testbed::SimulatedLcdService::ModuleFileName()), nullptr);
        EXPECT_EQ(g_lscConnectionCount, 0);
    }
    size_t frames = service->FrameCount();
    Start();
    Run(100);
    EXPECT_GT(service->FrameCount(), frames);
}

// The keyboard unplugged and plugged in again between any two calls: the frames come back.
TEST_F(LcdServiceErrors, TheKeyboardComingAndGoingAtEveryMoment) {
    Start();
    for (int delay = 0; delay < 120; delay += 10) {
        SCOPED_TRACE("unplugged after " + std::to_string(delay) + " ms");
        Run(delay + 1);
        service->Unplug();
        Run(200);
        service->Plug();
        size_t frames = service->FrameCount();
        Run(200);
        EXPECT_GT(service->FrameCount(), frames);
        EXPECT_EQ(service->OpenDevices(), 1);
    }
    ExpectStillWorking("the keyboard's comings and goings");
}

}  // namespace
