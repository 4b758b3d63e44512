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
// row 1 at entry 0, so that it never names an entry before the first.
ListWindow StepListWindow(ListWindow window, bool towardsNext, int count);
