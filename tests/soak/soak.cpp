// A day of random use at full speed: soft buttons, media and Ctrl keys, volumes turned here
// and elsewhere, tracks changed, paused and stopped, playlists of every size from none up,
// the screen saver, the LCD unplugged, its service failing and restarting, the player's data
// faulting. After every event the plug-in's state holds its invariants; the world never hangs;
// and the heap after the first simulated minute stays flat.
//
// Twenty passes a second for 24 simulated hours is 1.7 million passes. The plain build runs
// all of them; under a sanitizer, which makes every pass several times slower, the run covers
// the first hour (VELM_SOAK_MINUTES sets any length).
#include <windows.h>

#include <sched.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "hostwin/control/desktop.h"
#include "support/HeapBytes.h"
#include "support/PluginHarness.h"
#include "support/PluginInvariants.h"
#include "testbed/SimulatedKeyboard.h"
#include "testbed/SimulatedLcdService.h"
#include "testbed/SoundCard.h"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr long long kDefaultMinutes = 60;
#else
constexpr long long kDefaultMinutes = 24 * 60;
#endif

long long SoakMinutes() {
    const char* minutes = std::getenv("VELM_SOAK_MINUTES");
    return minutes ? std::atoll(minutes) : kDefaultMinutes;
}

const DWORD kServiceCodes[] = {ERROR_NO_MORE_ITEMS, ERROR_SERVICE_NOT_ACTIVE,
                               ERROR_DEVICE_NOT_CONNECTED, RPC_S_SERVER_UNAVAILABLE,
                               ERROR_INVALID_HANDLE};
const DWORD kKeys[] = {VK_VOLUME_UP, VK_VOLUME_DOWN, VK_MEDIA_PLAY_PAUSE, 'A'};

class Soak : public PluginHarness {
protected:
    void SetUp() override {
        // The desk's threads as batch threads, so that a thread woken does not take the
        // processor from its waker while the waker still holds the stand-in's lock. What runs,
        // and in what order, is the same: the clock is driven by hand.
        sched_param batch = {};
        sched_setscheduler(0, SCHED_BATCH, &batch);
        PluginHarness::SetUp();
        service = std::make_unique<testbed::SimulatedLcdService>();
        mixer = std::make_unique<testbed::SoundCard>(true);
        keyboard = std::make_unique<testbed::SimulatedKeyboard>();
    }
    void TearDown() override {
        testbed::SimulatedPlayer::SetVisualMode(testbed::VisualMode::Music);
        control::SetScreenSaverRunning(false);
        keyboard.reset();
        mixer.reset();
        service.reset();
        PluginHarness::TearDown();
        sched_param normal = {};
        sched_setscheduler(0, SCHED_OTHER, &normal);
    }

    int Pick(int count) { return static_cast<int>(random() % static_cast<unsigned>(count)); }

    // Titles come from a fixed set, as a player's do: what it keeps of them stays bounded.
    std::vector<testbed::Entry> RandomPlaylist() {
        static const int kSizes[] = {0, 1, 2, 3, 4, 5, 9, 40, 100, 250};
        int size = kSizes[Pick(10)];
        std::vector<testbed::Entry> entries;
        for (int i = 0; i < size; ++i) {
            int song = Pick(120);
            entries.push_back({"Song " + std::to_string(song) + " - Artist " +
                                   std::string(static_cast<size_t>(song % 60), 'x'),
                               Pick(400) - 20});
        }
        playlistLength = size;
        return entries;
    }

