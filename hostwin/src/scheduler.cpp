#include "hostwin_private.h"

#include <pthread.h>
#include <sched.h>

#include <chrono>
#include <cstdio>

namespace hostwin {
namespace {

// Removes an adopted or lazily made record when its thread ends.
struct CurrentSlot {
    std::shared_ptr<ThreadRec> rec;
    ~CurrentSlot() {
        if (rec && !rec->counted)
            Scheduler::Get().RemoveThread(rec);
    }
};
thread_local CurrentSlot t_current;

uint64_t SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// How long the driver waits for the simulated world to become quiet before it reports a hang.
constexpr auto kIdleTimeout = std::chrono::seconds(30);

// How long a thread about to sleep on the hand-driven clock first watches for its wake-up, so
// that a question and its answer pass between two processors without either thread going to
// sleep: waking a sleeping thread costs tens of microseconds, more on a virtual machine. Most
// waits of a display pass end within that; a longer watch rarely pays, and on a machine busy
// with other work, where the waker may itself be waiting for a processor, it only keeps one
// from it. Nor does the watcher yield: a yield hands the processor to the other work for a
// whole time slice, and a loaded machine ran the desk many times slower for it.
constexpr auto kSpin = std::chrono::microseconds(50);

bool SeveralProcessors() {
    cpu_set_t set;
    return sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 1;
}

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

}  // namespace

// The lock is held only for short bookkeeping, and every question from one thread to another
// passes it twice on each side: a waiter that spins a little before it sleeps in the kernel
// saves two system calls at each meeting, which on a virtual machine cost more than the work.
Scheduler::Scheduler() : idleTimeout_(kIdleTimeout) {
    pthread_mutexattr_t adaptive;
    pthread_mutexattr_init(&adaptive);
    pthread_mutexattr_settype(&adaptive, PTHREAD_MUTEX_ADAPTIVE_NP);
    pthread_mutex_init(mu.native_handle(), &adaptive);
    pthread_mutexattr_destroy(&adaptive);
}

Scheduler& Scheduler::Get() {
    // Never destroyed: threads may still block in it while the process exits.
    static Scheduler* instance = new Scheduler;
    return *instance;
}

std::shared_ptr<ThreadRec> Scheduler::Current() {
    if (!t_current.rec) {
        auto rec = std::make_shared<ThreadRec>();
        std::lock_guard<std::mutex> lk(mu);
        rec->id = nextThreadId_;
        nextThreadId_ += 4;
        threads_.push_back(rec);
        t_current.rec = rec;
    }
    return t_current.rec;
}

ThreadRec* Scheduler::FindThread(DWORD id) {
    for (auto& t : threads_)
        if (t->id == id)
            return t.get();
    return nullptr;
}

std::shared_ptr<ThreadRec> Scheduler::AddCountedThread() {
    auto rec = std::make_shared<ThreadRec>();
    rec->counted = true;
    rec->id = nextThreadId_;
    nextThreadId_ += 4;
    threads_.push_back(rec);
    ++runnable_;
    return rec;
}

void Scheduler::Adopt(const std::shared_ptr<ThreadRec>& rec) {
    t_current.rec = rec;
}

void Scheduler::RemoveThread(const std::shared_ptr<ThreadRec>& rec) {
    std::lock_guard<std::mutex> lk(mu);
    RemoveThreadLocked(rec);
}

void Scheduler::RemoveThreadLocked(const std::shared_ptr<ThreadRec>& rec) {
    for (auto it = threads_.begin(); it != threads_.end(); ++it) {
        if (*it == rec) {
            threads_.erase(it);
            break;
        }
    }
    // Whoever still waits for an answer from this thread gets 0, as from a window that is gone.
    while (!rec->sent.empty())
        rec->sent.pop_front()->done = true;
    if (rec->counted) {
        if (rec->blocked) {
            rec->blocked = false;
        } else if (--runnable_ == 0) {
            idleCv_.notify_all();
            driveCv_.notify_all();  // the world came to rest with no thread left to step it
        }
    }
    WakeAll();
}

void Scheduler::MarkBlocked(ThreadRec& self) {
    if (self.blocked)
        return;
    self.blocked = true;
    if (self.counted && --runnable_ == 0)
        idleCv_.notify_all();
}

void Scheduler::MarkRunnable(ThreadRec& self) {
    if (!self.blocked)
        return;
    self.blocked = false;
    self.wakeAt = kNever;
    self.waitingFor = nullptr;
    self.wakeCount.fetch_add(1, std::memory_order_release);
    if (self.counted)
        ++runnable_;
}

bool Scheduler::WaitUntil(std::unique_lock<std::mutex>& lk, ThreadRec& self,
                          const std::function<bool()>& pred, uint64_t deadline) {
    for (;;) {
        if (pred()) {
            MarkRunnable(self);
            return true;
        }
        if (deadline != kNever && NowLocked() >= deadline) {
            MarkRunnable(self);
            return false;
        }
        self.wakeAt = deadline;
        self.waitingFor = &pred;
        MarkBlocked(self);
        if (self.counted && runnable_ == 0)
            StepWhileAtRest(lk);
        if (self.blocked)
            Sleep(lk, self, deadline);
    }
}

void Scheduler::Sleep(std::unique_lock<std::mutex>& lk, ThreadRec& self, uint64_t deadline) {
    if (spin_ && manual_) {
        uint32_t seen = self.wakeCount.load(std::memory_order_relaxed);
        lk.unlock();
        auto start = std::chrono::steady_clock::now();
        bool woken = false;
        for (auto now = start; !woken && now - start < kSpin;
             now = std::chrono::steady_clock::now()) {
            for (int i = 0; i < 64 && !woken; ++i) {
                CpuRelax();
                woken = self.wakeCount.load(std::memory_order_acquire) != seen;
            }
        }
        lk.lock();
        if (!self.blocked)
            return;
    }
    if (manual_ || deadline == kNever) {
        self.cv.wait(lk);
    } else {
        auto until = std::chrono::steady_clock::time_point(std::chrono::milliseconds(deadline));
        self.cv.wait_until(lk, until);
    }
}

void Scheduler::WakeThread(ThreadRec& thread) {
    MarkRunnable(thread);
    thread.cv.notify_all();
}

void Scheduler::WakeAll() {
    for (auto& t : threads_)
        if (t->blocked && (!t->waitingFor || (*t->waitingFor)()))
            WakeThread(*t);
}

void Scheduler::Wake(ThreadRec& thread) {
    if (thread.blocked)
        WakeThread(thread);
}

void Scheduler::WakeDue() {
    for (auto& t : threads_)
        if (t->blocked && t->wakeAt != kNever && t->wakeAt <= manualNow_)
            WakeThread(*t);
}

void Scheduler::RunSentItems(std::unique_lock<std::mutex>& lk, ThreadRec& self) {
    while (!self.sent.empty()) {
        SentItem* item = self.sent.pop_front();
        SentItem* outer = self.replying;
        self.replying = item;
        // The item lives on the sender's stack, which an early reply lets go: what runs is moved
        // here first.
        std::function<LRESULT()> run = std::move(item->run);
        lk.unlock();
        LRESULT result = run();
        lk.lock();
        if (self.replying == item)
            Answer(*item, result);
        self.replying = outer;
    }
}

bool Scheduler::ReplyEarly(ThreadRec& self, LRESULT result) {
    if (!self.replying)
        return false;
    Answer(*self.replying, result);
    self.replying = nullptr;
    return true;
}

void Scheduler::Answer(SentItem& item, LRESULT result) {
    item.result = result;
    item.done = true;
    if (item.sender)
        Wake(*item.sender);
    else
        WakeAll();
}

uint64_t Scheduler::NowLocked() const {
    return manual_.load(std::memory_order_relaxed) ? manualNow_.load(std::memory_order_relaxed)
                                                   : SteadyMs();
}

uint64_t Scheduler::Now() const {
    return manual_.load(std::memory_order_acquire) ? manualNow_.load(std::memory_order_acquire)
                                                   : SteadyMs();
}

uint64_t Scheduler::DeadlineAfter(DWORD ms) const {
    return ms == INFINITE ? kNever : NowLocked() + ms;
}

void Scheduler::SetManual(bool manual, uint64_t startMs) {
    manualNow_ = startMs;  // first, so that Now() never finds the hand-driven clock at an old time
    manual_ = manual;
    // Every timed wait now follows the other clock: each waiter looks at its deadline again.
    for (auto& t : threads_)
        if (t->blocked)
            WakeThread(*t);
}

void Scheduler::SetNow(uint64_t ms) {
    manualNow_ = ms;
    WakeDue();
}

bool Scheduler::WaitIdle(std::unique_lock<std::mutex>& lk) {
    auto idle = [this] { return runnable_ == 0; };
    if (idleTimeout_.count() == 0) {
        idleCv_.wait(lk, idle);
        return true;
    }
    if (idleCv_.wait_for(lk, idleTimeout_, idle))
        return true;
    std::fprintf(stderr, "hostwin: %d thread(s) still busy after %lld s of real time\n", runnable_,
                 static_cast<long long>(
                     std::chrono::duration_cast<std::chrono::seconds>(idleTimeout_).count()));
    return false;
}

bool Scheduler::Drive(std::unique_lock<std::mutex>& lk, uint64_t target,
                      const std::function<void()>* atRest) {
    // Asked at every run of the clock: a caller may have tied the process to one processor.
    spin_ = SeveralProcessors();
    drive_ = DriveState{};
    drive_.active = true;
    drive_.target = target;
    drive_.atRest = atRest;
    while (!drive_.done) {
        if (runnable_ == 0 && !drive_.stepping) {
            StepWhileAtRest(lk);
            continue;
        }
        uint64_t seen = drive_.steps;
        if (idleTimeout_.count() == 0) {
            driveCv_.wait(lk);
        } else if (driveCv_.wait_for(lk, idleTimeout_) == std::cv_status::timeout &&
                   drive_.steps == seen && !drive_.done && runnable_ > 0) {
            std::fprintf(
                stderr, "hostwin: %d thread(s) still busy after %lld s of real time\n", runnable_,
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::seconds>(idleTimeout_).count()));
            drive_.active = false;
            return false;
        }
    }
    drive_.active = false;
    return true;
}

