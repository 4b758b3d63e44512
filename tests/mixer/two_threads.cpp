// One mixer object used from two threads at once, as the display thread and the player's
// thread use it: neither call may fail, nor the object look not ready, because the other is
// in flight.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <atomic>

#include "hostwin/control/mixer_devices.h"
#include "mixer/NemboMixer.h"

namespace {

constexpr int kRounds = 20000;

struct Shared {
    CNemboMixer* mixer;
    std::atomic<int> failedReads{0};
    std::atomic<int> failedWrites{0};
};

DWORD WINAPI Reader(LPVOID param) {
    auto* shared = static_cast<Shared*>(param);
    for (int i = 0; i < kRounds; ++i)
        if (shared->mixer->GetValue() == 0)
            ++shared->failedReads;
    return 0;
}

// Never writes 0, so that a read of 0 can only mean a failed read.
DWORD WINAPI Writer(LPVOID param) {
    auto* shared = static_cast<Shared*>(param);
    for (int i = 0; i < kRounds; ++i)
        if (!shared->mixer->SetValue(1 + i % 65535))
            ++shared->failedWrites;
    return 0;
}

TEST(NemboMixerThreads, ReadsAndWritesFromTwoThreadsNeverFailOnEachOther) {
    control::SetMixerDevices({control::MixerDevice{
        "Card",
        {{{"Speakers", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 2, true, 40000},
          {{"Wave", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 2, true, 50000}}}}}});
    for (DWORD component : {kMixerMasterComponent, DWORD(MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT)}) {
        SCOPED_TRACE(component);
        CNemboMixer mixer(nullptr, component);
        ASSERT_EQ(mixer.ready.load(), 1);
        Shared shared{&mixer};
        HANDLE threads[] = {CreateThread(nullptr, 0, Reader, &shared, 0, nullptr),
                            CreateThread(nullptr, 0, Writer, &shared, 0, nullptr)};
        // Meanwhile this thread reads the ready field directly, as the display thread does.
        int seenNotReady = 0;
        while (WaitForMultipleObjects(2, threads, FALSE, 0) == WAIT_TIMEOUT)
            if (mixer.ready.load(std::memory_order_relaxed) != 1)
                ++seenNotReady;
        for (HANDLE thread : threads) {
            EXPECT_EQ(WaitForSingleObject(thread, 60000), WAIT_OBJECT_0);
            CloseHandle(thread);
        }
        EXPECT_EQ(shared.failedReads.load(), 0)
            << "expected every read of " << kRounds << " to succeed";
        EXPECT_EQ(shared.failedWrites.load(), 0)
            << "expected every write of " << kRounds << " to succeed";
        EXPECT_EQ(seenNotReady, 0) << "expected the ready field never 0 while calls were in flight";
        EXPECT_EQ(mixer.ready.load(), 1) << "expected the object still ready";
    }
    control::SetMixerDevices({});
}

}  // namespace
