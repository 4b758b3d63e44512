// One pass of the display thread on each screen, rendered and pushed to the testbed's LCD
// service: the now-playing screen with its title scrolling and the spectrum drawn in full,
// then each secondary screen. Between passes simulated time moves on by the pass's Sleep
// (outside the timing). The CPU column is the display thread's own time; the pass also waits
// for the player's thread to answer its messages, which the wall-clock column includes.
#include <benchmark/benchmark.h>

#include "bench/BenchWorld.h"
#include "bench/ThreadAllocations.h"
#include "display/ScreenState.h"

namespace {

constexpr int kWarmUpPasses = 400;  // 20 s: the title has started scrolling, alerts are over

void RunPasses(benchmark::State& state, int screen) {
    bench::BenchWorld& world = bench::BenchWorld::Get();
    world.Show(screen);
    world.WarmUp(kWarmUpPasses);
    size_t allocations = 0;
    for (auto _ : state) {
        state.PauseTiming();
        world.NextTick();
        size_t before = bench::ThreadAllocations();
        state.ResumeTiming();
        world.Pass();
        allocations += bench::ThreadAllocations() - before;
    }
    state.counters["allocs/pass"] =
        benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
}

void BM_NowPlayingPass(benchmark::State& state) {
    RunPasses(state, kNowPlayingScreen);
}
void BM_VolumePass(benchmark::State& state) {
    RunPasses(state, kVolumeScreen);
}
void BM_PlaylistPass(benchmark::State& state) {
    RunPasses(state, kPlaylistScreen);
}
void BM_SettingsPass(benchmark::State& state) {
    RunPasses(state, kSettingsScreen);
}

// The same pass without the thread switches of its messages to the player: what the plug-in
// and its drawing cost by themselves. The time is the pass's own CPU time on that thread.
void BM_NowPlayingPassOnPlayerThread(benchmark::State& state) {
    bench::BenchWorld& world = bench::BenchWorld::Get();
    world.Show(kNowPlayingScreen);
    world.WarmUp(kWarmUpPasses);
    for (auto _ : state) {
        world.NextTick();
        state.SetIterationTime(world.PassOnPlayerThread());
    }
}

}  // namespace

BENCHMARK(BM_NowPlayingPass)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NowPlayingPassOnPlayerThread)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_VolumePass)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlaylistPass)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SettingsPass)->Unit(benchmark::kMicrosecond);
