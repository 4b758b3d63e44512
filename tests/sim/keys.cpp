// The keyboard's keys in velm-sim: what the hook does with them on each screen, end to end
// through the log.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/SimRunner.h"

namespace {

using namespace simrunner;

// The log of one run with the script; the run must succeed.
std::string RunLogged(const std::string& options, const std::string& script) {
    std::string log = TempPath("sim_keys");
    SimRun run = RunSim(options + " -e '" + script + "' --log " + log);
    EXPECT_EQ(run.status, 0) << script << "\n" << run.output;
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    std::remove(log.c_str());
    return text.str();
}

std::string Repeat(const std::string& command, int times) {
    std::string script;
    for (int i = 0; i < times; ++i)
        script += command + "; ";
    return script;
}

// Row y of a frame event: the rows are 160-character strings, "rows":["...","...",...].
std::string FrameRow(const std::string& line, int y) {
    size_t at = line.find("\"rows\":[\"");
    if (at == std::string::npos)
        return "";
    size_t row = at + 9 + static_cast<size_t>(y) * 163;
    return row + 160 <= line.size() ? line.substr(row, 160) : "";
}

TEST(SimKeys, VolumeUpOnTheVolumeScreenTakesThePlayerTo255AndFillsTheBar) {
    std::string log = RunLogged("--player-volume 253", "wait 500; soft 3; key volup; wait 100");
    auto sets = Events(log, "player");
    std::vector<std::string> setVolume;
    for (const auto& e : sets)
        if (e.line.find("\"msg\":\"set-volume\"") != std::string::npos)
            setVolume.push_back(e.line);
    ASSERT_EQ(setVolume.size(), 1u) << log;
    EXPECT_NE(setVolume[0].find("\"wparam\":255"), std::string::npos) << setVolume[0];
    auto keys = Events(log, "key");
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_NE(keys[0].line.find("\"key\":\"volup\",\"action\":\"down\",\"hook\":\"swallowed\""),
              std::string::npos)
        << keys[0].line;
    EXPECT_NE(keys[1].line.find("\"action\":\"up\",\"hook\":\"passed\""), std::string::npos)
        << keys[1].line;
    std::string next;
    for (const auto& frame : Events(log, "frame"))
        if (frame.t > keys[0].t && next.empty())
            next = frame.line;
    ASSERT_FALSE(next.empty()) << "no frame after the key";
    EXPECT_EQ(FrameRow(next, 23).substr(20, 120), std::string(120, '#'))
        << "the volume bar in the next frame";
}

TEST(SimKeys, PlayOnTheSettingsScreenTogglesTheHighlightedItemAndSavesIt) {
    std::string defaults =
        "\"VU\":1,\"KeyboardLight\":0,\"KeyboardLightOffLevel\":0,\"LeavePlaylist\":1,"
        "\"LeaveVolume\":1,\"LeaveSettings\":0,\"SaveLcd\":0,\"SaveMkeys\":0,"
        "\"SaveKeyboard\":0,";
    std::string alone =
        RunLogged("", "wait 200; soft 4; " + Repeat("key volup", 12) + "key play; wait 50");
    auto saves = Events(alone, "settings");
    ASSERT_EQ(saves.size(), 2u) << "init's save and the toggle's";
    EXPECT_NE(saves[1].line.find(defaults + "\"AlertVolume\":0,\"AlertSongChange\":1"),
              std::string::npos)
        << "item 8 alone toggled: " << saves[1].line;

    std::string both = RunLogged("", "wait 200; soft 4; ctrl left down; ctrl right down; " +
                                         Repeat("key volup", 12) + "key play; wait 50");
    saves = Events(both, "settings");
    ASSERT_EQ(saves.size(), 2u);
    EXPECT_NE(saves[1].line.find("\"KeyboardLightOffLevel\":1,"), std::string::npos)
        << "item 10 toggled: " << saves[1].line;
}

TEST(SimKeys, WithCtrlHeldOneKeyMovesAHundredEntryPlaylistByFive) {
    std::string log =
        RunLogged("", "playlist 100; wait 200; soft 2; ctrl left down; key volup; wait 50");
    std::vector<std::string> positions;
    for (const auto& e : Events(log, "player"))
        if (e.line.find("set-playlist-position") != std::string::npos)
            positions.push_back(e.line);
    ASSERT_EQ(positions.size(), 1u);
    EXPECT_NE(positions[0].find("\"wparam\":5,"), std::string::npos) << positions[0];
}

// The hook passes the play key on the now-playing screen; the system hands it to the player,
// which pauses and resumes as a player with global media keys does.
TEST(SimKeys, PlayPassedOnTheNowPlayingScreenPausesAndResumesThePlayer) {
    std::string log = RunLogged("", "wait 300; key play; wait 100; key play; wait 100");
    auto keys = Events(log, "key");
    ASSERT_EQ(keys.size(), 4u) << log;
    EXPECT_NE(keys[0].line.find("\"key\":\"play\",\"action\":\"down\",\"hook\":\"passed\""),
              std::string::npos)
        << keys[0].line;
    std::vector<bool> paused;  // the caption the plug-in read after each key
    for (long at : {keys[0].t, keys[2].t})
        for (const auto& e : Events(log, "player"))
            if (e.t > at && e.line.find("get-caption") != std::string::npos) {
                paused.push_back(e.line.find("[Paused]") != std::string::npos);
                break;
            }
    EXPECT_EQ(paused, (std::vector<bool>{true, false}));
}

TEST(SimKeys, BadArgumentsAreRefusedAndTheCommandsListed) {
    for (const char* bad :
         {"-e 'key'", "-e 'key up'", "-e 'ctrl left'", "-e 'ctrl middle down'", "-e 'playlist x'",
          "-e 'playlist 100001'", "--player-volume 256 -e 'wait 1'", "--player-volume -e 'wait 1'"})
        EXPECT_EQ(RunSim(bad).status, 2) << bad;
    std::string help = RunSim("--help").output;
    for (const char* word :
         {"key volup|voldown|play", "ctrl left|right down|up", "playlist N", "--player-volume V"})
        EXPECT_NE(help.find(word), std::string::npos) << word << " missing from --help";
}

}  // namespace
