// The list window's multi-step forms against the single step they stand for: a Ctrl step
// through the playlist and the walk onto the playing entry must land exactly where the step
// taken one at a time lands, however long the list.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "display/ListWindow.h"

namespace {

std::string Show(ListWindow w) {
    return "top " + std::to_string(w.top) + ", row " + std::to_string(w.row);
}

// Both forms first bring a window beyond a shorter list back onto it, then step one at a time.
ListWindow OneAtATime(ListWindow w, bool towardsNext, int count, int steps) {
    if (steps > 0)
        w = KeepInList(w, count);
    for (int i = 0; i < steps; ++i)
        w = StepListWindow(w, towardsNext, count);
    return w;
}

// The walk as the rule states it, with a limit so that a fault here cannot hang the test.
bool WalkOneAtATime(ListWindow& w, int target, int count) {
    if (w.Highlighted() != target)
        w = KeepInList(w, count);
    for (int i = 0; i < 10000 && w.Highlighted() != target; ++i)
        w = StepListWindow(w, target > w.Highlighted(), count);
    return w.Highlighted() == target;
}

// Windows as the screens can leave them: rows 1 to 4, and tops and rows beyond the end of a
// list that has since become shorter.
TEST(ListWindowRuns, ManyStepsLandWhereTheSameStepsOneAtATimeLand) {
    for (int count = 0; count <= 9; ++count)
        for (int top = 0; top <= 10; ++top)
            for (int row = 1; row <= 4; ++row)
                for (int steps = 0; steps <= 14; ++steps)
                    for (bool next : {false, true}) {
                        ListWindow from{top, row};
                        ASSERT_EQ(Show(StepListWindow(from, next, count, steps)),
                                  Show(OneAtATime(from, next, count, steps)))
                            << "from " << Show(from) << ", " << steps << " steps "
                            << (next ? "on" : "back") << " in a list of " << count;
                    }
}

TEST(ListWindowRuns, TheWalkOntoAnEntryLandsWhereTheStepByStepWalkLands) {
    for (int count = 1; count <= 9; ++count)
        for (int top = 0; top <= 10; ++top)
            for (int row = 1; row <= 4; ++row)
                for (int target = 0; target < count; ++target) {
                    ListWindow from{top, row};
                    ListWindow expected = from;
                    ASSERT_TRUE(WalkOneAtATime(expected, target, count));
                    ASSERT_EQ(Show(WalkListWindowTo(from, target, count)), Show(expected))
                        << "from " << Show(from) << " onto entry " << target << " of " << count;
                }
}

// A player may answer any length. A Ctrl step in a list of INT_MAX entries is a twentieth of
// it, 107374182 entries; the walk to its last entry is 2147483646 of them.
TEST(ListWindowRuns, HugeListsGiveTheWindowTheStepsWouldGive) {
    int steps = static_cast<int>(INT_MAX * 0.05);
    EXPECT_EQ(Show(StepListWindow({0, 1}, true, INT_MAX, steps)),
              "top " + std::to_string(steps - 3) + ", row 4");
    EXPECT_EQ(Show(StepListWindow({1000, 1}, false, INT_MAX, steps)), "top 0, row 1");
    EXPECT_EQ(Show(WalkListWindowTo({0, 1}, INT_MAX - 1, INT_MAX)),
              "top " + std::to_string(INT_MAX - 4) + ", row 4");
    EXPECT_EQ(Show(WalkListWindowTo({INT_MAX - 4, 4}, 5, INT_MAX)), "top 5, row 1");
}

// A list that became shorter under the window: the highlight comes back onto its last entry
// rather than naming entries that are gone; a window inside the list stays as it is.
TEST(ListWindowRuns, AHighlightBeyondAShorterListComesBackOntoItsLastEntry) {
    EXPECT_EQ(Show(KeepInList({47, 3}, 100)), "top 47, row 3");
    EXPECT_EQ(Show(KeepInList({47, 3}, 10)), "top 6, row 4");
    EXPECT_EQ(Show(KeepInList({47, 3}, 3)), "top 0, row 3");
    EXPECT_EQ(Show(KeepInList({8, 2}, 10)), "top 8, row 2") << "its last entry, shown";
    EXPECT_EQ(Show(KeepInList({6, 4}, 9)), "top 5, row 4") << "the list one shorter under it";
    EXPECT_EQ(Show(KeepInList({5, 4}, 0)), "top 0, row 1");
    EXPECT_EQ(Show(StepListWindow({47, 3}, true, 10, 1)), "top 6, row 4") << "at the end already";
    EXPECT_EQ(Show(StepListWindow({47, 3}, false, 10, 1)), "top 6, row 3");
}

// The settings list loses its two hidden items when a Ctrl key is let go; a key pressed before
// the screen's next pass steps the window from where it is, not from the pulled-back one.
TEST(ListWindowRuns, ASingleStepStartsFromTheWindowAsItIs) {
    EXPECT_EQ(Show(StepListWindow({7, 4}, false, 9)), "top 7, row 3");
    EXPECT_EQ(Show(StepListWindow({7, 4}, true, 9)), "top 7, row 4");
}

}  // namespace
