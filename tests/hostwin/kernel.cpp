// What Windows does with threads, waits, events and the small kernel helpers the product uses.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>

namespace {

DWORD WINAPI ReturnParam(LPVOID param) {
    return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(param));
}

DWORD WINAPI WaitForEventThenReturn(LPVOID event) {
    WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
    return 7;
}

TEST(Threads, HandleIsSignalledWithTheExitCodeOnceTheThreadReturns) {
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, ReturnParam, reinterpret_cast<LPVOID>(42), 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(Threads, RunningThreadReportsStillActiveAndTimesOut) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, WaitForEventThenReturn, event, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 20), static_cast<DWORD>(WAIT_TIMEOUT));
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
    SetEvent(event);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, 7u);
    CloseHandle(thread);
    CloseHandle(event);
}

TEST(Threads, ClosingTheHandleLeavesTheThreadRunning) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    struct Args {
        HANDLE go, done;
    } args{event, done};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID p) WINAPI -> DWORD {
            auto* a = static_cast<Args*>(p);
            WaitForSingleObject(a->go, INFINITE);
            SetEvent(a->done);
            return 0;
        },
        &args, 0, nullptr);
    EXPECT_TRUE(CloseHandle(thread));
    SetEvent(event);
    EXPECT_EQ(WaitForSingleObject(done, 5000), WAIT_OBJECT_0);
    CloseHandle(event);
    CloseHandle(done);
}

TEST(Handles, ClosingOrWaitingOnAClosedHandleFails) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_TRUE(CloseHandle(event));
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(event));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
}

TEST(Events, AutoResetEventReleasesOneWait) {
    HANDLE event = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(event);
}

TEST(Events, ManualResetEventStaysSignalledUntilReset) {
    HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    ResetEvent(event);
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(event);
}

// The tick count moves in steps of up to about 16 ms on Windows, so the measure is loose.
TEST(Time, SleepLetsTheTickCountAdvance) {
    DWORD before = GetTickCount();
    Sleep(100);
    DWORD passed = GetTickCount() - before;
    EXPECT_GE(passed, 80u) << "Sleep(100) returned after " << passed << " ms";
}

TEST(CriticalSections, ExcludeOtherThreadsAndNestOnTheOwner) {
    static CRITICAL_SECTION lock;
    static int counter;
    counter = 0;
    InitializeCriticalSection(&lock);
    EnterCriticalSection(&lock);
    EnterCriticalSection(&lock);  // the owner may enter again
    LeaveCriticalSection(&lock);
    LeaveCriticalSection(&lock);
    auto work = [](LPVOID) WINAPI -> DWORD {
        for (int i = 0; i < 2000; ++i) {
            EnterCriticalSection(&lock);
            int seen = counter;
            counter = seen + 1;
            LeaveCriticalSection(&lock);
        }
        return 0;
    };
    HANDLE threads[2] = {CreateThread(nullptr, 0, work, nullptr, 0, nullptr),
                         CreateThread(nullptr, 0, work, nullptr, 0, nullptr)};
    for (HANDLE t : threads) {
        EXPECT_EQ(WaitForSingleObject(t, 10000), WAIT_OBJECT_0);
        CloseHandle(t);
    }
    EXPECT_EQ(counter, 4000);
    DeleteCriticalSection(&lock);
}

TEST(Interlocked, IncrementAndDecrementReturnTheNewValue) {
    volatile LONG value = 0;
    EXPECT_EQ(InterlockedIncrement(&value), 1);
    EXPECT_EQ(InterlockedIncrement(&value), 2);
    EXPECT_EQ(InterlockedDecrement(&value), 1);
    EXPECT_EQ(InterlockedDecrement(&value), 0);
    EXPECT_EQ(InterlockedDecrement(&value), -1);
}

TEST(MulDiv, RoundsToNearestWithHalvesAwayFromZero) {
    EXPECT_EQ(MulDiv(7, 96, 72), 9);    // 9.33
    EXPECT_EQ(MulDiv(8, 96, 72), 11);   // 10.67
    EXPECT_EQ(MulDiv(10, 96, 72), 13);  // 13.33
    EXPECT_EQ(MulDiv(12, 96, 72), 16);
    EXPECT_EQ(MulDiv(3, 1, 2), 2);    // 1.5
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);  // -1.5
    EXPECT_EQ(MulDiv(5, 7, 0), -1);
    EXPECT_EQ(MulDiv(0x7fffffff, 4, 1), -1);  // overflow
}

TEST(Strings, LstrcmpAIsZeroExactlyForEqualStrings) {
    EXPECT_EQ(lstrcmpA(" - Winamp", " - Winamp"), 0);
    EXPECT_NE(lstrcmpA(" - Winamp", " - WINAMP"), 0);
    EXPECT_NE(lstrcmpA(" - Winamp", " - Winamp "), 0);
    EXPECT_NE(lstrcmpA("abc", "abd"), 0);
    EXPECT_LT(lstrcmpA("abc", "abd"), 0);
    EXPECT_GT(lstrcmpA("b", "A"), 0);  // case-insensitive order first
    EXPECT_EQ(lstrlenA("Winamp"), 6);
}

TEST(Modules, MissingLibraryAndExportFailCleanly) {
    EXPECT_EQ(LoadLibraryA("no_such_module_velm.dll"), nullptr);
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(path[n], '\0');
    EXPECT_NE(strchr(path, '\\'), nullptr) << "module paths use backslashes: " << path;
}

// A cut name returns the buffer size. Whether the last byte is then a terminator differs
// (Vista and later write one, Wine and XP do not), so callers must go by the returned length;
// the stand-in writes one.
TEST(Modules, ModuleFileNameThatDoesNotFitReturnsTheBufferSize) {
    char whole[MAX_PATH];
    DWORD full = GetModuleFileNameA(nullptr, whole, sizeof whole);
    ASSERT_GT(full, 8u);
    char path[8];
    memset(path, 'x', sizeof path);
    EXPECT_EQ(GetModuleFileNameA(nullptr, path, sizeof path), sizeof path);
    EXPECT_EQ(memcmp(path, whole, 7), 0);
}

}  // namespace
