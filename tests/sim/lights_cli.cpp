// velm-sim with the settings folder, the keyboard's lights, the screen saver and the player's
// visual data, as a user drives them from a script.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/SimRunner.h"

namespace {

using namespace simrunner;

std::string Light(int selector, int value) {
    return "\"selector\":" + std::to_string(selector) + ",\"value\":" + std::to_string(value) + "}";
}

class SimLights : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "velm-cli-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    // Runs the script with the folder as the DLL's and returns the log.
    std::string Run(const std::string& script, const std::string& options = "") {
        SimRun run = RunSim("-e '" + script + "' --ini " + folder + " --log " + folder +
                            "/log.jsonl " + options);
        EXPECT_EQ(run.status, 0) << run.output;
        return ReadFile(folder + "/log.jsonl");
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string IniFile() const { return folder + "/VelmG15.ini"; }

    std::string folder;
};

TEST_F(SimLights, AnEmptyFolderGetsTheSettingsFileWithTheElevenDefaults) {
    std::string log = Run("wait 200");
    EXPECT_EQ(ReadFile(IniFile()),
              "[General]\r\nVU=1\r\nKeyboardLight=0\r\nKeyboardLightOffLevel=0\r\n"
              "LeavePlaylist=1\r\nLeaveVolume=1\r\nLeaveSettings=0\r\nSaveLcd=0\r\nSaveMkeys=0\r\n"
              "SaveKeyboard=0\r\nAlertVolume=1\r\nAlertSongChange=1\r\n");
    auto settings = Events(log, "settings");
    ASSERT_EQ(settings.size(), 1u) << "one save at init:\n" << log;
    EXPECT_EQ(settings[0].line,
              "{\"t\":0,\"event\":\"settings\",\"path\":\"VelmG15.ini\",\"VU\":1,"
              "\"KeyboardLight\":0,"
              "\"KeyboardLightOffLevel\":0,\"LeavePlaylist\":1,\"LeaveVolume\":1,"
              "\"LeaveSettings\":0,\"SaveLcd\":0,\"SaveMkeys\":0,\"SaveKeyboard\":0,"
              "\"AlertVolume\":1,\"AlertSongChange\":1}");
}

TEST_F(SimLights, AnExistingFileKeepsItsOtherSectionsAndReadsWhatItCan) {
    std::ofstream(IniFile())
        << "[Other]\nkeep=me\n[General]\nVU=abc\nLeaveSettings=7\n[More]\nx=1\n";
    std::string log = Run("wait 100");
    std::string ini = ReadFile(IniFile());
    EXPECT_NE(ini.find("[Other]\r\nkeep=me\r\n[General]\r\nVU=1\r\nLeaveSettings=7\r\n"),
              std::string::npos)
        << ini;
    EXPECT_NE(ini.find("[More]\r\nx=1\r\n"), std::string::npos) << ini;
    auto settings = Events(log, "settings");
    ASSERT_EQ(settings.size(), 1u);
    EXPECT_NE(settings[0].line.find("\"VU\":1,"), std::string::npos) << settings[0].line;
    EXPECT_NE(settings[0].line.find("\"LeaveSettings\":7,"), std::string::npos);
}

// A folder where the file should be refuses it to anyone, the superuser too: the settings go
// to the user's file under the folder given, and the log names it apart from that folder.
TEST_F(SimLights, WhereTheDllsFolderTakesNoFileTheSettingsGoToTheUsersFolder) {
    std::filesystem::create_directories(IniFile());
    std::filesystem::create_directories(folder + "/appdata");
    auto settings = Events(Run("wait 100", "--appdata " + folder + "/appdata"), "settings");
    ASSERT_EQ(settings.size(), 1u);
    EXPECT_NE(settings[0].line.find(",\"path\":\"%APPDATA%\\\\VelmG15\\\\VelmG15.ini\",\"VU\":1,"),
              std::string::npos)
        << settings[0].line;
    EXPECT_EQ(ReadFile(folder + "/appdata/VelmG15/VelmG15.ini").rfind("[General]\r\nVU=1\r\n", 0),
              0u);
}

TEST_F(SimLights, LoudMusicLightsEveryMkeyAtMostOncePerFiftyMillisecondsAndSilenceNone) {
    auto lights = Events(Run("visual loud; wait 500; visual silence; wait 50"), "light");
    ASSERT_GE(lights.size(), 3u);
    EXPECT_NE(lights[lights.size() - 2].line.find(Light(4, 15)), std::string::npos)
        << "silence darkens every M-key: " << lights[lights.size() - 2].line;
    lights.resize(lights.size() - 2);  // the silent pass and the exit's
    long last = -1000;
    int seen = 0;
    for (const auto& e : lights) {
        if (e.t == 0)
            continue;  // the first pass ran during init, before the script
        EXPECT_NE(e.line.find(Light(4, 0)), std::string::npos) << e.line;
        EXPECT_GE(e.t - last, 50) << e.line;
        last = e.t;
        ++seen;
    }
    EXPECT_GE(seen, 9) << "about one report per pass";
}

TEST_F(SimLights, AFaultingDataFunctionWritesNoReportAndTheRunGoesOn) {
    std::string log =
        Run("visual silence; wait 100; visual fault; wait 500; title Still Here; "
            "wait 100");
    auto quit = Events(log, "quit");
    ASSERT_EQ(quit.size(), 1u) << log;
    for (const auto& e : Events(log, "light"))
        EXPECT_TRUE(e.t <= 100 || e.t == quit[0].t) << "a report while faulting: " << e.line;
    EXPECT_NE(log.find("Still Here"), std::string::npos) << "passes kept reading the caption";
}

TEST_F(SimLights, TheScreenSaverDarkensTheMkeysAndGivesTheMaskBack) {
    std::ofstream(IniFile()) << "[General]\nSaveMkeys=1\n";
    auto lights =
        Events(Run("visual loud; wait 100; saver on; wait 200; saver off; visual silence; "
                   "wait 100"),
               "light");
    std::vector<std::string> after;
    for (const auto& e : lights)
        if (e.t > 100)
            after.push_back(e.line.substr(e.line.find("\"selector\"")));
    ASSERT_GE(after.size(), 3u);
    EXPECT_EQ(after[0], Light(4, 15)) << "dark as the screen saver starts";
    EXPECT_EQ(after[1], Light(4, 0)) << "the loud meter's mask back when it ends";
    EXPECT_EQ(after[2], Light(4, 15)) << "then the meter again";
}

TEST_F(SimLights, WithoutKeyboardNoLightEventEverAppears) {
    std::ofstream(IniFile()) << "[General]\nSaveMkeys=1\nKeyboardLight=1\n";
    std::string log =
        Run("visual loud; wait 100; saver on; wait 100; saver off; wait 100", "--no-keyboard");
    EXPECT_TRUE(Events(log, "light").empty()) << log;
    EXPECT_EQ(Events(log, "settings").size(), 1u);
}

TEST_F(SimLights, TheNewWordsAreCheckedAndListed) {
    EXPECT_EQ(RunSim("-e 'saver maybe'").status, 2);
    EXPECT_EQ(RunSim("-e 'visual quiet'").status, 2);
    EXPECT_EQ(RunSim("-e 'wait 1' --ini").status, 2);
    EXPECT_EQ(RunSim("-e 'wait 1' --appdata").status, 2);
    SimRun help = RunSim("--help");
    for (const char* word : {"saver on|off", "visual music|silence|loud|fault", "--ini DIR",
                             "--appdata DIR", "--no-keyboard"})
        EXPECT_NE(help.output.find(word), std::string::npos) << word;
}

TEST_F(SimLights, TheDefaultFolderIsTemporaryAndRemovedAtTheEnd) {
    // The run's temporary folders (the DLL's and the user's) go into this test's own folder.
    SimRun run = RunSim("-e 'wait 100' --log " + folder + "/log.jsonl", "TMPDIR=" + folder);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(Events(ReadFile(folder + "/log.jsonl"), "settings").size(), 1u)
        << "the settings were written somewhere";
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        EXPECT_EQ(entry.path().filename(), "log.jsonl") << "left behind: " << entry.path();
}

}  // namespace
