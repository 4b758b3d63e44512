// velm-sim as a user runs it: its exit status, its error messages and its log.
#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/SimRunner.h"

namespace {

using namespace simrunner;

TEST(Cli, LogsInitPlayerMessagesAndQuitInOrder) {
    std::string log = TempPath("cli_log");
    SimRun run = RunSim("-e 'wait 500; track 2; wait 200' --log " + log);
    ASSERT_EQ(run.status, 0) << run.output;
    auto lines = Lines(log);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front(), "{\"t\":0,\"event\":\"init\"}");
    EXPECT_NE(lines.back().find("\"event\":\"quit\""), std::string::npos) << lines.back();
    int players = 0;
    bool sawSecondTrack = false;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        // Lights and settings have their own events; here only the player's count.
        if (lines[i].find("\"event\":\"player\"") == std::string::npos)
            continue;
        ++players;
        if (lines[i].find("2. The Soft Buttons") != std::string::npos)
            sawSecondTrack = true;
    }
    EXPECT_GE(players, 14) << "a caption read every 50 ms for 700 ms";
    EXPECT_TRUE(sawSecondTrack) << "the caption follows 'track 2'";
    EXPECT_NE(lines.back().find("\"t\":7"), std::string::npos)
        << "quit returns after the last pass, a little after 700 ms: " << lines.back();
    std::remove(log.c_str());
}

TEST(Cli, SameScriptGivesTheSameLog) {
    std::string a = TempPath("cli_a"), b = TempPath("cli_b");
    const char* script = "-e 'wait 300; pause on; wait 100; volume player 12; title X; wait 80'";
    ASSERT_EQ(RunSim(std::string(script) + " --log " + a).status, 0);
    ASSERT_EQ(RunSim(std::string(script) + " --log " + b).status, 0);
    EXPECT_EQ(Lines(a), Lines(b));
    std::remove(a.c_str());
    std::remove(b.c_str());
}

TEST(Cli, UnknownCommandIsRefusedBeforeTheRunWithItsPlace) {
    SimRun run = RunSim("-e 'wait 10; frobnicate 3'");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("line 1, column 10: unknown command 'frobnicate'"), std::string::npos)
        << run.output;
}

TEST(Cli, MalformedArgumentsAreRefused) {
    EXPECT_EQ(RunSim("-e 'wait soon'").status, 2);
    EXPECT_EQ(RunSim("-e 'pause maybe'").status, 2);
    EXPECT_EQ(RunSim("-e 'volume player 256'").status, 2);
    EXPECT_EQ(RunSim("-e 'track 0'").status, 2);
    SimRun run = RunSim("--bogus");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("--bogus"), std::string::npos);
}

// A script as an editor on Windows may save it (the UTF-8 mark, CR LF), with comments after
// commands and a quoted title, read from a file and from standard input alike.
TEST(Cli, ScriptWithMarkCommentsAndQuotesRunsFromAFileOrStandardInput) {
    std::string script = TempPath("cli_script");
    const std::string head =
        "\xEF\xBB\xBF# a comment\r\n\r\nwait 100 # a tenth of a second\r\n"
        "  title \"Song #1; \\\"live\\\"\"  # the title\r\n";
    std::ofstream(script) << head << "pause on#off\r\n";
    SimRun fault = RunSim("--script " + script);
    EXPECT_EQ(fault.status, 2);
    EXPECT_EQ(fault.output, "velm-sim: line 5, column 1: pause: 'on#off' is not one of on|off\n")
        << "a '#' inside a word is no comment";

    std::ofstream(script) << head << "pause on # now\r\nwait 100\r\n";
    for (const std::string& source : {"--script " + script, "--script - < " + script}) {
        SimRun run = RunSim(source + " --log -");
        EXPECT_EQ(run.status, 0) << source << "\n" << run.output;
        EXPECT_NE(run.output.find("\"result\":\"1. Song #1; \\\"live\\\" - Winamp [Paused]\""),
                  std::string::npos)
            << source << ": expected the quoted title, paused";
    }
    std::remove(script.c_str());
}

