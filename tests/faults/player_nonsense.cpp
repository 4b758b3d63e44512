// A player that answers nonsense: numbers outside every range, no title where one is expected,
// no visual-data functions or ones that fault, a playlist that shrinks under the playlist
// screen. The plug-in neither crashes nor hangs, its state stays within its ranges, and every
// other feature keeps working.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "support/FaultHarness.h"
#include "player/PlayerMessages.h"

namespace {

struct Answer {
    LPARAM function;
    WPARAM argument;  // matched only when matchArgument is set
    bool matchArgument;
    LRESULT value;
};

std::string AnswersText(const std::vector<Answer>& answers) {
    std::string text;
    for (const Answer& a : answers)
        text += "function " + std::to_string(a.function) +
                (a.matchArgument ? "(" + std::to_string(static_cast<long long>(a.argument)) + ")"
                                 : "") +
                " answers " + std::to_string(static_cast<long long>(a.value)) + "; ";
    return text;
}

class PlayerNonsense : public FaultHarness {
protected:
    void Answering(std::vector<Answer> answers) {
        player->SetAnswerOverride([answers](UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
            if (msg != WM_USER)
                return false;
            for (const Answer& a : answers)
                if (a.function == lp && (!a.matchArgument || a.argument == wp)) {
                    result = a.value;
                    return true;
                }
            return false;
        });
    }
    // Every screen with its keys, Ctrl held for the large playlist steps.
    void VisitEveryScreen(const std::string& when) {
        Tap(1);
        Run(300);
        ExpectInvariants(when + ", now playing");
        Tap(3);
        PressTimes(VK_VOLUME_UP, 2);
        Press(VK_VOLUME_DOWN);
        ExpectInvariants(when + ", volume screen");
        Tap(2);
        Ctrl(VK_LCONTROL, true);
        PressTimes(VK_VOLUME_UP, 3);
        Ctrl(VK_LCONTROL, false);
        Press(VK_VOLUME_DOWN);
        Press(VK_MEDIA_PLAY_PAUSE);
        Run(100);
        ExpectInvariants(when + ", playlist screen");
        Tap(4);
        PressTimes(VK_VOLUME_UP, 10);
        ExpectInvariants(when + ", settings screen");
        Tap(1);
    }
};

constexpr WPARAM kQueryVolume = static_cast<WPARAM>(kPlayerQueryVolume);

TEST_F(PlayerNonsense, NumbersOutsideEveryRangeLeaveEveryScreenWorking) {
    const std::vector<std::vector<Answer>> cases = {
        {{kPlayerPlayTime, 0, true, INT_MIN}},
        {{kPlayerPlayTime, 0, true, -1}},
        {{kPlayerPlayTime, 0, true, INT_MAX}},
        {{kPlayerPlayTime, 1, true, INT_MIN}},
        {{kPlayerPlayTime, 1, true, -1}},
        {{kPlayerPlayTime, 1, true, 0}},
        {{kPlayerPlayTime, 1, true, INT_MAX}},
        {{kPlayerPlayTime, 1, true, 2147484}},  // times 1000 is past INT_MAX
        {{kPlayerVolume, kQueryVolume, true, INT_MIN}},
        {{kPlayerVolume, kQueryVolume, true, -1}},
        {{kPlayerVolume, kQueryVolume, true, 256}},
        {{kPlayerVolume, kQueryVolume, true, INT_MAX}},
        {{kPlayerPlaylistLength, 0, false, INT_MIN}},
        {{kPlayerPlaylistLength, 0, false, -1}},
        {{kPlayerPlaylistLength, 0, false, 0}},
        {{kPlayerPlaylistLength, 0, false, 1}},
        {{kPlayerPlaylistLength, 0, false, INT_MAX}},
        {{kPlayerPlaylistPosition, 0, false, INT_MIN}},
        {{kPlayerPlaylistPosition, 0, false, -1}},
        {{kPlayerPlaylistPosition, 0, false, INT_MAX}},
        {{kPlayerPlaylistLength, 0, false, INT_MAX},
         {kPlayerPlaylistPosition, 0, false, INT_MAX - 1}},
        {{kPlayerEntryTitle, 0, false, 0}},
        {{kPlayerEntryTitleWide, 0, false, 0}},
    };
    Start();
    for (const auto& answers : cases) {
        Answering(answers);
        // A new title each time, so that the playlist window follows whatever is answered.
        player->PlayEntry(player->CurrentEntry() == 0 ? 1 : 0);
        VisitEveryScreen(AnswersText(answers));
    }
    player->SetAnswerOverride(nullptr);
    ExpectStillWorking("every nonsense answer");
}

// The walk onto the playing entry and a Ctrl step through the list are one twentieth of two
// thousand million entries long: they must come back at once, not after the pass's time.
TEST_F(PlayerNonsense, AHugePlaylistIsWalkedAndSteppedWithoutLoopingThroughIt) {
    Answering({{kPlayerPlaylistLength, 0, false, INT_MAX},
               {kPlayerPlaylistPosition, 0, false, INT_MAX - 1}});
    Start();
    player->PlayEntry(2);  // a new title: the window follows the answered position
    Run(100);
    EXPECT_EQ(g_screenState.playlistTop.load(), INT_MAX - 4);
    EXPECT_EQ(g_screenState.playlistRow.load(), 4);
    Tap(2);
    g_screenState.playlistTop.store(0);
    g_screenState.playlistRow.store(1);
    Ctrl(VK_RCONTROL, true);
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(Press(VK_VOLUME_UP));
    Ctrl(VK_RCONTROL, false);
    EXPECT_EQ(g_screenState.playlistTop.load(), 20 * static_cast<int>(INT_MAX * 0.05) - 3);
    EXPECT_EQ(g_screenState.playlistRow.load(), 4);
    auto positions = Sent("set-playlist-position");
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.back(), 20LL * static_cast<int>(INT_MAX * 0.05)) << "the highlighted entry";
}

