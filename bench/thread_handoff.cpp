// The least a question to another thread can cost on this machine: one thread wakes a second,
// sleeping thread and sleeps until that one wakes it back, with nothing in between but one
// futex call to wake and one to wait on each side. Every message the display thread sends to
// the player's thread pays at least this, whatever carries it, so the figure sets a floor
// under a pass that asks the player several things. A watcher that spins instead of sleeping
// pays only for the cache line: the second figure.
#include <benchmark/benchmark.h>
#include <linux/futex.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <thread>

namespace {

enum Turn : uint32_t { kAnswered, kAsked, kStop };

inline void Relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

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

// The same exchange between two threads that never sleep, each watching one shared value: what
// remains is a cache line moving to the other processor and back. The virtual machine moves its
// processors about, and this figure moves with them (0.12 us at best, several times that at
// other hours), and with it every question to the player: read the passes and the simulated
// hour beside it.
void BM_CacheLineRoundTrip(benchmark::State& state) {
    // On one processor the pair would only take turns at the scheduler's pace.
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) != 0 || CPU_COUNT(&set) < 2) {
        state.SkipWithError("needs two processors");
        return;
    }
    alignas(64) std::atomic<uint32_t> turn{kAnswered};
    std::thread answerer([&turn] {
        for (;;) {
            uint32_t seen;
            while ((seen = turn.load(std::memory_order_acquire)) == kAnswered)
                Relax();
            if (seen == kStop)
                return;
            turn.store(kAnswered, std::memory_order_release);
        }
    });
    for (auto _ : state) {
        turn.store(kAsked, std::memory_order_release);
        while (turn.load(std::memory_order_acquire) == kAsked)
            Relax();
    }
    turn.store(kStop, std::memory_order_release);
    answerer.join();
}

}  // namespace

BENCHMARK(BM_ThreadHandoffFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CacheLineRoundTrip)->Unit(benchmark::kMicrosecond);