// Every --script and -e runs, in the order given, and a fault names the part it is in.
TEST(Cli, EveryPartOfTheScriptRunsInTheOrderGiven) {
    std::string script = TempPath("cli_part");
    std::ofstream(script) << "title Second\nwait 100\n";
    SimRun run = RunSim("-e 'title First; wait 100' --script " + script +
                        " -e 'title Third; wait 100' --log -");
    ASSERT_EQ(run.status, 0) << run.output.substr(0, 300);
    size_t first = run.output.find("1. First - Winamp");
    size_t second = run.output.find("1. Second - Winamp");
    size_t third = run.output.find("1. Third - Winamp");
    ASSERT_NE(third, std::string::npos) << "the last -e was dropped";
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);

    SimRun failed =
        RunSim("--script " + script + " -e 'wait 1' -e 'expect screen 2' --log /dev/null");
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(
        failed.output,
        "velm-sim: -e #2: line 1, column 1: expected screen 2, but the plug-in's screen is 0\n");
    SimRun refused = RunSim("--script " + script + " -e 'frobnicate'");
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.output, "velm-sim: -e: line 1, column 1: unknown command 'frobnicate'\n");
    std::remove(script.c_str());
}

// Notepad's "Unicode" is UTF-16 with its mark, in either byte order.
TEST(Cli, AUtf16ScriptRunsAsItsText) {
    std::string script = TempPath("cli_utf16");
    std::string text = "title \"Sixteen\"\r\nwait 100\r\n";
    for (bool bigEndian : {false, true}) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char c : text)
            bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
        std::ofstream(script, std::ios::binary) << bytes;
        SimRun run = RunSim("--script " + script + " --log -");
        EXPECT_EQ(run.status, 0) << (bigEndian ? "big" : "little") << "-endian\n"
                                 << run.output.substr(0, 300);
        EXPECT_NE(run.output.find("\"result\":\"1. Sixteen - Winamp\""), std::string::npos)
            << (bigEndian ? "big" : "little") << "-endian: expected the script's title";
    }
    std::remove(script.c_str());
}

TEST(Cli, TheEmptyTitleThePlayerMayHaveIsAccepted) {
    SimRun run = RunSim("-e 'wait 100; title \"\"; wait 100' --log -");
    EXPECT_EQ(run.status, 0) << run.output.substr(0, 300);
    EXPECT_NE(run.output.find("\"result\":\"1.  - Winamp\""), std::string::npos)
        << "expected the caption with an empty title";
    EXPECT_EQ(RunSim("-e 'title'").status, 2) << "a title still needs its text";
}

// The last frame's rows in a log.
std::string LastFrameRows(const std::string& log) {
    size_t at = log.rfind("\"event\":\"frame\"");
    return at == std::string::npos ? "" : log.substr(log.find("\"rows\"", at));
}

// A Japanese title reaches the LCD from a Unicode player; an old player gives it in its ANSI
// code page, as question marks on a western system and in full on a Japanese one.
TEST(Cli, TitlesInEveryScriptAndWhatAnOldPlayerGivesOfThem) {
    const std::string title = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";  // 日本語
    const std::string script =
        " -e 'title " + title + "; soft 2; wait 300' --log-events player,frame --log -";
    SimRun unicode = RunSim(script);
    ASSERT_EQ(unicode.status, 0) << unicode.output.substr(0, 300);
    EXPECT_NE(unicode.output.find("\"result\":\"1. " + title + " - Winamp\""), std::string::npos)
        << "the caption";
    EXPECT_NE(unicode.output.find("\"msg\":\"get-entry-title-wide\",\"wparam\":0,\"lparam\":213,"
                                  "\"result\":\"" +
                                  title + "\""),
              std::string::npos);

    SimRun western = RunSim("--old-player" + script);
    ASSERT_EQ(western.status, 0) << western.output.substr(0, 300);
    EXPECT_NE(western.output.find("\"lparam\":213,\"result\":0"), std::string::npos);
    EXPECT_NE(western.output.find("\"lparam\":212,\"result\":\"???\""), std::string::npos);
    EXPECT_NE(LastFrameRows(western.output), LastFrameRows(unicode.output))
        << "question marks look unlike the title";

    SimRun japanese = RunSim("--old-player --ansi-code-page 932" + script);
    ASSERT_EQ(japanese.status, 0) << japanese.output.substr(0, 300);
    EXPECT_NE(japanese.output.find("\"lparam\":212,\"result\":\"" + title + "\""),
              std::string::npos);
    EXPECT_EQ(LastFrameRows(japanese.output), LastFrameRows(unicode.output));

    for (const char* codePage : {"65001", "1", "x"}) {
        SimRun refused = RunSim(std::string("--ansi-code-page ") + codePage + " -e 'wait 1'");
        EXPECT_EQ(refused.status, 2) << codePage;
        EXPECT_NE(refused.output.find("--ansi-code-page needs"), std::string::npos)
            << refused.output;
    }
}

