// What the plug-in shows, as velm-sim reports it: screens, priorities and frames, and the
// expectations a script can state about them.
#include <fstream>

#include "support/SimRunner.h"

namespace {

using namespace simrunner;

TEST(SimDisplay, TrackChangeRaisesThePriorityForEightSeconds) {
    SimRun run = RunSim(
        "-e 'wait 1000; track 3; wait 100; expect priority 255; wait 8200; "
        "expect priority 128'");
    EXPECT_EQ(run.status, 0) << run.output;
}

TEST(SimDisplay, MasterVolumeBringsTheVolumeScreenForThreeSeconds) {
    std::string log = TempPath("sim_volume");
    SimRun run = RunSim(
        "-e 'wait 1000; volume master 30000; wait 200; expect screen 1; expect priority 255; "
        "wait 3200; expect screen 0; expect priority 128' --log " +
        log);
    ASSERT_EQ(run.status, 0) << run.output;
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto screens = Events(text, "screen");
    ASSERT_GE(screens.size(), 3u);
    EXPECT_NE(screens[1].line.find("\"screen\":1,\"priority\":255"), std::string::npos)
        << screens[1].line;
    EXPECT_GE(screens[1].t, 1000);
    EXPECT_LE(screens[1].t, 1050);
    EXPECT_NE(screens.back().line.find("\"screen\":0,\"priority\":128"), std::string::npos);
    std::remove(log.c_str());
}

TEST(SimDisplay, PlaylistScreenLeavesByItselfUnlessItsSettingIsOff) {
    const char* script =
        "-e 'wait 1000; soft 2; wait 200; expect screen 2; wait 3200; expect "
        "screen 0'";
    EXPECT_EQ(RunSim(script).status, 0);
    std::string folder = TempPath("sim_ini");
    std::string make = "mkdir -p " + folder;
    ASSERT_EQ(std::system(make.c_str()), 0);
    std::ofstream(folder + "/VelmG15.ini") << "[General]\nLeavePlaylist=0\n";
    SimRun run = RunSim(std::string(script) + " --ini " + folder);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("expected screen 0, but the plug-in's screen is 2"),
              std::string::npos)
        << run.output;
    std::system(("rm -rf " + folder).c_str());
}

TEST(SimDisplay, FramesStopWhileTheLcdIsUnpluggedAndComeBack) {
    std::string log = TempPath("sim_unplug");
    ASSERT_EQ(RunSim("-e 'wait 500; unplug; wait 500; plug; wait 500' --log " + log).status, 0);
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int before = 0, during = 0, after = 0;
    for (const LogEvent& e : Events(text, "frame")) {
        // The frame of the pass at 500 is shown before the unplug at that moment.
        if (e.t <= 500)
            ++before;
        else if (e.t < 1000)
            ++during;
        else
            ++after;
    }
    EXPECT_GT(before, 5);
    EXPECT_EQ(during, 0);
    EXPECT_GT(after, 5);
    std::remove(log.c_str());
    SimRun none = RunSim("--no-lcd-service -e 'wait 500' --log " + log);
    EXPECT_EQ(none.status, 0);
    std::ifstream in2(log);
    std::string text2((std::istreambuf_iterator<char>(in2)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(Events(text2, "frame").empty());
    std::remove(log.c_str());
}

TEST(SimDisplay, PixelExpectationsReadTheLastFrame) {
    // Row 8 is the spectrum's top line; row 41 is inside the position bar, under its border.
    EXPECT_EQ(RunSim("-e 'wait 200; expect lit 80 8; expect dark 80 41'").status, 0);
    SimRun run = RunSim("-e 'wait 200; expect dark 80 8'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("the pixel is lit"), std::string::npos) << run.output;
    SimRun none = RunSim("--no-lcd-service -e 'wait 200; expect lit 0 0'");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.output.find("no frame has been shown"), std::string::npos) << none.output;
    EXPECT_EQ(RunSim("-e 'expect screen'").status, 2);
    EXPECT_EQ(RunSim("-e 'expect lit 160 0'").status, 2);
    EXPECT_EQ(RunSim("-e 'expect colour 1'").status, 2);
}

}  // namespace
