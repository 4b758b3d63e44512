// The mixer volume control over mixer devices of the stand-in: which line it takes, what it
// reads and writes, and how a failure leaves it.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include "hostwin/control/mixer_devices.h"
#include "mixer/NemboMixer.h"

namespace {

using control::MixerCall;
using control::MixerLineRef;

constexpr DWORD kWave = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
const HWND kWindow = reinterpret_cast<HWND>(0x4242);

control::MixerLine Line(const char* name, DWORD type, DWORD volume, bool hasVolume = true) {
    return {name, type, 2, hasVolume, volume};
}

control::MixerDestination Speakers(DWORD volume, std::vector<control::MixerLine> sources) {
    return {Line("Speakers", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, volume), std::move(sources)};
}

// Recording first, so that the speakers destination must be found by its type.
void UseDevice(control::MixerDestination speakers) {
    control::MixerDestination recording{
        Line("Recording", MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 7000),
        {Line("Wave", kWave, 7100), Line("Mic", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 7200)}};
    control::SetMixerDevices({control::MixerDevice{"Card", {recording, std::move(speakers)}}});
}

constexpr MixerLineRef kSpeakers{0, 1, control::kDestinationLine};
MixerLineRef SpeakersSource(DWORD index) {
    return {0, 1, index};
}

class NemboMixerTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseDevice(Speakers(30000, {Line("Synth", MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER, 1100),
                                   Line("Wave", kWave, 2200),
                                   Line("CD", MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, 3300)}));
    }
    void TearDown() override { control::SetMixerDevices({}); }

    // Asserts that the object answers 0 to everything without calling the mixer.
    static void ExpectInert(CNemboMixer& mixer) {
        EXPECT_EQ(mixer.ready.load(), 0) << "expected the object not ready";
        int calls = control::MixerCallCount();
        EXPECT_EQ(mixer.GetValue(), 0u) << "expected 0 from an object that is not ready";
        EXPECT_EQ(mixer.SetValue(500), 0) << "expected the write refused";
        EXPECT_EQ(control::MixerCallCount(), calls) << "expected no mixer call once not ready";
    }
};

TEST_F(NemboMixerTest, WithoutMixerDevicesBothObjectsAreNotReadyAndReadZero) {
    control::SetMixerDevices({});
    CNemboMixer master(kWindow, kMixerMasterComponent);
    CNemboMixer wave(kWindow, kWave);
    ExpectInert(master);
    ExpectInert(wave);
    EXPECT_EQ(control::MixerCallCount(MixerCall::Open), 0) << "expected no open without devices";
}

TEST_F(NemboMixerTest, MasterIsTheSpeakersDestinationFoundByType) {
    CNemboMixer master(kWindow, kMixerMasterComponent);
    ASSERT_EQ(master.ready.load(), 1);
    EXPECT_EQ(master.channelCount, 1u);
    auto open = control::OpenMixers();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0].device, 0u);
    EXPECT_EQ(open[0].callback, reinterpret_cast<DWORD_PTR>(kWindow))
        << "expected the window to receive the change notifications";
    EXPECT_EQ(open[0].flags, static_cast<DWORD>(CALLBACK_WINDOW));

    EXPECT_EQ(master.GetValue(), 30000u);
    control::SetMixerVolume(kSpeakers, 12345);  // another program turns the volume
    EXPECT_EQ(master.GetValue(), 12345u) << "expected the value another program set";
    EXPECT_EQ(control::MixerVolume({0, 0, control::kDestinationLine}), 7000)
        << "recording untouched";
}

TEST_F(NemboMixerTest, ExtremeValuesReachTheControlUnchanged) {
    CNemboMixer master(kWindow, kMixerMasterComponent);
    for (DWORD value : {0u, 65535u, 1285u}) {
        EXPECT_EQ(master.SetValue(value), 1) << "expected " << value << " written";
        EXPECT_EQ(control::MixerVolume(kSpeakers), value);
        EXPECT_EQ(master.GetValue(), value);
    }
    EXPECT_EQ(master.lastResult, static_cast<MMRESULT>(MMSYSERR_NOERROR));
}

TEST_F(NemboMixerTest, WaveIsTheSpeakersWaveOutSourceNotTheRecordingOne) {
    CNemboMixer wave(kWindow, kWave);
    ASSERT_EQ(wave.ready.load(), 1);
    EXPECT_EQ(wave.GetValue(), 2200u);
    EXPECT_EQ(wave.SetValue(4000), 1);
    EXPECT_EQ(control::MixerVolume(SpeakersSource(1)), 4000);
    EXPECT_EQ(control::MixerVolume(SpeakersSource(0)), 1100) << "synth untouched";
    EXPECT_EQ(control::MixerVolume(SpeakersSource(2)), 3300) << "CD untouched";
    EXPECT_EQ(control::MixerVolume(kSpeakers), 30000) << "master untouched";
}

