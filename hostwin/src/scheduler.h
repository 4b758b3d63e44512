// The heart of the stand-in: every thread that blocks in a Win32 call is known here, so that
// a hand-driven clock can wake sleepers in time order and tell when the world is quiet again.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace hostwin {

constexpr uint64_t kNever = UINT64_MAX;

struct ThreadRec;

// A message sent to a thread (SendMessageA, a hook call): run on the receiving thread, which
// stores the result and wakes the sender. It lives on the sender's stack, since the sender
// waits until it is done; queued through its own link, so that sending allocates nothing.
struct SentItem {
    std::function<LRESULT()> run;
    LRESULT result = 0;
    bool done = false;
    SentItem* next = nullptr;
    ThreadRec* sender = nullptr;  // the one thread that waits for it
};

// The messages sent to one thread, oldest first. Changed under the scheduler's lock.
class SentQueue {
public:
    bool empty() const { return !head_; }
    // The same without the lock, for the thread that asks between pieces of its own work whether
    // a message waits (GetQueueStatus): taking the lock each time fought the sender for it.
    bool SeenEmpty() const { return !waiting_.load(std::memory_order_acquire); }
    void push_back(SentItem* item) {
        item->next = nullptr;
        (tail_ ? tail_->next : head_) = item;
        tail_ = item;
        waiting_.store(true, std::memory_order_release);
    }
    SentItem* pop_front() {
        SentItem* item = head_;
        head_ = item->next;
        if (!head_) {
            tail_ = nullptr;
            waiting_.store(false, std::memory_order_relaxed);
        }
        return item;
    }

private:
    SentItem* head_ = nullptr;
    SentItem* tail_ = nullptr;
    std::atomic<bool> waiting_{false};
};

// What a question and its answer touch lies in the record's first cache line, apart from the
// count of its shared pointer: the sender writes it and the receiver reads it back, and at each
// message the line crosses between the two processors once each way rather than several lines.
struct alignas(64) ThreadRec {
    DWORD id = 0;
    // Threads made by CreateThread count towards "busy"; other threads (a test's main thread,
    // the simulator's driver) only wait and are never waited for.
    bool counted = false;
    bool blocked = false;
    // Counts wake-ups, so that a thread spinning before it sleeps sees its own without the lock.
    std::atomic<uint32_t> wakeCount{0};
    uint64_t wakeAt = kNever;
    // While blocked: what it waits for, which a thread that changes the world may test for it
    // (under the lock), so that only the threads concerned are woken.
    const std::function<bool()>* waitingFor = nullptr;
    SentQueue sent;
    // The sent message being run, until it is answered (by ReplyMessage or by its return).
    SentItem* replying = nullptr;
    std::condition_variable cv;
    std::deque<MSG> posted;
    bool newPosted = false;
    bool quitPosted = false;
    int quitCode = 0;
};

class Scheduler {
public:
    static Scheduler& Get();

    // On a cache line of its own with the count of runnable threads, which every wait and wake
    // changes under it: the line then crosses between processors once with the lock, not twice.
    alignas(64) std::mutex mu;

private:
    int runnable_ = 0;

public:
    // The calling thread's record; threads not made by CreateThread get an uncounted one.
    std::shared_ptr<ThreadRec> Current();
    // Valid while the lock is held. A bare pointer: copying the shared one would make two
    // threads write its count at every message, and that line would cross between processors.
    ThreadRec* FindThread(DWORD id);

    // Thread bookkeeping for CreateThread.
    std::shared_ptr<ThreadRec> AddCountedThread();
    void Adopt(const std::shared_ptr<ThreadRec>& rec);  // on the new thread itself
    void RemoveThread(const std::shared_ptr<ThreadRec>& rec);
    void RemoveThreadLocked(const std::shared_ptr<ThreadRec>& rec);

    // Blocks the calling thread (lock held) until pred() holds or the tick-clock deadline
    // passes. Returns false on time-out.
    bool WaitUntil(std::unique_lock<std::mutex>& lk, ThreadRec& self,
                   const std::function<bool()>& pred, uint64_t deadline);
    // Something changed that a blocked thread may wait for: wakes those whose wait now holds.
    // Lock held.
    void WakeAll();
    // Something changed that only this thread waits for (a message sent to it, or the answer
    // to its own). Lock held.
    void Wake(ThreadRec& thread);

    // Runs every message sent to this thread; drops and retakes the lock around each.
    void RunSentItems(std::unique_lock<std::mutex>& lk, ThreadRec& self);
    // Answers the sent message this thread is running now, so that its sender goes on while the
    // procedure finishes; false when there is none or it was answered already. Lock held.
    bool ReplyEarly(ThreadRec& self, LRESULT result);

    // Clock, in milliseconds. Lock held for the Locked variants.
    uint64_t NowLocked() const;
    // The same without the lock, for a reader that only wants the time: the hand-driven clock
    // moves only while the desk's threads rest, so a thread that runs finds it standing still.
    uint64_t Now() const;
    uint64_t DeadlineAfter(DWORD ms) const;
    void SetManual(bool manual, uint64_t startMs);
    bool Manual() const { return manual_; }
    void SetNow(uint64_t ms);

    // Hand-driven clock.
    bool WaitIdle(std::unique_lock<std::mutex>& lk);
    // Moves the clock to target, from one due wake-up to the next, calling atRest (may be null)
    // whenever the world has come to rest on the way and at the end. Whichever thread comes
    // to rest last takes the next step itself, so that a thread whose own wake-up is next
    // never sleeps; atRest may thus run on any thread and must not wait for the simulated
    // world. False on a hang.
    bool Drive(std::unique_lock<std::mutex>& lk, uint64_t target,
               const std::function<void()>* atRest);
    // 0: WaitIdle waits for ever (its caller keeps a watchdog of its own). Returns the one
    // before. Lock held.
    std::chrono::milliseconds SetIdleTimeout(std::chrono::milliseconds timeout) {
        std::swap(idleTimeout_, timeout);
        return timeout;
    }
    uint64_t NextDueLocked(uint64_t limit) const;
    int CountedThreadsLocked() const;

private:
    // A run of the clock to a target, stepped by the driver or by the last thread to rest.
    struct DriveState {
        bool active = false;
        bool stepping = false;
        bool finalRest = false;  // the clock stands at the target: one rest more, then done
        bool done = false;
        uint64_t target = 0;
        uint64_t steps = 0;  // progress, for the driver's hang watch
        const std::function<void()>* atRest = nullptr;
    };

    Scheduler();
    void MarkBlocked(ThreadRec& self);
    void MarkRunnable(ThreadRec& self);
    void WakeThread(ThreadRec& thread);
    void WakeDue();
    void Answer(SentItem& item, LRESULT result);
    bool MayStep() const;
    void StepWhileAtRest(std::unique_lock<std::mutex>& lk);
    void Step(std::unique_lock<std::mutex>& lk);
    void Sleep(std::unique_lock<std::mutex>& lk, ThreadRec& self, uint64_t deadline);

    std::vector<std::shared_ptr<ThreadRec>> threads_;
    std::condition_variable idleCv_;
    std::condition_variable driveCv_;
    DriveState drive_;
    bool spin_ = false;  // more than one processor: a spin beats a sleep and a wake-up
    DWORD nextThreadId_ = 0x100;
    // Changed under the lock; atomic for Now().
    std::atomic<bool> manual_{false};
    std::atomic<uint64_t> manualNow_{0};
    std::chrono::milliseconds idleTimeout_;
};

}  // namespace hostwin
