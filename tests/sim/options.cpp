// velm-sim's help and its refusals: one line naming the fault, exit status 2, and nothing run.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "sim/Commands.h"

namespace {

struct SimRun {
    int status;
    std::string output;
};

// Without a terminal on standard input, so that no run turns interactive. The plug-in path
// leads nowhere: a refusal that came after loading would read "cannot load the plug-in".
SimRun RunSim(const std::string& arguments, bool loadable = false) {
    std::string command = std::string(VELM_BUILD_DIR) + "/velm-sim " +
                          (loadable ? "" : "--plugin /no/plugin.so ") + arguments +
                          " </dev/null 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

void ExpectRefusal(const std::string& arguments, const std::string& message) {
    SimRun run = RunSim(arguments);
    EXPECT_EQ(run.status, 2) << arguments << "\n" << run.output;
    EXPECT_NE(run.output.find(message), std::string::npos)
        << arguments << ": expected '" << message << "', came: " << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1)
        << "expected one line, came: " << run.output;
}

TEST(Options, FaultsAreNamedWithTheirPlaceBeforeThePluginLoads) {
    ExpectRefusal("-e 'frobnicate'", "line 1, column 1: unknown command 'frobnicate'");
    ExpectRefusal("-e 'wait 10;  wait 1x'", "line 1, column 11: wait: '1x' is not a number");
    ExpectRefusal("-e 'volume wave 7e3'", "'7e3' is not a number from 0 to 65535");
    std::string script = ::testing::TempDir() + "/options_script" + std::to_string(getpid());
    std::ofstream(script) << "# tour\nwait 100\n  soft five\n";
    ExpectRefusal("--script " + script, "line 3, column 3: soft: 'five' is not a number");
    std::remove(script.c_str());
    ExpectRefusal("--script /no/such/script.txt", "/no/such/script.txt");
    ExpectRefusal("--frobnicate", "unknown option '--frobnicate'");
    ExpectRefusal("-e", "-e needs commands");
    ExpectRefusal("--gif /no/such/folder/run.gif -e 'wait 1'", "/no/such/folder/run.gif");
    ExpectRefusal("--png /dev/null/frames -e 'wait 1'", "/dev/null/frames");
    ExpectRefusal("--demo -e 'wait 1'", "--demo");
    ExpectRefusal("-e 'snapshot /no/such/folder/a.png'", "no folder /no/such/folder");
    ExpectRefusal("", "nothing to run");
}

TEST(Options, HelpListsEveryOptionAndCommandOnALineOfItsOwn) {
    SimRun run = RunSim("--help");
    EXPECT_EQ(run.status, 0);
    std::istringstream lines(run.output);
    std::string text, line;
    while (std::getline(lines, line))
        text += "\n" + line.substr(line.find_first_not_of(' ') == std::string::npos
                                       ? 0
                                       : line.find_first_not_of(' '));
    for (const auto& spec : sim::Commands())
        EXPECT_NE(text.find("\n" + std::string(spec.usage) + " "), std::string::npos)
            << "command '" << spec.usage << "' missing from --help";
    for (const char* option :
         {"--script FILE", "-e COMMANDS", "--demo", "--playlist FILE", "--png DIR", "--gif FILE",
          "--log FILE", "--plugin PATH", "--ini DIR", "--no-keyboard", "--no-mixer",
          "--no-lcd-service", "--help"})
        EXPECT_NE(text.find(std::string("\n") + option + " "), std::string::npos)
            << "option '" << option << "' missing from --help";
}

TEST(Options, DemoWithoutATerminalLogsTheTourAndSnapshotNeedsAFrame) {
    SimRun demo = RunSim("--demo", true);
    EXPECT_EQ(demo.status, 0) << demo.output.substr(0, 400);
    EXPECT_EQ(demo.output.rfind("{\"t\":0,\"event\":\"init\"}", 0), 0u)
        << "expected the log on standard output";
    EXPECT_NE(demo.output.find("1. Velm Quartet - Morning on the Lake - Winamp"), std::string::npos)
        << "expected the tour's own playlist";
    EXPECT_NE(demo.output.find("\"event\":\"quit\""), std::string::npos);

    SimRun blank = RunSim("--no-lcd-service -e 'wait 200; snapshot /dev/null'", true);
    EXPECT_EQ(blank.status, 1) << blank.output;
    EXPECT_NE(blank.output.find("line 1: snapshot: the LCD shows no frame"), std::string::npos)
        << blank.output;
}

}  // namespace
