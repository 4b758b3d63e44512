// The testbed's sound card as the plug-in's mixer objects see it, and the simulator's "mixer"
// event for every value they write.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "mixer/NemboMixer.h"
#include "sim/MixerEvents.h"
#include "testbed/SoundCard.h"

namespace {

using testbed::SoundCardLine;

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(MixerEvents, EveryValueThePlugInWritesIsLoggedButNotAnotherProgramsChanges) {
    std::string path = ::testing::TempDir() + "/mixer_events" + std::to_string(getpid());
    {
        sim::Log log;
        ASSERT_TRUE(log.Open(path));
        testbed::SoundCard mixer;
        sim::LogMixerWrites(mixer, log, [] { return 42u; });
        CNemboMixer master(nullptr, kMixerMasterComponent);
        CNemboMixer wave(nullptr, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT);
        EXPECT_EQ(wave.GetValue(), testbed::SoundCard::kStartWave);
        EXPECT_EQ(master.GetValue(), testbed::SoundCard::kStartMaster);

        mixer.SetVolume(SoundCardLine::Master, 1000);  // another program
        EXPECT_EQ(master.GetValue(), 1000u) << "expected the plug-in to read the new master";
        EXPECT_EQ(wave.SetValue(0), 1);
        EXPECT_EQ(master.SetValue(65535), 1);
        EXPECT_EQ(mixer.Volume(SoundCardLine::Wave), 0u);
        EXPECT_EQ(mixer.Volume(SoundCardLine::Master), 65535u);
    }
    EXPECT_EQ(Lines(path), (std::vector<std::string>{
                               R"({"t":42,"event":"mixer","line":"wave","value":0})",
                               R"({"t":42,"event":"mixer","line":"master","value":65535})"}));
    std::remove(path.c_str());
}

TEST(MixerEvents, MachineWithoutMixerLeavesBothObjectsNotReady) {
    testbed::SoundCard none(false);
    none.SetVolume(SoundCardLine::Wave, 500);
    EXPECT_EQ(none.Volume(SoundCardLine::Wave), 0u) << "expected nothing to turn";
    CNemboMixer master(nullptr, kMixerMasterComponent);
    CNemboMixer wave(nullptr, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT);
    EXPECT_EQ(master.ready.load() + wave.ready.load(), 0) << "expected neither object ready";
    EXPECT_EQ(wave.GetValue(), 0u);
}

}  // namespace
