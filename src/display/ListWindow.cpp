#include "display/ListWindow.h"

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
