#include "sim/Watchdog.h"

#include <chrono>

namespace sim {
namespace {

std::atomic<int> g_ownWork{0};
// Counts every start and end of own work, so that work done between two ticks counts too.
std::atomic<unsigned long long> g_ownWorkMarks{0};

}  // namespace

Watchdog::Watchdog(std::function<void()> onHang, int limitSeconds)
    : onHang_(std::move(onHang)), limitSeconds_(limitSeconds), thread_([this] { Run(); }) {}

Watchdog::~Watchdog() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    stop_.notify_all();
    thread_.join();
}

Watchdog::Watch::Watch(Watchdog& dog) : dog_(dog) {
    dog_.watches_.fetch_add(1, std::memory_order_relaxed);
}

Watchdog::Watch::~Watch() {
    dog_.watches_.fetch_sub(1, std::memory_order_relaxed);
}

// Whether anything moved since the last tick: a beat, the simulator's own work, or the driver
// not waiting for the world at all.
bool Watchdog::Moved() {
    unsigned long long marks =
        beats_.load(std::memory_order_relaxed) + g_ownWorkMarks.load(std::memory_order_relaxed);
    bool moved = marks != lastMarks_ || watches_.load(std::memory_order_relaxed) == 0 ||
                 g_ownWork.load(std::memory_order_relaxed) > 0;
    lastMarks_ = marks;
    return moved;
}

void Watchdog::Run() {
    int still = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_.wait_for(lock, std::chrono::seconds(1), [this] { return stopping_; })) {
        still = Moved() ? 0 : still + 1;
        if (still >= limitSeconds_)
            onHang_();
    }
}

OwnWork::OwnWork() {
    g_ownWork.fetch_add(1, std::memory_order_relaxed);
    g_ownWorkMarks.fetch_add(1, std::memory_order_relaxed);
}

OwnWork::~OwnWork() {
    g_ownWork.fetch_sub(1, std::memory_order_relaxed);
    g_ownWorkMarks.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace sim
