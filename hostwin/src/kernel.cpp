// Threads, waits, events, critical sections, the tick clock and the last error.
#include <windows.h>

#include <thread>

#include "hostwin_private.h"

using hostwin::KernelObject;
using hostwin::Scheduler;
using hostwin::ThreadRec;

namespace {

struct ThreadObject : KernelObject {
    std::shared_ptr<ThreadRec> rec;
    bool exited = false;
    DWORD exitCode = STILL_ACTIVE;
    bool Signaled() const override { return exited; }
};

struct EventObject : KernelObject {
    bool manualReset = false;
    bool state = false;
    bool Signaled() const override { return state; }
    void Acquire() override {
        if (!manualReset)
            state = false;
    }
};

struct CriticalSectionImpl {
    DWORD owner = 0;
    int depth = 0;
};

thread_local DWORD t_lastError = 0;

void RunThread(std::shared_ptr<ThreadObject> object, LPTHREAD_START_ROUTINE start, LPVOID param) {
    Scheduler& sched = Scheduler::Get();
    sched.Adopt(object->rec);
    DWORD code = start(param);
    // In one step: a waiter that finds the handle signalled finds the thread gone as well.
    std::lock_guard<std::mutex> lk(sched.mu);
    object->exitCode = code;
    object->exited = true;
    sched.RemoveThreadLocked(object->rec);
}

// Index of the first signalled handle, -1 if none, -2 if a handle is not a waitable object.
int FirstSignaled(DWORD count, const HANDLE* handles) {
    for (DWORD i = 0; i < count; ++i) {
        auto object = hostwin::LookupHandle(handles[i]);
        if (!object)
            return -2;
        if (object->Signaled())
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

namespace hostwin {

DWORD WaitForHandles(DWORD count, const HANDLE* handles, DWORD ms,
                     const std::function<bool(ThreadRec&)>& extra) {
    Scheduler& sched = Scheduler::Get();
    auto self = sched.Current();
    std::unique_lock<std::mutex> lk(sched.mu);
    if (FirstSignaled(count, handles) == -2) {
        t_lastError = ERROR_INVALID_HANDLE;
        return WAIT_FAILED;
    }
    int which = -1;
    bool extraHeld = false;
    bool ok = sched.WaitUntil(
        lk, *self,
        [&] {
            which = FirstSignaled(count, handles);
            if (which >= 0)
                return true;
            extraHeld = extra && extra(*self);
            return extraHeld || which == -2;
        },
        sched.DeadlineAfter(ms));
    if (!ok)
        return WAIT_TIMEOUT;
    if (which == -2) {
        t_lastError = ERROR_INVALID_HANDLE;
        return WAIT_FAILED;
    }
    if (which >= 0) {
        hostwin::LookupHandle(handles[which])->Acquire();
        return WAIT_OBJECT_0 + which;
    }
    return WAIT_OBJECT_0 + count;
}

}  // namespace hostwin

extern "C" {

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start,
                           LPVOID param, DWORD flags, LPDWORD threadId) {
    if (!start || (flags & CREATE_SUSPENDED)) {
        t_lastError = ERROR_INVALID_PARAMETER;
        return NULL;
    }
    Scheduler& sched = Scheduler::Get();
    auto object = std::make_shared<ThreadObject>();
    HANDLE handle;
    {
        std::lock_guard<std::mutex> lk(sched.mu);
        object->rec = sched.AddCountedThread();
        handle = hostwin::AddHandle(object);
    }
    if (threadId)
        *threadId = object->rec->id;
    std::thread(RunThread, object, start, param).detach();
    return handle;
}

DWORD WINAPI GetCurrentThreadId(void) {
    return Scheduler::Get().Current()->id;
}

BOOL WINAPI GetExitCodeThread(HANDLE thread, LPDWORD code) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    auto object = hostwin::LookupHandleAs<ThreadObject>(thread);
    if (!object || !code) {
        t_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    *code = object->exitCode;
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD ms) {
    return hostwin::WaitForHandles(1, &handle, ms, nullptr);
}

DWORD WINAPI WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms) {
    if (waitAll || count == 0 || !handles) {
        t_lastError = ERROR_INVALID_PARAMETER;
        return WAIT_FAILED;
    }
    return hostwin::WaitForHandles(count, handles, ms, nullptr);
}

void WINAPI Sleep(DWORD ms) {
    if (ms == 0)
        return;
    hostwin::WaitForHandles(0, nullptr, ms, nullptr);
}

BOOL WINAPI CloseHandle(HANDLE handle) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    if (hostwin::RemoveHandle(handle))
        return TRUE;
    t_lastError = ERROR_INVALID_HANDLE;
    return FALSE;
}

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR) {
    auto event = std::make_shared<EventObject>();
    event->manualReset = manualReset;
    event->state = initialState;
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    return hostwin::AddHandle(event);
}

static BOOL SetEventState(HANDLE handle, bool state) {
    Scheduler& sched = Scheduler::Get();
    std::lock_guard<std::mutex> lk(sched.mu);
    auto event = hostwin::LookupHandleAs<EventObject>(handle);
    if (!event) {
        t_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    event->state = state;
    if (state)
        sched.WakeAll();
    return TRUE;
}

BOOL WINAPI SetEvent(HANDLE handle) {
    return SetEventState(handle, true);
}
BOOL WINAPI ResetEvent(HANDLE handle) {
    return SetEventState(handle, false);
}

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION cs) {
    cs->impl = new CriticalSectionImpl;
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION cs) {
    delete static_cast<CriticalSectionImpl*>(cs->impl);
    cs->impl = nullptr;
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION cs) {
    Scheduler& sched = Scheduler::Get();
    auto self = sched.Current();
    auto* impl = static_cast<CriticalSectionImpl*>(cs->impl);
    std::unique_lock<std::mutex> lk(sched.mu);
    sched.WaitUntil(
        lk, *self, [&] { return impl->owner == 0 || impl->owner == self->id; }, hostwin::kNever);
    impl->owner = self->id;
    ++impl->depth;
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION cs) {
    Scheduler& sched = Scheduler::Get();
    auto* impl = static_cast<CriticalSectionImpl*>(cs->impl);
    std::lock_guard<std::mutex> lk(sched.mu);
    if (impl->depth > 0 && --impl->depth == 0) {
        impl->owner = 0;
        sched.WakeAll();
    }
}

DWORD WINAPI GetTickCount(void) {
    return static_cast<DWORD>(Scheduler::Get().Now());
}

DWORD WINAPI GetLastError(void) {
    return t_lastError;
}
void WINAPI SetLastError(DWORD code) {
    t_lastError = code;
}

LONG WINAPI InterlockedIncrement(LONG volatile* addend) {
    return __atomic_add_fetch(addend, 1, __ATOMIC_SEQ_CST);
}

LONG WINAPI InterlockedDecrement(LONG volatile* addend) {
    return __atomic_sub_fetch(addend, 1, __ATOMIC_SEQ_CST);
}

}  // extern "C"
