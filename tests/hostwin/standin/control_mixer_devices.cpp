// The stand-in's mixer devices beyond what the mixer object itself shows: how an object is
// named, what a line query returns, and what the control side changes.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <vector>

#include "hostwin/control/mixer_devices.h"

namespace {

using control::MixerCall;

class StandInMixer : public ::testing::Test {
protected:
    void SetUp() override {
        control::SetMixerDevices({control::MixerDevice{
            "Card",
            {{{"Speakers", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 2, true, 100},
              {{"Wave", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 2, true, 200},
               {"Mic", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 1, false, 0}}}}}});
        ASSERT_EQ(mixerOpen(&mixer, 0, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    }
    void TearDown() override { control::SetMixerDevices({}); }

    MMRESULT Query(HMIXEROBJ object, DWORD flags, MIXERLINEA& line) {
        line.cbStruct = sizeof line;
        return mixerGetLineInfoA(object, &line, flags);
    }
    HMIXEROBJ Object() { return reinterpret_cast<HMIXEROBJ>(mixer); }
    HMIXER mixer = nullptr;
};

TEST_F(StandInMixer, ObjectIsAnOpenHandleOrWithoutTheHandleFlagAlsoADeviceNumber) {
    MIXERLINEA line = {};
    EXPECT_EQ(Query(Object(), MIXER_OBJECTF_HMIXER, line), MMSYSERR_NOERROR);
    EXPECT_EQ(Query(Object(), MIXER_OBJECTF_MIXER, line), MMSYSERR_NOERROR);
    EXPECT_EQ(Query(nullptr, MIXER_OBJECTF_MIXER, line), MMSYSERR_NOERROR) << "device 0";
    EXPECT_EQ(Query(nullptr, MIXER_OBJECTF_HMIXER, line), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(mixerClose(mixer), MMSYSERR_NOERROR);
    EXPECT_EQ(Query(Object(), MIXER_OBJECTF_HMIXER, line), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(Query(Object(), MIXER_OBJECTF_MIXER, line), MMSYSERR_INVALHANDLE);
}

TEST_F(StandInMixer, LineQueriesDescribeDestinationsAndSources) {
    MIXERLINEA line = {};
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
    ASSERT_EQ(Query(Object(), MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE, line),
              MMSYSERR_NOERROR);
    EXPECT_EQ(line.dwSource, 1u) << "component types are found among the sources too";
    EXPECT_EQ(line.cControls, 0u);
    EXPECT_NE(line.fdwLine & MIXERLINE_LINEF_SOURCE, 0u);
    DWORD micId = line.dwLineID;

    line.dwDestination = 0;
    ASSERT_EQ(Query(Object(), MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_DESTINATION, line),
              MMSYSERR_NOERROR);
    EXPECT_EQ(line.cConnections, 2u);
    EXPECT_STREQ(line.szName, "Speakers");
    EXPECT_NE(line.dwLineID, micId);

    line.dwLineID = micId;
    ASSERT_EQ(Query(Object(), MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_LINEID, line),
              MMSYSERR_NOERROR);
    EXPECT_STREQ(line.szName, "Mic");
    line.dwDestination = 0;
    line.dwSource = 2;
    EXPECT_EQ(Query(Object(), MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE, line),
              MIXERR_INVALLINE);
    line.cbStruct = sizeof line - 1;
    EXPECT_EQ(mixerGetLineInfoA(Object(), &line, MIXER_OBJECTF_HMIXER), MMSYSERR_INVALPARAM)
        << "a record smaller than the platform's";
}

TEST_F(StandInMixer, WritesAreObservedAndBoundedButAnotherProgramsAreNot) {
    std::vector<std::pair<DWORD, DWORD>> seen;  // source, value
    control::SetMixerWriteObserver([&](control::MixerLineRef ref, DWORD value) {
        seen.push_back({ref.source, value});
    });
    MIXERCONTROLDETAILS_UNSIGNED value = {70000};
    MIXERCONTROLDETAILS details = {};
    details.cbStruct = sizeof details;
    details.dwControlID = 2;  // the wave line's, the second volume control
    details.cChannels = 1;
    details.cbDetails = sizeof value;
    details.paDetails = &value;
    EXPECT_EQ(mixerSetControlDetails(Object(), &details, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(control::MixerVolume({0, 0, 0}), 65535) << "a value above the bounds stops at them";
    EXPECT_TRUE(control::SetMixerVolume({0, 0, 0}, 5));
    EXPECT_FALSE(control::SetMixerVolume({0, 0, 1}, 5)) << "the mic has no volume control";
    EXPECT_EQ(seen, (std::vector<std::pair<DWORD, DWORD>>{{0, 65535}}));
    control::SetMixerWriteObserver(nullptr);
}

TEST_F(StandInMixer, FailuresComeAfterTheSkippedCallsAndReplacingDevicesEndsThem) {
    MIXERLINEA line = {};
    control::FailMixerCall(MixerCall::GetLineInfo, MMSYSERR_NODRIVER, -1, 1);
    EXPECT_EQ(Query(Object(), MIXER_OBJECTF_HMIXER, line), MMSYSERR_NOERROR);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Query(Object(), MIXER_OBJECTF_HMIXER, line), MMSYSERR_NODRIVER);
    EXPECT_EQ(control::MixerCallCount(MixerCall::GetLineInfo), 4);
    SetUp();
    EXPECT_EQ(Query(Object(), MIXER_OBJECTF_HMIXER, line), MMSYSERR_NOERROR);
    EXPECT_EQ(control::OpenMixers().size(), 1u) << "handles on replaced devices are gone";
}

}  // namespace
