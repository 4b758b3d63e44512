// What winmm does with the mixer records and with devices or handles that are not there.
// Holds on a machine with any number of mixer devices.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstddef>

namespace {

// The SDK packs these records to bytes: wider pointers add only their own width.
TEST(MixerRecords, PackedLayoutsFollowThePointerWidth) {
    bool wide = sizeof(void*) == 8;
    EXPECT_EQ(sizeof(MIXERLINEA), wide ? 172u : 168u);
    EXPECT_EQ(offsetof(MIXERLINEA, dwComponentType), wide ? 28u : 24u);
    EXPECT_EQ(sizeof(MIXERLINECONTROLSA), wide ? 28u : 24u);
    EXPECT_EQ(sizeof(MIXERCONTROLA), 148u);
    EXPECT_EQ(offsetof(MIXERCONTROLA, Bounds), 100u);
    EXPECT_EQ(sizeof(MIXERCONTROLDETAILS), wide ? 32u : 24u);
    EXPECT_EQ(offsetof(MIXERCONTROLDETAILS, paDetails), wide ? 24u : 20u);
}

TEST(Mixer, DeviceNumberPastTheLastIsRefused) {
    UINT count = mixerGetNumDevs();
    HMIXER mixer = nullptr;
    EXPECT_EQ(mixerOpen(&mixer, count, 0, 0, CALLBACK_NULL),
              static_cast<MMRESULT>(MMSYSERR_BADDEVICEID));
    MIXERLINEA line = {};
    line.cbStruct = sizeof line;
    auto pastLast = reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(count));
    EXPECT_EQ(
        mixerGetLineInfoA(pastLast, &line, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_DESTINATION),
        static_cast<MMRESULT>(MMSYSERR_INVALHANDLE))
        << "a number that is no device is taken for a handle, and no mixer is open by it";
}

TEST(Mixer, CallsOnAHandleThatIsNotOpenAreRefusedButClosingItIsNot) {
    EXPECT_EQ(mixerClose(nullptr), static_cast<MMRESULT>(MMSYSERR_NOERROR))
        << "Wine accepts it, although Windows documents MMSYSERR_INVALHANDLE";
    MIXERLINEA line = {};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    EXPECT_EQ(
        mixerGetLineInfoA(nullptr, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE),
        static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
    MIXERCONTROLDETAILS_UNSIGNED value = {};
    MIXERCONTROLDETAILS details = {};
    details.cbStruct = sizeof details;
    details.cChannels = 1;
    details.cbDetails = sizeof value;
    details.paDetails = &value;
    EXPECT_EQ(mixerGetControlDetailsA(nullptr, &details, MIXER_OBJECTF_HMIXER),
              static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
    EXPECT_EQ(mixerSetControlDetails(nullptr, &details, MIXER_OBJECTF_HMIXER),
              static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
}

}  // namespace
