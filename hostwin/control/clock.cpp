#include "hostwin/control/clock.h"

#include "hostwin_private.h"

using hostwin::kNever;
using hostwin::Scheduler;

namespace control {

void UseManualClock(uint32_t startTick) {
    Scheduler& sched = Scheduler::Get();
    std::lock_guard<std::mutex> lk(sched.mu);
    sched.SetManual(true, startTick);
}

void UseRealClock() {
    Scheduler& sched = Scheduler::Get();
    std::lock_guard<std::mutex> lk(sched.mu);
    sched.SetManual(false, 0);
}

bool WaitIdle() {
    Scheduler& sched = Scheduler::Get();
    std::unique_lock<std::mutex> lk(sched.mu);
    return sched.WaitIdle(lk);
}

uint32_t SetIdleTimeout(uint32_t ms) {
    Scheduler& sched = Scheduler::Get();
    std::lock_guard<std::mutex> lk(sched.mu);
    return static_cast<uint32_t>(sched.SetIdleTimeout(std::chrono::milliseconds(ms)).count());
}

int LiveThreadCount() {
    Scheduler& sched = Scheduler::Get();
    std::lock_guard<std::mutex> lk(sched.mu);
    return sched.CountedThreadsLocked();
}

bool AdvanceClock(uint32_t ms) {
    return AdvanceClock(ms, nullptr);
}

bool AdvanceClock(uint32_t ms, const std::function<void()>& atRest) {
    Scheduler& sched = Scheduler::Get();
    std::unique_lock<std::mutex> lk(sched.mu);
    if (!sched.Manual())
        return false;
    return sched.Drive(lk, sched.NowLocked() + ms, atRest ? &atRest : nullptr);
}

bool AdvanceUntil(const std::function<bool()>& done, uint32_t maxMs) {
    Scheduler& sched = Scheduler::Get();
    std::unique_lock<std::mutex> lk(sched.mu);
    if (!sched.Manual())
        return false;
    uint64_t limit = sched.NowLocked() + maxMs;
    for (;;) {
        if (!sched.WaitIdle(lk))
            return false;
        lk.unlock();
        bool finished = done();
        lk.lock();
        if (finished)
            return true;
        uint64_t next = sched.NextDueLocked(limit);
        if (next == kNever)
            return false;
        sched.SetNow(next);
    }
}

}  // namespace control
