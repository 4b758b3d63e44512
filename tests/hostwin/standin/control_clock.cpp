// The hand-driven clock: sleepers wake in time order, and advancing returns only when the
// world is quiet again, so runs repeat exactly.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "hostwin/control/clock.h"

namespace {

struct Sleeper {
    const char* name;
    DWORD interval;
    int rounds;
    std::vector<std::string>* trace;
};

DWORD WINAPI SleepAndTrace(LPVOID p) {
    auto* s = static_cast<Sleeper*>(p);
    for (int i = 0; i < s->rounds; ++i) {
        Sleep(s->interval);
        s->trace->push_back(std::string(s->name) + "@" + std::to_string(GetTickCount()));
    }
    return 0;
}

class ManualClock : public ::testing::Test {
protected:
    void SetUp() override { control::UseManualClock(1000); }
    void TearDown() override {
        EXPECT_EQ(control::LiveThreadCount(), 0) << "a test left a thread running";
        control::UseRealClock();
    }
};

DWORD WINAPI ReturnAtOnce(LPVOID) {
    return 0;
}

// A waiter that finds a thread's handle signalled must find the thread gone from the count too:
// tests check that nothing outlived what they stopped, and a thread that had returned but was
// still counted failed them now and then. The window is short: each round comes to the wait a
// little later than the one before, across the thread's whole short life.
TEST_F(ManualClock, AThreadWhoseHandleIsSignalledIsNoLongerCounted) {
    for (int round = 0; round < 1000; ++round) {
        HANDLE thread = CreateThread(nullptr, 0, ReturnAtOnce, nullptr, 0, nullptr);
        ASSERT_NE(thread, nullptr);
        auto late = std::chrono::steady_clock::now() + std::chrono::nanoseconds(round * 100);
        while (std::chrono::steady_clock::now() < late) {
        }
        ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
        ASSERT_EQ(control::LiveThreadCount(), 0) << "in round " << round;
        CloseHandle(thread);
    }
}

TEST_F(ManualClock, TickCountStandsStillUntilAdvanced) {
    EXPECT_EQ(GetTickCount(), 1000u);
    EXPECT_EQ(GetTickCount(), 1000u);
    ASSERT_TRUE(control::AdvanceClock(250));
    EXPECT_EQ(GetTickCount(), 1250u);
}

TEST_F(ManualClock, SleepersWakeInTimeOrderAtTheirDueTimes) {
    std::vector<std::string> trace;
    Sleeper fast{"fast", 30, 4, &trace};
    Sleeper slow{"slow", 50, 2, &trace};
    HANDLE a = CreateThread(nullptr, 0, SleepAndTrace, &fast, 0, nullptr);
    HANDLE b = CreateThread(nullptr, 0, SleepAndTrace, &slow, 0, nullptr);
    ASSERT_TRUE(control::AdvanceClock(200));
    std::vector<std::string> expected = {"fast@1030", "slow@1050", "fast@1060",
                                         "fast@1090", "slow@1100", "fast@1120"};
    EXPECT_EQ(trace, expected);
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_OBJECT_0);
    CloseHandle(a);
    CloseHandle(b);
}

// The thread that comes to rest last moves the clock on, so the callback runs on the sleepers'
// threads and, once they have ended, on the driver's: at every due time and at the end, each
// time with the world at rest (the trace is shared without a lock of its own).
TEST_F(ManualClock, TheWorldRestsAtEveryDueTimeWhicheverThreadMovesTheClock) {
    std::vector<std::string> trace;
    Sleeper fast{"fast", 30, 4, &trace};
    Sleeper slow{"slow", 50, 2, &trace};
    HANDLE a = CreateThread(nullptr, 0, SleepAndTrace, &fast, 0, nullptr);
    HANDLE b = CreateThread(nullptr, 0, SleepAndTrace, &slow, 0, nullptr);
    ASSERT_TRUE(control::AdvanceClock(
        200, [&] { trace.push_back("rest@" + std::to_string(GetTickCount())); }));
    std::vector<std::string> expected = {
        "rest@1000", "fast@1030", "rest@1030", "slow@1050", "rest@1050", "fast@1060", "rest@1060",
        "fast@1090", "rest@1090", "slow@1100", "rest@1100", "fast@1120", "rest@1120", "rest@1200"};
    EXPECT_EQ(trace, expected);
    EXPECT_EQ(GetTickCount(), 1200u);
    CloseHandle(a);
    CloseHandle(b);
}