bool Scheduler::MayStep() const {
    return drive_.active && !drive_.stepping && !drive_.done;
}

void Scheduler::StepWhileAtRest(std::unique_lock<std::mutex>& lk) {
    if (!MayStep())
        return;
    while (runnable_ == 0 && MayStep())
        Step(lk);
    if (drive_.done)
        driveCv_.notify_all();
}

void Scheduler::Step(std::unique_lock<std::mutex>& lk) {
    if (drive_.atRest) {
        drive_.stepping = true;
        lk.unlock();
        (*drive_.atRest)();
        lk.lock();
        drive_.stepping = false;
    }
    ++drive_.steps;
    if (drive_.finalRest) {
        drive_.done = true;
        return;
    }
    uint64_t next = NextDueLocked(drive_.target);
    if (next != kNever) {
        SetNow(next);
    } else if (NowLocked() == drive_.target) {
        drive_.done = true;
    } else {
        SetNow(drive_.target);
        drive_.finalRest = true;
    }
}

uint64_t Scheduler::NextDueLocked(uint64_t limit) const {
    uint64_t next = kNever;
    for (auto& t : threads_)
        if (t->blocked && t->wakeAt != kNever && t->wakeAt <= limit && t->wakeAt < next)
            next = t->wakeAt;
    return next;
}

int Scheduler::CountedThreadsLocked() const {
    int count = 0;
    for (auto& t : threads_)
        if (t->counted)
            ++count;
    return count;
}

}  // namespace hostwin
