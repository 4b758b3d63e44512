// Faults inside calls into the player's code end the call, not the process. Built for the
// host (signals) and for Windows under Wine (a vectored exception handler).
#include <windows.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <string>

#include "player/FaultGuard.h"

namespace {

// Read at run time so that the compiler cannot see the faults coming.
volatile uintptr_t g_badAddress = 16;
volatile int g_zero = 0;

int ReadBadAddress() {
    return *reinterpret_cast<const volatile char*>(g_badAddress);
}

void Reads(void* result) {
    *static_cast<int*>(result) = ReadBadAddress();
}
// The division by zero is the point: the undefined-behaviour checker must let the processor
// raise it.
__attribute__((no_sanitize("undefined"))) void Divides(void* result) {
    *static_cast<int*>(result) = 100 / g_zero;
}
void Returns(void* result) {
    *static_cast<int*>(result) = 42;
}

TEST(FaultGuard, ABodyThatReturnsCompletesWithItsContext) {
    int result = 0;
    EXPECT_TRUE(RunFaultGuarded(Returns, &result));
    EXPECT_EQ(result, 42);
}

TEST(FaultGuard, ABadReadOrADivisionByZeroEndsOnlyTheCall) {
    int result = 7;
    EXPECT_FALSE(RunFaultGuarded(Reads, &result)) << "a read from an unmapped page";
    EXPECT_EQ(result, 7) << "the faulting store never happened";
    EXPECT_FALSE(RunFaultGuarded(Divides, &result)) << "an integer division by zero";
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(RunFaultGuarded(Reads, &result)) << "again, call " << i;
    EXPECT_TRUE(RunFaultGuarded(Returns, &result)) << "the guard still works after faults";
    EXPECT_EQ(result, 42);
}

#ifndef _WIN32
// A fault left blocked would end the process at the next one, outside any guard or in.
TEST(FaultGuard, AFaultLeavesTheSignalMaskAsItWas) {
    sigset_t before, after;
    sigemptyset(&before);
    sigaddset(&before, SIGUSR1);
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &before, nullptr), 0);
    pthread_sigmask(SIG_SETMASK, nullptr, &before);
    int result = 0;
    EXPECT_FALSE(RunFaultGuarded(Reads, &result));
    EXPECT_FALSE(RunFaultGuarded(Divides, &result));
    pthread_sigmask(SIG_SETMASK, nullptr, &after);
    for (int signal : {SIGSEGV, SIGFPE, SIGBUS, SIGILL, SIGUSR1})
        EXPECT_EQ(sigismember(&after, signal), sigismember(&before, signal)) << "signal " << signal;
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, SIGUSR1);
    pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
}
#endif

void FaultsInsideAnInnerGuard(void* innerCompleted) {
    int ignored;
    *static_cast<int*>(innerCompleted) = RunFaultGuarded(Reads, &ignored) ? 1 : 0;
}

TEST(FaultGuard, AnInnerGuardCatchesItsOwnFaultAndTheOuterCallCompletes) {
    int innerCompleted = -1;
    EXPECT_TRUE(RunFaultGuarded(FaultsInsideAnInnerGuard, &innerCompleted));
    EXPECT_EQ(innerCompleted, 0);
}

DWORD WINAPI GuardOnThisThread(LPVOID) {
    int result = 0;
    bool faulted = !RunFaultGuarded(Reads, &result);
    bool returned = RunFaultGuarded(Returns, &result);
    return faulted && returned && result == 42 ? 1 : 0;
}

TEST(FaultGuard, WorksOnAThreadOfItsOwn) {
    HANDLE thread = CreateThread(nullptr, 0, GuardOnThisThread, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    EXPECT_EQ(code, 1u) << "expected the fault caught and a later call completed";
}

// A player whose functions write down the order in which they were called.
std::string g_calls;
char g_data[150];
void __cdecl RecordingRequest(int wanted) {
    g_calls += "request(" + std::to_string(wanted) + ") ";
}
char* __cdecl RecordingData() {
    g_calls += "data ";
    return g_data;
}
void __cdecl FaultingRequest(int) {
    ReadBadAddress();
}
char* __cdecl FaultingData() {
    return reinterpret_cast<char*>(ReadBadAddress() + 1);
}
char* __cdecl BadPointerData() {
    return reinterpret_cast<char*>(static_cast<uintptr_t>(g_badAddress));
}
char* __cdecl NullData() {
    return nullptr;
}

TEST(FetchVisualData, AsksWithOneThenCopiesTheData) {
    for (int i = 0; i < 150; ++i)
        g_data[i] = static_cast<char>(i);
    g_calls.clear();
    char out[150] = {};
    ASSERT_TRUE(FetchVisualData(RecordingRequest, RecordingData, out, sizeof out));
    EXPECT_EQ(g_calls, "request(1) data ");
    EXPECT_EQ(std::memcmp(out, g_data, sizeof out), 0) << "the 150 bytes copied as they were";
}

TEST(FetchVisualData, FailsWithoutTouchingTheBufferWhenThePlayerFaultsOrHasNoData) {
    char out[150];
    std::memset(out, 'x', sizeof out);
    g_calls.clear();
    EXPECT_FALSE(FetchVisualData(FaultingRequest, RecordingData, out, sizeof out));
    EXPECT_EQ(g_calls, "") << "the data function is not called after the request faulted";
    EXPECT_FALSE(FetchVisualData(RecordingRequest, FaultingData, out, sizeof out));
    EXPECT_FALSE(FetchVisualData(RecordingRequest, BadPointerData, out, sizeof out))
        << "data that cannot be read";
    EXPECT_FALSE(FetchVisualData(RecordingRequest, NullData, out, sizeof out));
    EXPECT_FALSE(FetchVisualData(nullptr, RecordingData, out, sizeof out));
    EXPECT_FALSE(FetchVisualData(RecordingRequest, nullptr, out, sizeof out));
    for (char c : out)
        ASSERT_EQ(c, 'x') << "the buffer was written";
}

}  // namespace
