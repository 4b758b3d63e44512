// The benchmarks, or with --callgrind-pass a single now-playing pass for callgrind to count:
// the world is set up and warmed up uncounted, then the collection is switched on for exactly
// one pass of this thread.
#include <benchmark/benchmark.h>
#include <valgrind/callgrind.h>

#include <cstring>

#include "bench/BenchWorld.h"
#include "display/ScreenState.h"

namespace {

int CountOnePass() {
    bench::BenchWorld& world = bench::BenchWorld::Get();
    world.Show(kNowPlayingScreen);
    world.WarmUp(400);
    world.NextTick();
    CALLGRIND_TOGGLE_COLLECT;
    world.Pass();
    CALLGRIND_TOGGLE_COLLECT;
    bench::BenchWorld::TearDown();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--callgrind-pass") == 0)
        return CountOnePass();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bench::BenchWorld::TearDown();
    return 0;
}
