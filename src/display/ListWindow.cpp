#include "display/ListWindow.h"

#include <algorithm>

namespace {

// How many single steps from here would each only scroll the window by one entry, the
// highlight staying in the edge row it moves towards.
int ScrollRun(ListWindow window, bool towardsNext, int count) {
    if (count <= 0 || window.top < 0)
        return 0;
    if (towardsNext)
        return window.row == kVisibleRows ? std::max(0, count - kVisibleRows - window.top) : 0;
    return window.row == 1 ? window.top : 0;
}

ListWindow Scrolled(ListWindow window, bool towardsNext, int entries) {
    window.top += towardsNext ? entries : -entries;
    return window;
}

bool Same(ListWindow a, ListWindow b) {
    return a.top == b.top && a.row == b.row;
}

}  // namespace

ListWindow KeepInList(ListWindow window, int count) {
    if (count <= 0)
        return {0, 1};
    if (window.Highlighted() < count)
        return window;
    return {std::max(0, count - kVisibleRows), std::min(kVisibleRows, count)};
}

ListWindow StepListWindow(ListWindow window, bool towardsNext, int count) {
    if (count <= 0)
        return {0, 1};
    window.row += towardsNext ? 1 : -1;
    if (window.row < 1) {
        window.row = 1;
        if (window.top > 0)
            --window.top;
    }
    if (window.row > count)
        window.row = count;
    if (window.row > kVisibleRows) {
        window.row = kVisibleRows;
        if (window.top + kVisibleRows < count)
            ++window.top;
    }
    return window;
}

// A window inside the list stays inside it step after step, so it is put there only once.
ListWindow StepListWindow(ListWindow window, bool towardsNext, int count, int steps) {
    if (steps > 0)
        window = KeepInList(window, count);
    while (steps > 0) {
        int run = std::min(steps, ScrollRun(window, towardsNext, count));
        if (run > 0) {
            window = Scrolled(window, towardsNext, run);
            steps -= run;
            continue;
        }
        ListWindow stepped = StepListWindow(window, towardsNext, count);
        if (Same(stepped, window))
            break;
        window = stepped;
        --steps;
    }
    return window;
}

// While the window scrolls, every step moves the highlight by exactly one entry, so the
// direction stays the same for the whole distance.
ListWindow WalkListWindowTo(ListWindow window, int target, int count) {
    if (window.Highlighted() != target)
        window = KeepInList(window, count);
    while (window.Highlighted() != target) {
        bool towardsNext = target > window.Highlighted();
        long long distance = static_cast<long long>(target) - window.Highlighted();
        if (distance < 0)
            distance = -distance;
        int run =
            static_cast<int>(std::min<long long>(distance, ScrollRun(window, towardsNext, count)));
        window = run > 0 ? Scrolled(window, towardsNext, run)
                         : StepListWindow(window, towardsNext, count);
    }
    return window;
}