// A thread busy outside every wait never lets the world rest: advancing gives up once the idle
// time-out passes without a step, instead of waiting for ever, and moves on once it rests.
TEST_F(ManualClock, AThreadThatNeverRestsFailsTheAdvanceAndTheClockMovesOnOnceItRests) {
    std::atomic<bool> release{false};
    auto busyThenSleep = [](LPVOID p) -> DWORD {
        auto* released = static_cast<std::atomic<bool>*>(p);
        while (!released->load()) {
        }
        Sleep(10);
        return 0;
    };
    HANDLE t = CreateThread(nullptr, 0, busyThenSleep, &release, 0, nullptr);
    uint32_t before = control::SetIdleTimeout(200);
    EXPECT_FALSE(control::AdvanceClock(100));
    EXPECT_EQ(GetTickCount(), 1000u);
    release = true;
    control::SetIdleTimeout(before);
    ASSERT_TRUE(control::AdvanceClock(100));
    EXPECT_EQ(GetTickCount(), 1100u);
    EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_OBJECT_0);
    CloseHandle(t);
}

TEST_F(ManualClock, NothingHappensBeforeTheDueTime) {
    std::vector<std::string> trace;
    Sleeper one{"one", 100, 1, &trace};
    HANDLE t = CreateThread(nullptr, 0, SleepAndTrace, &one, 0, nullptr);
    ASSERT_TRUE(control::AdvanceClock(99));
    EXPECT_TRUE(trace.empty());
    EXPECT_EQ(WaitForSingleObject(t, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ASSERT_TRUE(control::AdvanceClock(1));
    ASSERT_EQ(trace.size(), 1u);
    EXPECT_EQ(trace[0], "one@1100");
    CloseHandle(t);
}

TEST_F(ManualClock, TimedWaitsTimeOutOnTheSimulatedClock) {
    static HANDLE event;
    static DWORD result;
    event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE t = CreateThread(
        nullptr, 0, [](LPVOID) -> DWORD { return result = WaitForSingleObject(event, 500); },
        nullptr, 0, nullptr);
    ASSERT_TRUE(control::AdvanceClock(499));
    EXPECT_EQ(WaitForSingleObject(t, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ASSERT_TRUE(control::AdvanceClock(1));
    EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_OBJECT_0);
    EXPECT_EQ(result, static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(t);
    CloseHandle(event);
}

TEST_F(ManualClock, TickCountWrapsAroundAndSleepsStillEnd) {
    control::UseManualClock(0xFFFFFFF0u);
    std::vector<std::string> trace;
    Sleeper one{"one", 32, 1, &trace};
    HANDLE t = CreateThread(nullptr, 0, SleepAndTrace, &one, 0, nullptr);
    ASSERT_TRUE(control::AdvanceClock(40));
    ASSERT_EQ(trace.size(), 1u);
    EXPECT_EQ(trace[0], "one@16");
    EXPECT_EQ(GetTickCount(), 24u);
    EXPECT_EQ(GetTickCount() - 0xFFFFFFF0u, 40u) << "unsigned differences survive the wrap";
    CloseHandle(t);
}

TEST_F(ManualClock, AdvanceUntilStopsAtTheFirstQuietMomentThePredicateHolds) {
    std::vector<std::string> trace;
    Sleeper ticker{"tick", 50, 10, &trace};
    HANDLE t = CreateThread(nullptr, 0, SleepAndTrace, &ticker, 0, nullptr);
    EXPECT_TRUE(control::AdvanceUntil([&] { return trace.size() == 3; }, 10000));
    EXPECT_EQ(GetTickCount(), 1150u);
    EXPECT_FALSE(control::AdvanceUntil([] { return false; }, 120));
    EXPECT_EQ(trace.size(), 5u) << "due wake-ups within the limit still run";
    ASSERT_TRUE(control::AdvanceClock(1000));
    CloseHandle(t);
}

}  // namespace