    // One random thing happening to the desk; returns its name for the failure messages.
    std::string RandomEvent() {
        switch (Pick(16)) {
            case 0:
            case 1: {
                int button = 1 + Pick(4);
                service->Tap(1u << (button - 1));
                return "soft button " + std::to_string(button);
            }
            case 2:
            case 3:
            case 4: {
                DWORD key = kKeys[Pick(4)];
                control::InjectKey(key, true);
                control::InjectKey(key, false);
                return "key " + std::to_string(key);
            }
            case 5: {
                DWORD key = Pick(2) ? VK_LCONTROL : VK_RCONTROL;
                bool down = Pick(2) != 0;
                control::InjectKey(key, down);
                return std::string("ctrl ") + (down ? "down" : "up");
            }
            case 6:
                player->SetVolume(Pick(256));
                return "player volume";
            case 7:
                mixer->SetVolume(
                    Pick(2) ? testbed::SoundCardLine::Wave : testbed::SoundCardLine::Master,
                    static_cast<DWORD>(Pick(65536)));
                return "mixer volume";
            case 8:
                if (playlistLength > 0)
                    player->PlayEntry(Pick(playlistLength));
                return "track change";
            case 9: {
                int what = Pick(3);
                if (what == 0)
                    player->SetPaused(true);
                else if (what == 1)
                    player->SetPaused(false);
                else
                    player->Stop();
                return "pause, resume or stop";
            }
            case 10:
                player->SetPlaylist(RandomPlaylist());
                return "playlist of " + std::to_string(playlistLength);
            case 11:
                saver = !saver;
                control::SetScreenSaverRunning(saver);
                return "screen saver";
            case 12:
                if (service->Plugged())
                    service->Unplug();
                else
                    service->Plug();
                return "LCD unplugged or plugged";
            case 13:
                service->FailNext(testbed::kLcdConnect + Pick(7), kServiceCodes[Pick(5)]);
                return "service error";
            case 14:
                service->Restart();
                return "service restart";
            default: {
                static const testbed::VisualMode kModes[] = {
                    testbed::VisualMode::Music, testbed::VisualMode::Music,
                    testbed::VisualMode::Silence, testbed::VisualMode::Loud,
                    testbed::VisualMode::Fault};
                testbed::SimulatedPlayer::SetVisualMode(kModes[Pick(5)]);
                return "visual data";
            }
        }
    }

    std::mt19937 random{20240601};
    int playlistLength = 5;
    bool saver = false;
    std::unique_ptr<testbed::SimulatedLcdService> service;
    std::unique_ptr<testbed::SoundCard> mixer;
    std::unique_ptr<testbed::SimulatedKeyboard> keyboard;
};

TEST_F(Soak, ADayOfRandomUseKeepsTheInvariantsAndTheHeapFlat) {
    const long long totalMs = SoakMinutes() * 60 * 1000;
    ASSERT_TRUE(Init());
    // The first minute settles what is made once: fonts, glyphs, the stand-in's tables, the
    // service's ring of its last frames.
    ASSERT_TRUE(control::AdvanceClock(60000));
    size_t heapAfterFirstMinute = LiveHeapBytes();
    int events = 0;
    for (long long now = 60000; now < totalMs; ++events) {
        std::string event = RandomEvent();
        // Mostly a few passes between events, sometimes a long quiet stretch.
        uint32_t gap = Pick(10) == 0 ? 1000 + Pick(120000) : 50 + Pick(2000);
        ASSERT_TRUE(control::AdvanceClock(gap)) << "the world hung after " << event;
        now += gap;
        std::string broken = invariants::Broken(*player);
        ASSERT_EQ(broken, "") << "after event " << events << " (" << event << ") at " << now / 1000
                              << " s";
    }
    size_t heapAtEnd = LiveHeapBytes();
    ASSERT_TRUE(Quit());
    std::printf(
        "soak: %lld simulated minutes, %d events; heap %zu bytes after the first minute, "
        "%zu at the end\n",
        SoakMinutes(), events, heapAfterFirstMinute, heapAtEnd);
    EXPECT_LT(heapAtEnd, heapAfterFirstMinute + 256 * 1024)
        << "the heap grew from " << heapAfterFirstMinute << " bytes after the first minute to "
        << heapAtEnd << " after " << SoakMinutes() << " minutes and " << events << " events";
}

}  // namespace