// Volume up from a player that claims INT_MAX sets 255, the top of the range, not the 0 that
// an overflowing sum would give.
TEST_F(PlayerNonsense, AVolumeBeyondTheRangeIsSteppedToItsEnd) {
    Start();
    Tap(3);
    Answering({{kPlayerVolume, kQueryVolume, true, INT_MAX}});
    ForgetMessages();
    EXPECT_TRUE(Press(VK_VOLUME_UP));
    EXPECT_EQ(Sent("set-volume"), std::vector<long long>{255});
    Answering({{kPlayerVolume, kQueryVolume, true, INT_MIN}});
    ForgetMessages();
    EXPECT_TRUE(Press(VK_VOLUME_DOWN));
    EXPECT_EQ(Sent("set-volume"), std::vector<long long>{0});
}

// Null entry titles show as empty rows: the same frame as a playlist with no entries there.
TEST_F(PlayerNonsense, NullEntryTitlesShowAsEmptyRows) {
    Start();
    Tap(2);
    Answering({{kPlayerEntryTitleWide, 0, false, 0}, {kPlayerEntryTitle, 0, false, 0}});
    Run(100);
    frameart::Art nullTitles = LastFrame();
    player->SetAnswerOverride(nullptr);
    player->SetPlaylist({});
    g_screenState.playlistTop.store(0);
    g_screenState.playlistRow.store(1);
    Run(100);
    EXPECT_TRUE(frameart::Same(LastFrame(), nullTitles));
}

// Wide titles as a careless player may hand them out: one that runs on without a terminator (the
// sanitizer builds see a read past its 600 units), one of lone surrogates and controls, and an
// empty one. Each row shows something or nothing, and the screen goes on.
TEST_F(PlayerNonsense, WideEntryTitlesAreReadOnlyAsFarAsATitleGoes) {
    static const std::vector<char16_t> endless(600, u'\u65e5');
    static const char16_t odd[] = {u'\xd800', u'A', u'\x01', u'\xdc00', u'\n', u'B', 0};
    static const char16_t empty[] = {0};
    WriteSettings("LeavePlaylist=0");
    Start();
    Tap(2);
    auto rowLit = [this](int row) {
        frameart::Art frame = LastFrame();
        int lit = 0;
        for (int y = row * 9 + 2; y < row * 9 + 8; ++y)
            lit += static_cast<int>(std::count(frame[y].begin(), frame[y].end(), '#'));
        return lit;
    };
    for (const char16_t* title : {endless.data(), odd}) {
        Answering({{kPlayerEntryTitleWide, 1, true, reinterpret_cast<LRESULT>(title)}});
        Run(100);
        EXPECT_GT(rowLit(2), 0) << "row 2 shows the title";
    }
    Answering({{kPlayerEntryTitleWide, 1, true, reinterpret_cast<LRESULT>(empty)}});
    Run(100);
    EXPECT_EQ(rowLit(2), 0) << "an empty title is an empty row, not the ANSI title";
    player->SetAnswerOverride(nullptr);
    ExpectStillWorking("wide titles");
}

