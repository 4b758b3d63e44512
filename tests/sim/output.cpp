// What velm-sim writes is never lost in silence: a write that fails (the log, a picture, the
// GIF, the help) ends the run with status 1 and one line naming the file and the cause, and a
// folder of frames never mixes two runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "support/SimRunner.h"

namespace {

using namespace simrunner;

// The lines velm-sim wrote about itself, as opposed to the log's.
std::vector<std::string> Complaints(const std::string& output) {
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("velm-sim: ", 0) == 0)
            lines.push_back(line);
    return lines;
}

TEST(Output, AWriteThatFailsEndsTheRunWithStatusOneAndOneLineNamingFileAndCause) {
    struct Case {
        std::string arguments;
        std::string standardOutput;
        std::string complaint;
        bool logShown;  // the log is on standard output: the plug-in's quit must be in it
    };
    const Case cases[] = {
        {"--demo --log /dev/full", "",
         "velm-sim: cannot write the log /dev/full: No space left on device", false},
        {"--demo", "/dev/full",
         "velm-sim: cannot write the log to standard output: No space left on device", false},
        {"--help", "/dev/full",
         "velm-sim: cannot write to standard output: No space left on device", false},
        {"-e 'wait 300; snapshot /dev/full; wait 100' --log -", "",
         "velm-sim: line 1, column 11: snapshot: cannot write the PNG /dev/full: No space left on "
         "device",
         true},
        {"-e 'wait 300' --gif /dev/full --log -", "",
         "velm-sim: cannot write the GIF /dev/full: No space left on device", true},
    };
    for (const Case& c : cases) {
        SimRun run = RunSim(c.arguments, "", c.standardOutput);
        EXPECT_EQ(run.status, 1) << c.arguments << "\n" << run.output.substr(0, 300);
        EXPECT_EQ(Complaints(run.output), std::vector<std::string>{c.complaint}) << c.arguments;
        if (c.logShown) {
            EXPECT_NE(run.output.find("\"event\":\"quit\""), std::string::npos)
                << c.arguments << ": expected the plug-in's quit after the failed write";
        }
    }
}

// A file size limit makes the frames fail while the log on the pipe goes on.
TEST(Output, AFrameThatCannotBeWrittenFailsTheRunAndTheRestStillRuns) {
    std::string dir = TempPath("frames_limit");
    SimRun run = RunSim("-e 'wait 300' --png " + dir + " --log -", "ulimit -f 1; trap '' XFSZ;");
    EXPECT_EQ(run.status, 1) << run.output.substr(0, 300);
    EXPECT_EQ(Complaints(run.output),
              std::vector<std::string>{"velm-sim: cannot write the PNG " + dir +
                                       "/frame-0001.png: File too large"});
    EXPECT_NE(run.output.find("\"event\":\"quit\""), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir + "/frame-0002.png")) << "no frame after the failure";
    std::filesystem::remove_all(dir);
}

std::set<std::string> Files(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

TEST(Output, AFolderOfFramesHoldsOneRunOnlyAndAnythingElseInItIsRefused) {
    std::string dir = TempPath("frames_runs");
    ASSERT_EQ(RunSim("-e 'wait 1200; soft 2; wait 600' --log /dev/null --png " + dir).status, 0);
    size_t first = Files(dir).size();
    ASSERT_GT(first, 3u);
    ASSERT_EQ(RunSim("-e 'wait 100' --log /dev/null --png " + dir).status, 0);
    std::set<std::string> second = Files(dir);
    ASSERT_LT(second.size(), first);
    for (size_t n = 1; n <= second.size(); ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%04zu.png", n);
        EXPECT_EQ(second.count(name), 1u) << name << " missing: the second run's frames are 1 on";
    }

    std::ofstream(dir + "/notes.txt") << "mine\n";
    SimRun refused = RunSim("--plugin /no/plugin.so -e 'wait 100' --png " + dir);
    EXPECT_EQ(refused.status, 2) << refused.output;
    EXPECT_EQ(
        Complaints(refused.output),
        std::vector<std::string>{"velm-sim: cannot write the frames into " + dir +
                                 ": it holds notes.txt, which is no frame of an earlier run"});
    EXPECT_EQ(Files(dir).size(), second.size() + 1) << "a refused run removes nothing";
    std::filesystem::remove_all(dir);
}

}  // namespace
