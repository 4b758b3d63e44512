// The four-row window onto a list that the playlist and settings screens show: which entry is
// in the first row and which row is highlighted. The keys and the playlist's following of the
// playing entry all move it by the same rule, one row at a time.
#pragma once

constexpr int kVisibleRows = 4;

struct ListWindow {
    int top;  // entry in row 1, from 0
    int row;  // highlighted row, 1 to kVisibleRows

    int Highlighted() const { return top + row - 1; }
};

// Moves the highlight one row towards the next entry (or the previous one); the window scrolls
// by one entry when the highlight would leave the visible rows, and the highlight stays within
// the list's count entries. An empty list has nothing to highlight: the window goes back to
// row 1 at entry 0, so that it never names an entry before the first. A window beyond the end
// of the list is stepped from where it is (the settings list only ever shrinks by its two
// hidden items, which its screen puts right on its next pass).
ListWindow StepListWindow(ListWindow window, bool towardsNext, int count);

// A window whose highlight lies beyond the end of the list (the list has become shorter since)
// moves onto the list's last entry, in the last row that entry can take; the playlist's
// steps and walks start from there. An empty list gives row 1 at entry 0.
ListWindow KeepInList(ListWindow window, int count);

// The same as KeepInList and then the single step `steps` times, at a cost that does not grow
// with steps or count: while the highlight sits in the row at the edge it moves towards, each
// step only scrolls the window by one entry, and such a run is taken at once; a step that
// changes nothing (at an end of the list) ends the walk, since every further one changes
// nothing too.
// A player may answer a playlist of two thousand million entries.
ListWindow StepListWindow(ListWindow window, bool towardsNext, int count, int steps);
// Single steps towards the entry target, the direction chosen anew before each, until the
// highlight is on it; runs of scrolling are again taken at once. target must lie within the
// list (0 <= target < count).
ListWindow WalkListWindowTo(ListWindow window, int target, int count);