// A long run keeps its log small by naming the events it wants; init and quit frame it.
TEST(Cli, LogEventsKeepsOnlyTheEventsNamed) {
    SimRun run =
        RunSim("--log-events screen,key -e 'wait 100; soft 3; key volup; wait 100' --log -");
    ASSERT_EQ(run.status, 0) << run.output.substr(0, 300);
    std::set<std::string> names;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
        size_t at = line.find("\"event\":\"") + 9;
        names.insert(line.substr(at, line.find('"', at) - at));
    }
    EXPECT_EQ(names, (std::set<std::string>{"init", "screen", "key", "quit"})) << run.output;
    SimRun unknown = RunSim("--log-events screen,frames -e 'wait 1'");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.output.find("--log-events needs a list of events"), std::string::npos)
        << unknown.output;
}

// The player's thread blocks in a real system call, opening a FIFO as the settings file: no
// simulated time-out can fire, and the run must still end, as a hang, with the events logged
// before it in the log's file (the log holds events back, and the hang ends the process).
TEST(Cli, APluginStuckOutsideTheSimulatedClockEndsTheRunAsHung) {
    std::string dir = TempPath("cli_fifo");
    std::filesystem::create_directories(dir);
    ASSERT_EQ(mkfifo((dir + "/VelmG15.ini").c_str(), 0600), 0);
    std::string log = TempPath("cli_fifo.jsonl");
    SimRun run = RunSim("--ini " + dir + " -e 'wait 100' --log " + log);
    EXPECT_EQ(run.status, 3) << run.output;
    EXPECT_EQ(run.output,
              "velm-sim: the plug-in hung in init: the simulated world did not come to rest in "
              "10 s of real time\n");
    std::ifstream logged(log);
    std::string first;
    std::getline(logged, first);
    EXPECT_EQ(first, "{\"t\":0,\"event\":\"init\"}");
    std::filesystem::remove_all(dir);
    std::filesystem::remove(log);
}

TEST(Cli, HelpListsEveryCommand) {
    SimRun run = RunSim("--help");
    EXPECT_EQ(run.status, 0);
    for (const char* word :
         {"wait MS", "track N", "pause on|off", "stop", "play", "volume player|wave|master V",
          "title TEXT", "--log", "--script", "-e", "--no-mixer"})
        EXPECT_NE(run.output.find(word), std::string::npos) << word;
}

TEST(Cli, SystemVolumesAndAMachineWithoutMixer) {
    EXPECT_EQ(RunSim("-e 'volume wave 65535; volume master 0; wait 100'").status, 0);
    SimRun none = RunSim("--no-mixer -e 'volume wave 3; volume master 4; wait 100'");
    EXPECT_EQ(none.status, 0) << none.output;
    EXPECT_EQ(RunSim("-e 'volume wave 65536'").status, 2);
    EXPECT_EQ(RunSim("-e 'volume master'").status, 2);
    SimRun bass = RunSim("-e 'volume bass 3'");
    EXPECT_EQ(bass.status, 2);
    EXPECT_NE(bass.output.find("'bass' is not one of player|wave|master"), std::string::npos)
        << bass.output;
}

}  // namespace
