#include "sim/EndSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "sim/Log.h"

namespace sim {
namespace {

constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
// How long a crashed thread waits for the log before the crash goes on regardless (the log's
// lock held by the thread that crashed).
constexpr int kCrashWaitMs = 5000;

// What the handlers ask of the thread that writes the log.
struct Request {
    enum What : int { kWriteOnly, kEndBySignal, kExit } what;
    int value;  // the signal, or the exit status
};

struct sigaction g_previous[NSIG];
std::atomic<int> g_requests{-1};    // the pipe's end to write to, once the thread runs
std::atomic<bool> g_ending{false};  // a request was made: there is no second one
std::atomic<bool> g_written{false};

bool Ask(Request request) {
    int fd = g_requests.load();
    if (fd < 0 || g_ending.exchange(true))
        return false;
    return write(fd, &request, sizeof request) == static_cast<ssize_t>(sizeof request);
}

// The handler there was before comes back, and the signal comes again once this one returns.
void AsBefore(int signal) {
    sigaction(signal, &g_previous[signal], nullptr);
    raise(signal);
}

void OnEndSignal(int signal) {
    if (!Ask({Request::kEndBySignal, signal}))
        AsBefore(signal);  // asked twice, or the thread is gone: at once
}

// The crashed thread cannot go on, so it waits here for the log; then the fault comes again
// (a fault as the instruction runs again, a sent signal as raised again), as it was before.
void OnCrash(int signal, siginfo_t* info, void*) {
    Ask({Request::kWriteOnly, signal});
    for (int waited = 0; !g_written.load() && waited < kCrashWaitMs; ++waited) {
        timespec millisecond{0, 1000000};
        nanosleep(&millisecond, nullptr);
    }
    sigaction(signal, &g_previous[signal], nullptr);
    if (info->si_code <= 0)
        raise(signal);
}

void Serve(int fd) {
    Request request;
    for (;;) {
        ssize_t n = read(fd, &request, sizeof request);
        if (n == static_cast<ssize_t>(sizeof request))
            break;
        if (n < 0 && errno == EINTR)
            continue;
        return;
    }
    FlushOpenLogs();
    g_written = true;
    if (request.what == Request::kExit)
        _exit(request.value);
    if (request.what == Request::kEndBySignal) {
        sigset_t only;
        sigemptyset(&only);
        sigaddset(&only, request.value);
        pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
        AsBefore(request.value);
        _exit(128 + request.value);  // a handler before that did not end the process
    }
}

void Install(int signal, const struct sigaction& action) {
    struct sigaction previous;
    if (sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
        return;
    g_previous[signal] = previous;
    sigaction(signal, &action, nullptr);
}

}  // namespace

void KeepLogOnSignals() {
    int fds[2];
    if (g_requests.load() >= 0 || pipe2(fds, O_CLOEXEC) != 0)
        return;
    std::thread([fd = fds[0]] { Serve(fd); }).detach();
    g_requests = fds[1];

    struct sigaction end {};
    end.sa_handler = OnEndSignal;
    end.sa_flags = SA_RESTART;  // the other threads go on as if nothing came, until the end
    sigemptyset(&end.sa_mask);
    for (int signal : kEndSignals)
        Install(signal, end);

    struct sigaction crash {};
    crash.sa_sigaction = OnCrash;
    crash.sa_flags = SA_SIGINFO;
    sigemptyset(&crash.sa_mask);
    for (int signal : kCrashSignals)
        Install(signal, crash);
}

bool ExitAfterLog(int status) {
    return Ask({Request::kExit, status});
}

}  // namespace sim