class ShrinkingPlaylist : public PlayerNonsense {
protected:
    // The playlist screen on entry 47 of a hundred.
    void ShowEntry47() {
        std::vector<testbed::Entry> hundred;
        for (int i = 1; i <= 100; ++i)
            hundred.push_back({"Song " + std::to_string(i), 200});
        player->SetPlaylist(hundred);
        WriteSettings("LeavePlaylist=0");
        Start();
        Tap(2);
        g_screenState.playlistTop.store(44);
        g_screenState.playlistRow.store(4);
        Run(100);
    }
    // The same first entry stays current, so the title does not change and no follow step runs.
    void ClaimLength(int length) {
        player->SetAnswerOverride([length](UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
            if (msg != WM_USER || lp != kPlayerPlaylistLength)
                return false;
            result = length;
            return true;
        });
    }
};

// The playlist shrinks from 100 entries to 3: the screen shows the highlight on the last of
// the three, and the keys step within them.
TEST_F(ShrinkingPlaylist, TheScreenAndTheKeysComeBackOntoTheList) {
    ShowEntry47();
    ClaimLength(3);
    Run(100);
    ExpectInvariants("after the shrink");
    frameart::Art shrunk = LastFrame();
    ForgetMessages();
    EXPECT_TRUE(Press(VK_VOLUME_DOWN));
    EXPECT_EQ(Sent("set-playlist-position"), std::vector<long long>{1})
        << "one back from the third";
    g_screenState.playlistTop.store(0);
    g_screenState.playlistRow.store(3);
    Run(100);
    EXPECT_TRUE(frameart::Same(LastFrame(), shrunk)) << "the highlight was on the third entry";
    ExpectStillWorking("the shrink");
}

// A player reloading its playlist answers an empty list for a moment: the window is where it
// was once the list is back.
TEST_F(ShrinkingPlaylist, AListEmptyForAMomentKeepsTheWindow) {
    ShowEntry47();
    frameart::Art before = LastFrame();
    ClaimLength(0);
    Run(100);
    player->SetAnswerOverride(nullptr);
    Run(100);
    EXPECT_EQ(g_screenState.playlistTop.load(), 44);
    EXPECT_EQ(g_screenState.playlistRow.load(), 4);
    EXPECT_TRUE(frameart::Same(LastFrame(), before));
}

// No visual-data functions at all, or ones that fault: no spectrum and no level meter, and
// everything else as usual.
TEST_F(PlayerNonsense, MissingOrFaultingVisualDataFunctionsCostOnlyTheSpectrumAndMeters) {
    Answering({{kPlayerVisualData, 0, false, 0}});
    Start();
    keyboard->ClearReports();
    Run(500);
    EXPECT_TRUE(keyboard->Writes().empty()) << "no meter without data";
    ExpectStillWorking("no visual-data functions");
    Stop();

    player->SetAnswerOverride(nullptr);
    testbed::SimulatedPlayer::SetVisualMode(testbed::VisualMode::Fault);
    Start();
    keyboard->ClearReports();
    Run(500);
    EXPECT_TRUE(keyboard->Writes().empty()) << "no meter from a faulting function";
    ExpectStillWorking("faulting visual-data functions");
    testbed::SimulatedPlayer::SetVisualMode(testbed::VisualMode::Music);
    Run(200);
    EXPECT_FALSE(keyboard->Writes().empty()) << "the meters come back with the data";
}

}  // namespace
