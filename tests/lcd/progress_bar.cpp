// The progress bar's three styles, its clamping and its pixel columns.
#include <climits>
#include <memory>
#include <string>

#include "support/ItemCanvas.h"
#include "lcd/LCDProgressBar.h"

namespace {

class ProgressBarTest : public ItemCanvas {
protected:
    CLCDProgressBar* MakeBar(int width, int height, int style) {
        bar = std::make_unique<CLCDProgressBar>();
        bar->Initialize();
        bar->SetOrigin(0, 10);
        bar->SetSize(width, height);
        bar->SetLimits(0, 100);
        bar->SetBarStyle(style);
        Add(bar.get());
        return bar.get();
    }
    // The lit columns of the bar's middle row as '#' and '.'.
    std::string MiddleRow(int width, int height) { return Row(Frame(), 10 + height / 2, 0, width); }
    std::unique_ptr<CLCDProgressBar> bar;
};

TEST_F(ProgressBarTest, FilledBarOf114PixelsAtHalfFillsColumnsZeroTo56) {
    MakeBar(114, 6, 0)->SetValue(50.0f);
    std::string row = MiddleRow(114, 6);
    EXPECT_EQ(row.substr(0, 57), std::string(57, '#'));
    EXPECT_EQ(row.substr(57, 56), std::string(56, '.'));
    EXPECT_EQ(row[113], '#') << "the right border";
}

// A third of 114 columns is 37.62: the fill stops at 37 whole columns, never rounds up.
TEST_F(ProgressBarTest, FilledBarCutsAFractionOfAColumn) {
    MakeBar(114, 6, 0)->SetValue(33.0f);
    std::string row = MiddleRow(114, 6);
    EXPECT_EQ(row.substr(0, 37), std::string(37, '#')) << row;
    EXPECT_EQ(row[37], '.') << "column 37 is past the cut:\n" << row;
}

TEST_F(ProgressBarTest, FilledBarAtTheEndsShowsFrameOnlyOrAllWhite) {
    MakeBar(40, 5, 0)->SetValue(0.0f);
    frameart::Art empty = Frame();
    EXPECT_EQ(Row(empty, 12, 0, 40), "#" + std::string(38, '.') + "#");
    EXPECT_EQ(Row(empty, 10, 0, 40), std::string(40, '#')) << "top border";
    bar->SetValue(100.0f);
    frameart::Art full = Frame();
    for (int y = 10; y < 15; ++y)
        EXPECT_EQ(Row(full, y, 0, 40), std::string(40, '#'));
}

TEST_F(ProgressBarTest, CursorSlidesBetweenColumnOneAndWidthMinusCursorMinusOne) {
    MakeBar(160, 5, 1);
    struct {
        float value;
        int left;
    } cases[] = {{0.0f, 1}, {50.0f, 77}, {100.0f, 154}};
    for (auto c : cases) {
        bar->SetValue(c.value);
        std::string row = MiddleRow(160, 5);
        std::string expected = "#" + std::string(158, '.') + "#";
        for (int x = c.left; x < c.left + 5; ++x)
            expected[x] = '#';
        EXPECT_EQ(row, expected) << "at " << c.value;
    }
}

TEST_F(ProgressBarTest, DottedLineRunsOnTheMiddleRowUpToTheCursor) {
    MakeBar(100, 6, 2)->SetValue(50.0f);
    frameart::Art art = Frame();
    int cursor = static_cast<int>(1.0f + 0.5f * (100 - 5 - 1 - 1));
    std::string row = Row(art, 13, 0, cursor);
    int lit = 0;
    for (char c : row)
        lit += c == '#';
    EXPECT_GT(lit, cursor / 3) << "a dotted line on row 3 of a 6-high bar: " << row;
    EXPECT_LT(lit, cursor) << "dotted, not solid: " << row;
    EXPECT_EQ(Row(art, 12, 1, cursor), std::string(cursor - 1, '.')) << "nothing on row 2";
    EXPECT_EQ(art[13][99], '#') << "border";
    EXPECT_EQ(art[13][98], '.') << "the cursor never covers the column before the border";
}

TEST_F(ProgressBarTest, ValuesAreClampedAndTheRangeOnlyActsOnTheNextValue) {
    MakeBar(50, 5, 0);
    EXPECT_EQ(bar->SetValue(-5.0f), 0.0f);
    EXPECT_EQ(bar->SetValue(150.0f), 100.0f);
    EXPECT_EQ(bar->GetValue(), 100.0f);
    bar->SetValue(80.0f);
    bar->SetLimits(0, 50);
    EXPECT_EQ(bar->GetValue(), 80.0f);
    EXPECT_EQ(bar->SetValue(80.0f), 50.0f);
}

TEST_F(ProgressBarTest, CursorModeAndUnknownStyles) {
    MakeBar(50, 5, 0);
    bar->SetCursorMode(7);
    bar->SetValue(0.0f);
    EXPECT_EQ(MiddleRow(50, 5).substr(0, 8), "######..") << "cursor at column 1";
    bar->SetBarStyle(7);
    bar->SetValue(100.0f);
    EXPECT_EQ(MiddleRow(50, 5), "#" + std::string(48, '.') + "#") << "only the frame";
}

TEST_F(ProgressBarTest, EmptyRangeDrawsTheBarAtItsStart) {
    MakeBar(50, 5, 1);
    bar->SetLimits(40, 40);
    bar->SetValue(40.0f);
    EXPECT_EQ(MiddleRow(50, 5).substr(0, 8), "######..");
}

// The widest range an int allows is wider than an int: the middle of it is still the middle.
TEST_F(ProgressBarTest, TheWidestRangeStillPlacesTheCursor) {
    MakeBar(50, 5, 1);
    bar->SetValue(50.0f);
    std::string middle = MiddleRow(50, 5);
    bar->SetLimits(INT_MIN, INT_MAX);
    bar->SetValue(0.0f);
    EXPECT_EQ(MiddleRow(50, 5), middle);
}

}  // namespace
