// The scripts in examples/ are for users to copy: each one runs, and each checks what it shows
// with expect lines, so an example that no longer says what the plug-in does fails here.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/SimRunner.h"

namespace {

TEST(Examples, EveryExampleRunsAndItsExpectationsHold) {
    std::filesystem::path folder = std::filesystem::path(VELM_TEST_DATA) / "../../examples";
    int examples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".txt")
            continue;
        ++examples;
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_NE(text.str().find("\nexpect "), std::string::npos)
            << entry.path() << " checks nothing";
        simrunner::SimRun run =
            simrunner::RunSim("--script '" + entry.path().string() + "' --log /dev/null");
        EXPECT_EQ(run.status, 0) << entry.path() << "\n" << run.output;
    }
    EXPECT_GE(examples, 4) << "the screens, alerts, the unplugged LCD and the settings";
}

}  // namespace
