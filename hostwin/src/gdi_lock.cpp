// The GDI lock's slow paths: sleeping on it, and giving it to, or taking it back from, the
// thread that takes it most (see gdi.h).
#include <linux/membarrier.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "gdi.h"

namespace hostwin::gdi {
namespace {

// Registered once; false where the kernel has no expedited barriers (or forbids them).
bool BarriersAvailable() {
    static const bool available =
        syscall(__NR_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0) == 0;
    return available;
}

}  // namespace

void Lock::WaitAndTake() {
    // Marked as slept on before each sleep, so that whoever gives it back wakes a sleeper; a
    // thread taking it this way cannot tell whether others still sleep, so it keeps the mark.
    while (state_.exchange(kHeldWithSleepers, std::memory_order_acquire) != kFree)
        state_.wait(kHeldWithSleepers, std::memory_order_relaxed);
}

// Shared lock held. ThreadSanitizer cannot see the barrier that orders the favoured thread's
// plain stores, and took the favoured path for races (and, slowed by its reports, once timed
// out a test): under it nobody is favoured, and the lock is an ordinary one it can follow.
void Lock::Favour() {
#if defined(__SANITIZE_THREAD__)
    return;
#endif
    if (BarriersAvailable())
        favoured_.store(Self(), std::memory_order_relaxed);
}

// Shared lock held, and another thread favoured: after the barrier it either sees that it no
// longer is, or its mark shows it inside, and then it soon leaves.
void Lock::RevokeBias() {
    favoured_.store(nullptr, std::memory_order_relaxed);
    syscall(__NR_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0);
    while (favouredInside_.load(std::memory_order_acquire))
        sched_yield();
    lastTaker_ = nullptr;
    takenRunning_ = 0;
}

}  // namespace hostwin::gdi