TEST_F(NemboMixerTest, WithoutWaveOutSourceTheLastSourceOrTheDestinationIsUsed) {
    UseDevice(Speakers(30000, {Line("Synth", MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER, 1100),
                               Line("Line In", MIXERLINE_COMPONENTTYPE_SRC_LINE, 9900)}));
    {
        CNemboMixer wave(kWindow, kWave);
        EXPECT_EQ(wave.GetValue(), 9900u) << "expected the last source's volume";
        EXPECT_EQ(wave.SetValue(10), 1);
        EXPECT_EQ(control::MixerVolume(SpeakersSource(1)), 10);
    }
    UseDevice(Speakers(30000, {}));
    CNemboMixer wave(kWindow, kWave);
    EXPECT_EQ(wave.GetValue(), 30000u) << "expected the destination's own volume";
}

struct ConstructionFault {
    const char* what;
    std::function<void()> arrange;
    MMRESULT lastResult;
    bool leavesHandleOpen;
};

TEST_F(NemboMixerTest, EveryConstructionFailureLeavesAnInertObject) {
    const ConstructionFault faults[] = {
        {"open fails", [] { control::FailMixerCall(MixerCall::Open, MMSYSERR_ALLOCATED); },
         MMSYSERR_ALLOCATED, false},
        {"no speakers destination",
         [] {
             control::SetMixerDevices({control::MixerDevice{
                 "Card", {{Line("Recording", MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 1), {}}}}});
         },
         MMSYSERR_NOERROR, true},
        {"second source query fails",
         [] { control::FailMixerCall(MixerCall::GetLineInfo, MMSYSERR_ERROR, 1, 2); },
         MMSYSERR_NOERROR, true},
        {"wave line has no volume control",
         [] { UseDevice(Speakers(30000, {Line("Wave", kWave, 0, false)})); }, MMSYSERR_NOERROR,
         true},
        {"control query fails",
         [] { control::FailMixerCall(MixerCall::GetLineControls, MMSYSERR_NODRIVER); },
         MMSYSERR_NOERROR, true},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.what);
        SetUp();
        fault.arrange();
        {
            CNemboMixer wave(kWindow, kWave);
            ExpectInert(wave);
            EXPECT_EQ(wave.lastResult, fault.lastResult);
            EXPECT_EQ(control::OpenMixers().size(), fault.leavesHandleOpen ? 1u : 0u);
        }
        EXPECT_TRUE(control::OpenMixers().empty()) << "expected the destructor to close the mixer";
        EXPECT_EQ(control::MixerCallCount(MixerCall::Close), fault.leavesHandleOpen ? 1 : 0)
            << "expected a close exactly when a mixer was open";
    }
}

TEST_F(NemboMixerTest, FailedReadDisablesTheObjectForGood) {
    CNemboMixer master(kWindow, kMixerMasterComponent);
    ASSERT_EQ(master.GetValue(), 30000u);
    control::FailMixerCall(MixerCall::GetControlDetails, MMSYSERR_NODRIVER);
    EXPECT_EQ(master.GetValue(), 0u);
    EXPECT_EQ(master.lastResult, static_cast<MMRESULT>(MMSYSERR_NODRIVER));
    ExpectInert(master);
}

TEST_F(NemboMixerTest, FailedReadOrWriteInSetValueWritesNothingAndDisables) {
    CNemboMixer master(kWindow, kMixerMasterComponent);
    control::FailMixerCall(MixerCall::GetControlDetails, MMSYSERR_ERROR);
    EXPECT_EQ(master.SetValue(100), 0);
    EXPECT_EQ(control::MixerCallCount(MixerCall::SetControlDetails), 0)
        << "no write after a failed read";
    ExpectInert(master);

    CNemboMixer wave(kWindow, kWave);
    control::FailMixerCall(MixerCall::SetControlDetails, MIXERR_INVALVALUE);
    EXPECT_EQ(wave.SetValue(100), 0);
    EXPECT_EQ(wave.lastResult, static_cast<MMRESULT>(MIXERR_INVALVALUE));
    EXPECT_EQ(control::MixerVolume(SpeakersSource(1)), 2200);
    ExpectInert(wave);
}

}  // namespace
