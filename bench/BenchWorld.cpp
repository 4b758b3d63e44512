#include "bench/BenchWorld.h"

#include <windows.h>

#include <time.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "display/Alerts.h"
#include "display/DisplayThread.h"
#include "display/ScreenState.h"
#include "hostwin/control/clock.h"
#include "lightreport/KeyboardHid.h"
#include "lcd/LCDOutput.h"
#include "lcdservice/LcdService.h"
#include "player/FaultGuard.h"
#include "player/Player.h"
#include "settings/Settings.h"
#include "testbed/SimulatedKeyboard.h"
#include "testbed/SimulatedLcdService.h"
#include "testbed/SoundCard.h"
#include "testbed/SimulatedPlayer.h"

namespace bench {
namespace {

constexpr uint32_t kStartTick = 1000000;
constexpr DWORD kPassMs = 50;

// One track far longer than any benchmark runs, with a title too wide for the LCD: every
// pass scrolls it, and no track change interrupts the steady state.
std::vector<testbed::Entry> Playlist() {
    return {{"Lisa Marquee - A Title Long Enough To Scroll Across The Little Screen", 360000},
            {"Velm Quartet - Morning on the Lake", 185},
            {"The Soft Buttons - Backlight Serenade", 242},
            {"Nine Volts - M1 M2 M3", 59},
            {"Tahoma Seven - Small Print", 131}};
}

BenchWorld* g_world = nullptr;

}  // namespace

struct BenchWorld::Parts {
    std::unique_ptr<testbed::SimulatedLcdService> service;
    std::unique_ptr<testbed::SoundCard> mixer;
    std::unique_ptr<testbed::SimulatedKeyboard> keyboard;
    std::unique_ptr<testbed::SimulatedPlayer> player;
};

BenchWorld& BenchWorld::Get() {
    if (!g_world)
        g_world = new BenchWorld;
    return *g_world;
}

void BenchWorld::TearDown() {
    delete g_world;
    g_world = nullptr;
}

BenchWorld::BenchWorld() : parts_(new Parts) {
    control::UseManualClock(kStartTick);
    parts_->service = std::make_unique<testbed::SimulatedLcdService>();
    parts_->mixer = std::make_unique<testbed::SoundCard>(true);
    parts_->keyboard = std::make_unique<testbed::SimulatedKeyboard>();
    parts_->player = std::make_unique<testbed::SimulatedPlayer>(Playlist());
    SetPlayerWindow(parts_->player->Window());
    // The settings as a fresh install has them; no settings file is read or written.
    g_keyboardFound.store(FindKeyboard());
    if (g_keyboardFound.load())
        SaveLightState();
    g_screenState.FixPageNumbers();
    StartDisplay();
}

BenchWorld::~BenchWorld() {
    EndDisplay();
    if (CLCDOutput* output = g_displayOutput.load())
        output->Shutdown();
    LscCleanup();
    ReleaseDisplay();
    ReleaseFaultGuard();
    CloseKeyboard();
    SetPlayerWindow(nullptr);
    parts_->player.reset();
    parts_->keyboard.reset();
    parts_->mixer.reset();
    parts_->service.reset();
    delete parts_;
    control::UseRealClock();
}

void BenchWorld::Show(int screen) {
    g_settings[kSettingLeaveVolume].store(0);
    g_settings[kSettingLeavePlaylist].store(0);
    g_settings[kSettingLeaveSettings].store(0);
    const DisplayObjects* objects = g_screenState.displayObjects.load();
    if (!objects)
        std::abort();
    ShowScreen(*objects->lcd, screen);
}

void BenchWorld::NextTick() {
    if (!control::AdvanceClock(kPassMs))
        std::abort();
}

void BenchWorld::Pass() {
    RunDisplayPass();
}

double BenchWorld::PassOnPlayerThread() {
    double seconds = 0;
    parts_->player->CallOnPlayerThread([&seconds] {
        timespec start, end;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
        RunDisplayPass();
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
        seconds = static_cast<double>(end.tv_sec - start.tv_sec) +
                  static_cast<double>(end.tv_nsec - start.tv_nsec) * 1e-9;
    });
    if (!control::WaitIdle() || parts_->player->CallsPending())
        std::abort();
    return seconds;
}

void BenchWorld::SetTitle(const char* title) {
    parts_->player->SetCurrentTitle(title);
}

void BenchWorld::WarmUp(int passes) {
    for (int i = 0; i < passes; ++i) {
        NextTick();
        Pass();
    }
}

}  // namespace bench
