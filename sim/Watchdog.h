// A hang that the simulated clock cannot see. A thread of the plug-in blocked in a real system
// call (the player's thread opening a FIFO as its settings file) never comes to rest, and no
// simulated time-out fires while the world is busy; the driver would wait for ever. The
// watchdog counts real seconds, on a thread of its own, while the driver waits for the world,
// and calls onHang when the world has not once come to rest for limitSeconds of them.
//
// It counts its own ticks rather than comparing times, so that a process stopped for a while
// (Ctrl-Z) is not taken for a hang when it goes on.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace sim {

class Watchdog {
public:
    static constexpr int kLimitSeconds = 10;

    // onHang runs on the watchdog's thread and must not return.
    explicit Watchdog(std::function<void()> onHang, int limitSeconds = kLimitSeconds);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // The world came to rest.
    void Beat() { beats_.fetch_add(1, std::memory_order_relaxed); }

    // While one lives, the driver waits for the world, and real time without a beat counts.
    class Watch {
    public:
        explicit Watch(Watchdog& dog);
        ~Watch();
        Watch(const Watch&) = delete;
        Watch& operator=(const Watch&) = delete;

    private:
        Watchdog& dog_;
    };

private:
    void Run();
    bool Moved();

    std::function<void()> onHang_;
    int limitSeconds_;
    std::atomic<unsigned long long> beats_{0};
    std::atomic<int> watches_{0};
    unsigned long long lastMarks_ = 0;
    std::mutex mutex_;
    std::condition_variable stop_;
    bool stopping_ = false;
    std::thread thread_;
};

// The simulator's own writing (the log into a pipe whose reader has not caught up) keeps the
// world from coming to rest too, but is no hang of the plug-in: while one lives, on any thread,
// the watchdog counts no time.
class OwnWork {
public:
    OwnWork();
    ~OwnWork();
    OwnWork(const OwnWork&) = delete;
    OwnWork& operator=(const OwnWork&) = delete;
};

}  // namespace sim
