// A thousand starts and stops in one process, with the LCD service there and not there, and
// quit arriving at every moment of a pass, the display thread often blocked in a message to
// the player's thread that quit itself is running on: nothing is left behind and nothing
// deadlocks.
#include <windows.h>

#include <signal.h>

#include <cstring>
#include <memory>
#include <sstream>

#include "hostwin/control/census.h"
#include "hostwin/control/gdi.h"
#include "hostwin/control/hid.h"
#include "hostwin/control/mixer_devices.h"
#include "lcdservice/LcdService.h"
#include "support/HeapBytes.h"
#include "support/PluginHarness.h"
#include "testbed/SimulatedKeyboard.h"
#include "testbed/SimulatedLcdService.h"
#include "testbed/SoundCard.h"

namespace {

// Everything a start of the plug-in makes that a stop must give back.
struct Census {
    size_t gdiObjects = control::GdiObjectCount();
    size_t kernelHandles = control::KernelHandleCount();
    size_t windows = control::WindowCount();
    size_t hooks = control::HookCount();
    int threads = control::LiveThreadCount();
    size_t openMixers = control::OpenMixers().size();
    LONG lcdClients = g_lscConnectionCount;
    bool lcdModuleLoaded =
        GetModuleHandleA(testbed::SimulatedLcdService::ModuleFileName()) != nullptr;
    // Whatever handles a fault when the plug-in is not running: the default action, or the
    // handler a sanitizer put there.
    void* faultHandler = [] {
        struct sigaction action = {};
        sigaction(SIGSEGV, nullptr, &action);
        if (action.sa_flags & SA_SIGINFO)
            return reinterpret_cast<void*>(action.sa_sigaction);
        return reinterpret_cast<void*>(action.sa_handler);
    }();

    std::string Text() const {
        std::ostringstream text;
        text << gdiObjects << " GDI objects, " << kernelHandles << " kernel handles, " << windows
             << " windows, " << hooks << " hooks, " << threads << " threads, " << openMixers
             << " open mixers, " << lcdClients << " LCD clients, LCD module "
             << (lcdModuleLoaded ? "loaded" : "not loaded") << ", fault handler " << faultHandler;
        return text.str();
    }
};

class Cycles : public PluginHarness {
protected:
    void SetUp() override {
        PluginHarness::SetUp();
        service = std::make_unique<testbed::SimulatedLcdService>();
        mixer = std::make_unique<testbed::SoundCard>(true);
        keyboard = std::make_unique<testbed::SimulatedKeyboard>();
    }
    void TearDown() override {
        keyboard.reset();
        mixer.reset();
        service.reset();
        PluginHarness::TearDown();
    }
    // Quit on the player's thread after it has been busy for busyMs, so that the pass due in
    // that time finds the player's thread occupied and blocks in its message to it.
    bool QuitAfterBusy(DWORD busyMs) {
        return CallOnPlayerThread([this, busyMs] {
            Sleep(busyMs);
            quitting = true;
            g_plugin.quit();
            quitting = false;
        });
    }
    // Messages of the display thread that the player's thread answered while inside quit:
    // each one was sent while quit waited for the thread.
    void CountMessagesAnsweredInQuit() {
        player->SetMessageObserver([this](const testbed::PlayerMessage&) {
            if (quitting)
                ++answeredInQuit;
        });
    }
    bool quitting = false;  // both used on the player's thread only
    int answeredInQuit = 0;
    std::unique_ptr<testbed::SimulatedLcdService> service;
    std::unique_ptr<testbed::SoundCard> mixer;
    std::unique_ptr<testbed::SimulatedKeyboard> keyboard;
};

TEST_F(Cycles, AThousandStartsAndStopsLeaveNothingBehindAndNeverDeadlock) {
    Census beforeAnyStart;
    // One round first: fonts, glyphs and the stand-in's tables are kept once made, and the
    // service's ring of its last 256 frames fills.
    ASSERT_TRUE(Init());
    ASSERT_TRUE(control::AdvanceClock(15000));
    ASSERT_TRUE(Quit());
    Census before;
    size_t heapBefore = LiveHeapBytes();
    EXPECT_EQ(before.faultHandler, beforeAnyStart.faultHandler)
        << "quit takes its fault handler away";

    CountMessagesAnsweredInQuit();
    int cyclesWithQuitAnswering = 0;
    for (int cycle = 0; cycle < 1000; ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        bool withService = cycle % 2 == 0;
        service->SetRegistration(withService ? testbed::LcdRegistration::Installed
                                             : testbed::LcdRegistration::Missing);
        ASSERT_TRUE(Init()) << "init did not return";
        ASSERT_TRUE(control::AdvanceClock(static_cast<uint32_t>(cycle % 7) * 23));
        int answeredBefore = answeredInQuit;
        ASSERT_TRUE(QuitAfterBusy(static_cast<DWORD>(cycle % 61)))
            << "quit did not return: it and the display thread waited for each other";
        if (answeredInQuit > answeredBefore)
            ++cyclesWithQuitAnswering;
        ASSERT_EQ(control::LiveThreadCount(), 1) << "the display thread outlived quit";
    }

    EXPECT_GT(cyclesWithQuitAnswering, 100)
        << "quit met a display thread blocked in a message to the player too seldom to tell";
    Census after;
    EXPECT_EQ(after.Text(), before.Text());
    EXPECT_EQ(keyboard->OpenHandles(), 0) << "a stop leaves the keyboard's interface open";
    size_t heapAfter = LiveHeapBytes();
    EXPECT_LT(heapAfter, heapBefore + 64 * 1024)
        << "the heap grew from " << heapBefore << " to " << heapAfter << " bytes";
}

}  // namespace
