// velm-sim's help and its refusals: one line naming the fault, exit status 2, and nothing run.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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

std::string SourceFileAt(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// One line, "velm-sim: " and the message; "(try --help)" only for a fault of the command line.
void ExpectRefusal(const std::string& arguments, const std::string& message, bool usage = false) {
    SimRun run = RunSim(arguments);
    EXPECT_EQ(run.status, 2) << arguments << "\n" << run.output;
    std::string expected = "velm-sim: " + message + (usage ? " (try --help)\n" : "\n");
    EXPECT_EQ(run.output, expected) << arguments;
}

TEST(Options, CommandLineFaultsPointToTheHelp) {
    ExpectRefusal("--frobnicate", "unknown option '--frobnicate'", true);
    ExpectRefusal("stray", "unexpected argument 'stray'", true);
    ExpectRefusal("-- -e 'wait 1'", "unexpected argument '-e'", true);
    ExpectRefusal("-e", "-e needs commands", true);
    ExpectRefusal("--log= -e 'wait 1'", "--log needs a file", true);
    ExpectRefusal("--demo=yes", "--demo takes no value", true);
    ExpectRefusal("--demo -e 'wait 1'", "--demo runs its own script: drop it or the script", true);
    ExpectRefusal("", "nothing to run: give --script, -e or --demo, or start it in a terminal",
                  true);
}

TEST(Options, InputFaultsAreNamedWithTheirPlaceOrCauseBeforeThePluginLoads) {
    std::string dir = ::testing::TempDir() + "/options" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/script") << "# tour\nwait 100\n  soft five\n";
    std::ofstream(dir + "/two.m3u") << "a.mp3\nb.mp3\n";
    std::ofstream(dir + "/binary.m3u") << std::string("ab\ncd\0\x01", 7);
    const std::pair<std::string, std::string> cases[] = {
        {"-e 'frobnicate'", "line 1, column 1: unknown command 'frobnicate'"},
        {"-e 'wait 10;  wait 1x'",
         "line 1, column 11: wait: '1x' is not a number from 0 to 2147483647"},
        {"-e 'title \"Song #1'", "line 1, column 7: the quote is not closed"},
        {"--script " + dir + "/script",
         "line 3, column 3: soft: 'five' is not a number from 1 to 4"},
        {"--script /no/such/script.txt",
         "cannot read the script /no/such/script.txt: No such file or directory"},
        {"--script " + dir, "cannot read the script " + dir + ": Is a directory"},
        {"--playlist " + dir + " -e 'wait 1'",
         "cannot read the playlist " + dir + ": Is a directory"},
        {"--playlist " + dir + "/binary.m3u -e 'wait 1'",
         dir + "/binary.m3u: line 2, column 3: not a text file (it holds the byte 0x00)"},
        // The playlist's length as the run will start and as the commands before change it.
        {"-e 'track 99'",
         "line 1, column 1: track: there is no entry 99 in a playlist of 5 entries"},
        {"--playlist " + dir + "/two.m3u -e 'track 3'",
         "line 1, column 1: track: there is no entry 3 in a playlist of 2 entries"},
        {"-e 'playlist 40; track 40; playlist 1; wait 5; track 2'",
         "line 1, column 44: track: there is no entry 2 in a playlist of 1 entry"},
        {"--ini /no/such/folder -e 'wait 1'",
         "cannot use the settings folder /no/such/folder: No such file or directory"},
        {"--ini " + dir + "/script -e 'wait 1'",
         "cannot use the settings folder " + dir + "/script: Not a directory"},
        {"--gif /no/such/folder/run.gif -e 'wait 1'",
         "cannot write the GIF /no/such/folder/run.gif: No such file or directory"},
        {"--png /dev/null/frames -e 'wait 1'",
         "cannot make the folder /dev/null/frames: Not a directory"},
        {"-e 'snapshot /no/such/folder/a.png'",
         "line 1, column 1: snapshot: there is no folder /no/such/folder"},
        {"--png " + dir + "/none/frames -e 'wait 1'",
         "cannot make the folder " + dir + "/none/frames: No such file or directory"},
        // Without a script and a terminal the playlist's own fault comes first.
        {"--playlist /no/such/list.m3u",
         "cannot read the playlist /no/such/list.m3u: No such file or directory"},
        // Expectations that can never hold.
        {"-e 'expect screen 7'",
         "line 1, column 1: expect: 'screen' expects one number from 0 to 3"},
        {"-e 'expect priority 7'",
         "line 1, column 1: expect: 'priority' expects 128 (ordinary) or 255 (an alert)"},
    };
    for (const auto& [arguments, message] : cases)
        ExpectRefusal(arguments, message);
    std::filesystem::remove_all(dir);
}

// A '\' in a Linux folder's name would part it in two on the plug-in's side, and the settings
// would go to a folder nobody named.
TEST(Options, AFolderWhoseNameThePluginCannotBeGivenIsRefused) {
    std::string dir = ::testing::TempDir() + "/backslash" + std::to_string(getpid());
    std::filesystem::create_directories(dir + "/B\\x");
    std::string seen = std::filesystem::path(dir).lexically_normal().string() + "/B/x";
    for (const std::string option : {"--ini", "--appdata"}) {
        const char* what = option == "--ini" ? "settings folder" : "application-data folder";
        ExpectRefusal(option + " '" + dir + "/B\\x' -e 'wait 1'",
                      std::string("cannot use the ") + what + " " + dir +
                          "/B\\x: the plug-in would take it for " + seen +
                          " (Windows reads '\\' as a separator)");
    }
    std::filesystem::remove_all(dir);
}

// Scripts are UTF-8 text; what is not is refused at its place, and no byte of the user's reaches
// the terminal raw.
TEST(Options, ScriptsThatAreNoTextAreRefusedAndRawBytesAreNeverEchoed) {
    std::string dir = ::testing::TempDir() + "/text" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/nul.txt") << std::string("wait 1\nwa\0it 2\n", 15);
    std::ofstream(dir + "/latin1.txt") << "wait 1\ntitle Bj\xF6rk\n";
    // UTF-16 (little-endian, with its mark): "wait " and half a surrogate pair.
    std::ofstream(dir + "/lone.txt") << std::string("\xFF\xFEw\0a\0i\0t\0 \0\x00\xD8", 14);
    std::ofstream(dir + "/odd.txt") << std::string("\xFE\xFF\0w\0", 5);
    const std::pair<std::string, std::string> cases[] = {
        {"--script " + dir + "/nul.txt",
         "line 2, column 3: not a text file (it holds the byte 0x00)"},
        {"--script " + dir + "/latin1.txt",
         "line 2, column 9: not a text file (it holds the byte 0xF6, which is not UTF-8)"},
        {"--script " + dir + "/lone.txt",
         "line 1, column 6: not a text file (it holds the UTF-16 unit 0xD800 without its pair)"},
        {"--script " + dir + "/odd.txt",
         "line 1, column 2: not a text file (its UTF-16 ends in half a character)"},
        {"-e 'wait 1; frob\x1b]0;owned\x07'",
         "line 1, column 13: not text (it holds the byte 0x1B)"},
        {"--script '/no/such/\x1b[2J\xff.txt'",
         "cannot read the script /no/such/\\x1B[2J\\xFF.txt: No such file or directory"},
    };
    for (const auto& [arguments, message] : cases)
        ExpectRefusal(arguments, message);
    ExpectRefusal("'stray\x1b[2J\xc2\x9b'", "unexpected argument 'stray\\x1B[2J\\xC2\\x9B'", true);
    std::filesystem::remove_all(dir);
}

// Nothing the run reads is written over by the simulator, nor one of its outputs by another,
// whatever the spelling or link that leads there.
TEST(Options, NoOutputIsWrittenOverAnInputOrAnotherOutput) {
    std::string dir = ::testing::TempDir() + "/overwrite" + std::to_string(getpid());
    std::filesystem::create_directories(dir + "/frames");
    std::ofstream(dir + "/s.txt") << "wait 1\n";
    std::ofstream(dir + "/p.m3u") << "a.mp3\n";
    std::filesystem::create_symlink(dir + "/s.txt", dir + "/link.txt");
    std::filesystem::create_hard_link(dir + "/p.m3u", dir + "/hard.m3u");
    std::filesystem::create_symlink(dir + "/new.gif", dir + "/dangling");
    const std::string s = dir + "/s.txt", p = dir + "/p.m3u";
    const std::pair<std::string, std::string> cases[] = {
        {"--script " + s + " --log " + s, "--log " + s + " and --script " + s + " are one file"},
        {"--script " + s + " --log " + dir + "/./link.txt",
         "--log " + dir + "/./link.txt and --script " + s + " are one file"},
        {"--playlist " + p + " -e 'wait 1' --gif " + dir + "/hard.m3u",
         "--gif " + dir + "/hard.m3u and --playlist " + p + " are one file"},
        {"-e 'wait 1' --log " + dir + "/new.gif --gif " + dir + "/dangling",
         "--log " + dir + "/new.gif and --gif " + dir + "/dangling are one file"},
        {"--playlist " + p + " -e 'snapshot " + p + "'",
         "snapshot " + p + " (line 1, column 1) and --playlist " + p + " are one file"},
        {"--ini " + dir + " -e 'wait 1' --log " + dir + "/VelmG15.ini",
         "--log " + dir + "/VelmG15.ini and the settings file " + dir +
             "/VelmG15.ini (--ini) are one file"},
        {"-e 'wait 1' --log " + dir + "/frames/log.jsonl --png " + dir + "/frames/",
         "--log " + dir + "/frames/log.jsonl is in the folder of --png " + dir + "/frames/"},
        {"--script - --playlist -",
         "--script and --playlist both ask for standard input ('-'), which can be read once "
         "(try --help)"},
    };
    for (const auto& [arguments, message] : cases)
        ExpectRefusal(arguments, message);
    EXPECT_TRUE(SourceFileAt(s) == "wait 1\n") << "the script was written over";
    EXPECT_TRUE(SourceFileAt(p) == "a.mp3\n") << "the playlist was written over";

    // Devices take any number of outputs, and a script may snapshot into one file twice.
    SimRun allowed = RunSim("--log /dev/null --gif /dev/null -e 'snapshot " + dir +
                            "/a.png; wait 1; snapshot " + dir + "/a.png'");
    EXPECT_EQ(allowed.output.rfind("velm-sim: cannot load the plug-in /no/plugin.so", 0), 0u)
        << "expected the run to get as far as loading:\n"
        << allowed.output;
    std::filesystem::remove_all(dir);
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
          "--no-lcd-service", "-h, --help", "--version"})
        EXPECT_NE(text.find(std::string("\n") + option + " "), std::string::npos)
            << "option '" << option << "' missing from --help";
}

