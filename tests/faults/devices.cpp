// The devices failing under the plug-in: the keyboard pulled out in the middle of a light
// report, the mixer failing in the middle of a session, the mixer devices gone altogether.
#include <windows.h>

#include <atomic>

#include "support/FaultHarness.h"
#include "hostwin/control/mixer_devices.h"

namespace {

using DeviceFaults = FaultHarness;

// Pulled out from inside a write: that report and every later one fail, silently; the
// screen saver's dimming reads nothing and writes nothing; quit's last write fails too.
TEST_F(DeviceFaults, TheKeyboardPulledOutInTheMiddleOfALightReport) {
    std::atomic<int> writes{0};
    keyboard->SetWriteObserver([this, &writes](int, int) {
        if (++writes == 5)
            keyboard->Unplug();
    });
    Start();
    Run(500);
    int atUnplug = writes.load();
    EXPECT_EQ(atUnplug, 5) << "the fifth report was the last to arrive";
    control::SetScreenSaverRunning(true);
    Run(300);
    control::SetScreenSaverRunning(false);
    Run(300);
    ExpectStillWorking("the keyboard went away");
    Stop();
    EXPECT_EQ(writes.load(), atUnplug) << "no report reached a keyboard that is gone";
    keyboard->SetWriteObserver(nullptr);
}

// The wave mixer's reads fail from some moment on: the object gives up (reads 0), which is one
// last volume change for the alert, and the volume keys on the wave volume then move only the
// bar. The master volume and the player's volume go on as before.
TEST_F(DeviceFaults, TheMixerFailingInTheMiddleOfASession) {
    Start();
    Run(200);
    control::FailMixerCall(control::MixerCall::GetControlDetails, MMSYSERR_ERROR, -1, 0);
    Run(200);
    ExpectInvariants("mixer reads failing");
    Tap(3);
    g_screenState.selectedVolume.store(kVolumeWave);
    DWORD wave = mixer->Volume(testbed::SoundCardLine::Wave);
    EXPECT_TRUE(Press(VK_VOLUME_UP)) << "the key is still the volume screen's";
    EXPECT_EQ(mixer->Volume(testbed::SoundCardLine::Wave), wave)
        << "nothing written to a failed mixer";
    ExpectStillWorking("the mixer failed");
}

// Every mixer device taken away while running: the handles go stale and every mixer call
// fails; the plug-in goes on without system volumes.
TEST_F(DeviceFaults, TheMixerDevicesGoneWhileRunning) {
    Start();
    Run(200);
    control::SetMixerDevices({});
    Run(300);
    ExpectInvariants("without mixer devices");
    Tap(3);
    for (int selected : {kVolumeWave, kVolumeMaster}) {
        g_screenState.selectedVolume.store(selected);
        EXPECT_TRUE(Press(VK_VOLUME_DOWN));
        Run(100);
        ExpectInvariants("a volume key on a lost mixer");
    }
    ExpectStillWorking("the mixer devices went away");
}

}  // namespace
