// The keyboard hook as the system calls it for every key on the desktop: a key it passes on
// (an ordinary letter, and a media key while the now-playing screen is shown) and a key it
// acts on (volume up and down moving the settings highlight).
#include <windows.h>

#include <benchmark/benchmark.h>

#include "bench/BenchWorld.h"
#include "display/ScreenState.h"
#include "player/Player.h"
#include "plugin/KeyboardHook.h"

namespace {

LRESULT Deliver(DWORD vk, WPARAM message) {
    KBDLLHOOKSTRUCT event = {};
    event.vkCode = vk;
    return KeyboardHookProc(HC_ACTION, message, reinterpret_cast<LPARAM>(&event));
}

void BM_HookPassesLetter(benchmark::State& state) {
    bench::BenchWorld::Get().Show(kNowPlayingScreen);
    for (auto _ : state)
        benchmark::DoNotOptimize(Deliver('A', WM_KEYDOWN));
}

void BM_HookPassesMediaKeyOnMainScreen(benchmark::State& state) {
    bench::BenchWorld::Get().Show(kNowPlayingScreen);
    for (auto _ : state)
        benchmark::DoNotOptimize(Deliver(VK_VOLUME_UP, WM_KEYDOWN));
}

void BM_HookMovesSettingsHighlight(benchmark::State& state) {
    bench::BenchWorld::Get().Show(kSettingsScreen);
    bool up = true;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Deliver(up ? VK_VOLUME_UP : VK_VOLUME_DOWN, WM_KEYDOWN));
        up = !up;
    }
}

}  // namespace

BENCHMARK(BM_HookPassesLetter);
BENCHMARK(BM_HookPassesMediaKeyOnMainScreen);
BENCHMARK(BM_HookMovesSettingsHighlight);

namespace {
// For scale: one question to the player, answered on its own thread, as every pass asks several.
void BM_PlayerRoundTrip(benchmark::State& state) {
    // A run of the clock first: it settles whether the threads watch for each other before they
    // sleep, as every other benchmark here has by the time this one runs in the whole table, but
    // not when it runs alone.
    bench::BenchWorld::Get().NextTick();
    for (auto _ : state)
        benchmark::DoNotOptimize(PlayerGetVolume());
}
}  // namespace
BENCHMARK(BM_PlayerRoundTrip)->Unit(benchmark::kMicrosecond);