std::string SourceFile(const std::string& name) {
    std::ifstream in(std::string(VELM_TEST_DATA) + "/../../" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The help's table of exit statuses, each entry's lines joined: {"0", "success"}, ...
std::vector<std::pair<std::string, std::string>> ExitStatuses(const std::string& help) {
    std::vector<std::pair<std::string, std::string>> statuses;
    std::istringstream lines(help.substr(help.find("\nexit status:\n") + 14));
    for (std::string line; std::getline(lines, line);) {
        size_t codeEnd = line.find(' ', 2);
        if (line.compare(0, 4, "    ") == 0 && !statuses.empty())
            statuses.back().second += " " + line.substr(line.find_first_not_of(' '));
        else if (codeEnd != std::string::npos)
            statuses.push_back(
                {line.substr(2, codeEnd - 2), line.substr(line.find_first_not_of(' ', codeEnd))});
    }
    return statuses;
}

TEST(Options, HelpFitsEightyColumnsAndHasTheReadmesExitStatuses) {
    std::string help = RunSim("--help").output;
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 80u) << line;
    auto statuses = ExitStatuses(help);
    ASSERT_EQ(statuses.size(), 5u) << help;
    std::string readme = SourceFile("README.md");
    for (const auto& [status, meaning] : statuses)
        EXPECT_NE(readme.find("| " + status + " | " + meaning + " |"), std::string::npos)
            << "the README's table lacks: " << status << " " << meaning;
}

TEST(Options, VersionIsTheProjectsAndValuesMayFollowAnEqualsSign) {
    std::smatch project;
    std::string cmake = SourceFile("CMakeLists.txt");
    ASSERT_TRUE(
        std::regex_search(cmake, project, std::regex("project\\(gen_g15_velm VERSION ([0-9.]+)")));
    SimRun version = RunSim("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "velm-sim (gen_g15_velm) " + project[1].str() + "\n");

    std::string log = ::testing::TempDir() + "/options_log" + std::to_string(getpid());
    SimRun run = RunSim("--log=" + log + " --player-volume=12 -e 'wait 10'", true);
    EXPECT_EQ(run.status, 0) << run.output;
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(
        text.str().find("\"msg\":\"get-volume\",\"wparam\":-666,\"lparam\":122,\"result\":12}"),
        std::string::npos)
        << text.str().substr(0, 600);
    std::remove(log.c_str());
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
    EXPECT_NE(blank.output.find("line 1, column 11: snapshot: the LCD shows no frame"),
              std::string::npos)
        << blank.output;
}

}  // namespace
