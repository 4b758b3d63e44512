#include "hostwin_private.h"

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

}  // namespace

Scheduler::Scheduler() : idleTimeout_(kIdleTimeout) {}

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

std::shared_ptr<ThreadRec> Scheduler::FindThread(DWORD id) {
    for (auto& t : threads_)
        if (t->id == id)
            return t;
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
        MarkBlocked(self);
        self.wakeAt = deadline;
        if (manual_ || deadline == kNever) {
            self.cv.wait(lk);
        } else {
            auto until = std::chrono::steady_clock::time_point(std::chrono::milliseconds(deadline));
            self.cv.wait_until(lk, until);
        }
    }
}

void Scheduler::WakeAll() {
    for (auto& t : threads_) {
        if (t->blocked) {
            MarkRunnable(*t);
            t->cv.notify_all();
        }
    }
}

void Scheduler::Wake(ThreadRec& thread) {
    if (!thread.blocked)
        return;
    MarkRunnable(thread);
    thread.cv.notify_all();
}

void Scheduler::RunSentItems(std::unique_lock<std::mutex>& lk, ThreadRec& self) {
    while (!self.sent.empty()) {
        SentItem* item = self.sent.pop_front();
        lk.unlock();
        LRESULT result = item->run();
        lk.lock();
        item->result = result;
        item->done = true;
        if (item->sender)
            Wake(*item->sender);
        else
            WakeAll();
    }
}

uint64_t Scheduler::NowLocked() const {
    return manual_ ? manualNow_ : SteadyMs();
}

uint64_t Scheduler::DeadlineAfter(DWORD ms) const {
    return ms == INFINITE ? kNever : NowLocked() + ms;
}

void Scheduler::SetManual(bool manual, uint64_t startMs) {
    manual_ = manual;
    manualNow_ = startMs;
    WakeAll();
}

void Scheduler::SetNow(uint64_t ms) {
    manualNow_ = ms;
    WakeAll();
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
