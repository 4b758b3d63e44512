// The one platform-dependent module of the product: Windows resumes from a vectored exception
// handler, Linux (the host build) jumps out of a signal handler.
#include "player/FaultGuard.h"

#include <windows.h>

#include <atomic>
#include <cstring>

#ifdef _WIN32

namespace {

struct JumpPoint {
    void* frame[5];  // __builtin_setjmp's buffer
#ifndef _WIN64
    DWORD exceptionList;  // the thread's SEH chain head when the guard was armed
#endif
};

thread_local JumpPoint* t_armed = nullptr;
thread_local JumpPoint* t_resume = nullptr;

bool IsFault(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_IN_PAGE_ERROR:
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION:
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_DATATYPE_MISALIGNMENT:
        case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
            return true;
        default:
            return false;
    }
}

// Entered instead of the faulting instruction once the system has left its exception
// dispatch; from here a plain jump back to the armed frame is safe.
__attribute__((noinline, noreturn)) void ResumeAtJumpPoint() {
    JumpPoint* jump = t_resume;
    t_resume = nullptr;
#ifndef _WIN64
    // Frames of the player's code may have linked SEH records that are about to be abandoned.
    __asm__ volatile("movl %0, %%fs:0" : : "r"(jump->exceptionList) : "memory");
#endif
    __builtin_longjmp(jump->frame, 1);
}

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
    // The code first: every exception of every thread in the player passes here, and the
    // first touch of a thread-local on a thread may allocate.
    if (!IsFault(info->ExceptionRecord->ExceptionCode))
        return EXCEPTION_CONTINUE_SEARCH;
    JumpPoint* jump = t_armed;
    if (!jump)
        return EXCEPTION_CONTINUE_SEARCH;
    t_armed = nullptr;
    t_resume = jump;
    CONTEXT* context = info->ContextRecord;
    // A fresh, aligned stack top below the faulting frame, as if ResumeAtJumpPoint were called.
#ifdef _WIN64
    context->Rsp = ((context->Rsp - 256) & ~static_cast<DWORD64>(15)) - 8;
    context->Rip = reinterpret_cast<DWORD64>(&ResumeAtJumpPoint);
#else
    context->Esp = ((context->Esp - 256) & ~static_cast<DWORD>(15)) - 4;
    context->Eip = reinterpret_cast<DWORD>(&ResumeAtJumpPoint);
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

// Registered by the first guarded call and kept until the guard is released: registering
// takes a lock and a heap block, too much for every frame. It acts only for an armed thread.
std::atomic<PVOID> g_handler{nullptr};

void Install() {
    if (g_handler.load(std::memory_order_acquire))
        return;
    PVOID handler = AddVectoredExceptionHandler(1, OnException);
    PVOID expected = nullptr;
    if (handler && !g_handler.compare_exchange_strong(expected, handler))
        RemoveVectoredExceptionHandler(handler);  // another thread was first
}

}  // namespace

bool RunFaultGuarded(void (*body)(void*), void* context) {
    JumpPoint jump;
    JumpPoint* outer = t_armed;
#ifndef _WIN64
    __asm__ volatile("movl %%fs:0, %0" : "=r"(jump.exceptionList));
#endif
    Install();
    volatile bool completed = false;
    if (__builtin_setjmp(jump.frame) == 0) {
        t_armed = &jump;
        body(context);
        completed = true;
    }
    t_armed = outer;
    return completed;
}

void ReleaseFaultGuard() {
    if (PVOID handler = g_handler.exchange(nullptr))
        RemoveVectoredExceptionHandler(handler);
}

#else  // the host build

#include <pthread.h>
#include <setjmp.h>
#include <signal.h>
#include <ucontext.h>

namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE};
constexpr int kSignalCount = sizeof kFaultSignals / sizeof kFaultSignals[0];

thread_local sigjmp_buf* t_armed = nullptr;

// The handlers go in with the first guarded call and stay until the guard is released:
// changing them around every call would cost eight system calls a frame. They act only for an
// armed thread and hand every other fault on.
pthread_mutex_t g_installMutex = PTHREAD_MUTEX_INITIALIZER;
std::atomic<bool> g_installed{false};
struct sigaction g_previous[kSignalCount];

// Not ours: the fault goes to whoever handled it before, or ends the process as it would
// have without us.
void HandOn(int signal, siginfo_t* info, void* context) {
    for (int i = 0; i < kSignalCount; ++i) {
        if (kFaultSignals[i] != signal)
            continue;
        const struct sigaction& previous = g_previous[i];
        if ((previous.sa_flags & SA_SIGINFO) && previous.sa_sigaction) {
            previous.sa_sigaction(signal, info, context);
            return;
        }
        if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
            previous.sa_handler(signal);
            return;
        }
    }
    ::signal(signal, SIG_DFL);
}

void OnFault(int signal, siginfo_t* info, void* context) {
    if (sigjmp_buf* jump = t_armed) {
        t_armed = nullptr;
        // Leaving by the jump, the handler does not give back the signal mask of the code that
        // faulted, as a return would: it is given back here, rather than saved by every guarded
        // call (a system call each frame).
        if (context)
            pthread_sigmask(SIG_SETMASK, &static_cast<ucontext_t*>(context)->uc_sigmask, nullptr);
        siglongjmp(*jump, 1);
    }
    HandOn(signal, info, context);
}

void Install() {
    if (g_installed.load(std::memory_order_acquire))
        return;
    pthread_mutex_lock(&g_installMutex);
    if (!g_installed.load(std::memory_order_relaxed)) {
        struct sigaction action = {};
        action.sa_sigaction = OnFault;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        for (int i = 0; i < kSignalCount; ++i)
            sigaction(kFaultSignals[i], &action, &g_previous[i]);
        g_installed.store(true, std::memory_order_release);
    }
    pthread_mutex_unlock(&g_installMutex);
}

}  // namespace

// A handler that someone put in after ours stays theirs.
void ReleaseFaultGuard() {
    pthread_mutex_lock(&g_installMutex);
    if (g_installed.load(std::memory_order_relaxed)) {
        for (int i = 0; i < kSignalCount; ++i) {
            struct sigaction current = {};
            sigaction(kFaultSignals[i], nullptr, &current);
            if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == OnFault)
                sigaction(kFaultSignals[i], &g_previous[i], nullptr);
        }
        g_installed.store(false, std::memory_order_release);
    }
    pthread_mutex_unlock(&g_installMutex);
}

bool RunFaultGuarded(void (*body)(void*), void* context) {
    sigjmp_buf jump;
    sigjmp_buf* outer = t_armed;
    Install();
    volatile bool completed = false;
    if (sigsetjmp(jump, 0) == 0) {
        t_armed = &jump;
        body(context);
        completed = true;
    }
    t_armed = outer;
    return completed;
}

#endif

namespace {

struct VisualDataFetch {
    VisRequestFunction request;
    VisDataFunction data;
    char* out;
    int count;
    bool copied;
};

void FetchBody(void* context) {
    auto* fetch = static_cast<VisualDataFetch*>(context);
    fetch->request(1);
    const char* bytes = fetch->data();
    if (!bytes)
        return;
    std::memcpy(fetch->out, bytes, static_cast<size_t>(fetch->count));
    fetch->copied = true;
}

}  // namespace

bool FetchVisualData(VisRequestFunction request, VisDataFunction data, char* out, int count) {
    if (!request || !data || !out || count < 0)
        return false;
    VisualDataFetch fetch{request, data, out, count, false};
    return RunFaultGuarded(FetchBody, &fetch) && fetch.copied;
}
