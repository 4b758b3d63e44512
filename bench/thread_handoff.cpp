// The least a question to another thread can cost on this machine: one thread wakes a second,
// sleeping thread and sleeps until that one wakes it back, with nothing in between but one
// futex call to wake and one to wait on each side. Every message the display thread sends to
// the player's thread pays at least this, whatever carries it, so the figure sets a floor
// under a pass that asks the player several things.
#include <benchmark/benchmark.h>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <thread>

namespace {

enum Turn : uint32_t { kAnswered, kAsked, kStop };

class Handoff {
public:
    void Set(Turn turn) {
        turn_.store(turn);
        syscall(SYS_futex, &turn_, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
    }
    // Sleeps while the turn is still `current`.
    Turn WaitWhile(Turn current) {
        uint32_t seen;
        while ((seen = turn_.load()) == current)
            syscall(SYS_futex, &turn_, FUTEX_WAIT_PRIVATE, current, nullptr, nullptr, 0);
        return static_cast<Turn>(seen);
    }

private:
    std::atomic<uint32_t> turn_{kAnswered};
};

void BM_ThreadHandoffFloor(benchmark::State& state) {
    Handoff handoff;
    std::thread answerer([&handoff] {
        while (handoff.WaitWhile(kAnswered) == kAsked)
            handoff.Set(kAnswered);
    });
    for (auto _ : state) {
        handoff.Set(kAsked);
        handoff.WaitWhile(kAsked);
    }
    handoff.Set(kStop);
    answerer.join();
}

}  // namespace

BENCHMARK(BM_ThreadHandoffFloor)->Unit(benchmark::kMicrosecond);
