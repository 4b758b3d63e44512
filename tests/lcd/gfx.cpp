// The drawing surface: its DIB, the drawing pass, the frame record, and what it releases.
#include <windows.h>

#include <gtest/gtest.h>

#include "hostwin/control/gdi.h"
#include "lcd/LCDGfx.h"

namespace {

class Gfx : public ::testing::Test {
protected:
    void SetUp() override {
        objectsBefore = control::GdiObjectCount();
        ASSERT_EQ(gfx.Initialize(160, 43), S_OK);
    }
    void TearDown() override {
        gfx.Shutdown();
        EXPECT_EQ(control::GdiObjectCount(), objectsBefore)
            << "the surface left GDI objects behind";
    }
    void Fill(int l, int t, int r, int b, int stock) {
        RECT rect = {l, t, r, b};
        FillRect(gfx.GetDrawingDC(), &rect, static_cast<HBRUSH>(GetStockObject(stock)));
    }
    CLCDGfx gfx;
    size_t objectsBefore = 0;
};

TEST_F(Gfx, ClearedFrameIsDarkAndWhiteLandsAbove128InTheRecord) {
    gfx.BeginFrame();
    Fill(0, 0, 160, 43, WHITE_BRUSH);
    gfx.ClearFrame();
    for (int i = 0; i < kLcdPixelBytes; ++i)
        ASSERT_LE(gfx.GetPixels()[i], 128) << "pixel " << i << " after ClearFrame";
    Fill(3, 2, 5, 3, WHITE_BRUSH);
    SetPixel(gfx.GetDrawingDC(), 159, 42, RGB(255, 255, 255));
    gfx.EndFrame();
    LscFrame* record = gfx.CopyToRecord();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->format, 1u);
    int lit = 0;
    for (int i = 0; i < kLcdPixelBytes; ++i)
        lit += record->pixels[i] > 128;
    EXPECT_EQ(lit, 3);
    EXPECT_EQ(record->pixels[2 * 160 + 3], 129);
    EXPECT_EQ(record->pixels[2 * 160 + 4], 129);
    EXPECT_EQ(record->pixels[42 * 160 + 159], 129);
    EXPECT_EQ(record->pixels[2 * 160 + 5], 0) << "black is index 0";
}

TEST_F(Gfx, BeginFrameSelectsTheDibWithWhiteTextOnBlackAndEndFrameGivesItBack) {
    HDC dc = gfx.GetDrawingDC();
    gfx.BeginFrame();
    EXPECT_EQ(GetTextColor(dc), RGB(255, 255, 255));
    EXPECT_EQ(GetBkColor(dc), RGB(0, 0, 0));
    gfx.BeginFrame();  // a second one keeps the first saved bitmap
    gfx.EndFrame();
    HDC other = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(other, gfx.GetBitmap());
    EXPECT_NE(previous, nullptr) << "the DIB is still selected in the drawing DC after EndFrame";
    SelectObject(other, previous);
    DeleteDC(other);
    gfx.EndFrame();  // without a pass: nothing to give back
    gfx.BeginFrame();
    Fill(0, 0, 1, 1, WHITE_BRUSH);
    gfx.EndFrame();
    EXPECT_EQ(gfx.GetPixels()[0], 129) << "the pass after a double BeginFrame draws into the DIB";
}

TEST_F(Gfx, RecordCarriesFormatOneOnEveryCopy) {
    LscFrame* record = gfx.CopyToRecord();
    ASSERT_NE(record, nullptr);
    record->format = 7;
    record->pixels[100] = 255;
    EXPECT_EQ(gfx.CopyToRecord()->format, 1u);
    EXPECT_EQ(record->pixels[100], 0) << "every copy takes all 6880 bytes afresh";
}

TEST_F(Gfx, ShutdownReleasesEverythingAndMayBeRepeated) {
    gfx.Shutdown();
    EXPECT_EQ(control::GdiObjectCount(), objectsBefore);
    gfx.Shutdown();
    EXPECT_EQ(gfx.GetWidth(), 0);
    EXPECT_EQ(gfx.GetHeight(), 0);
    EXPECT_EQ(gfx.GetDrawingDC(), nullptr);
    EXPECT_EQ(gfx.CopyToRecord(), nullptr) << "no record, nothing copied";
}

// Pages are set up twice (by the facade, then by the output's Open); the second set-up must
// not leak the first one's DC and DIB.
TEST_F(Gfx, InitializingAgainReleasesWhatTheSurfaceHeld) {
    size_t built = control::GdiObjectCount();
    ASSERT_EQ(gfx.Initialize(160, 43), S_OK);
    ASSERT_EQ(gfx.Initialize(160, 43), S_OK);
    EXPECT_EQ(control::GdiObjectCount(), built);
}

TEST_F(Gfx, FailedSetUpReturnsEFailAndLeavesTheSurfaceReleased) {
    gfx.Shutdown();
    control::FailCreateCompatibleDC();
    EXPECT_EQ(gfx.Initialize(160, 43), E_FAIL);
    EXPECT_EQ(gfx.GetWidth(), 0);
    EXPECT_EQ(control::GdiObjectCount(), objectsBefore);
    control::FailCreateDIBSection();
    EXPECT_EQ(gfx.Initialize(160, 43), E_FAIL);
    EXPECT_EQ(gfx.GetDrawingDC(), nullptr) << "the DC made before the DIB failed is released";
    EXPECT_EQ(gfx.CopyToRecord(), nullptr);
    EXPECT_EQ(control::GdiObjectCount(), objectsBefore);
    gfx.Shutdown();
}

// The record holds one 160 x 43 frame; a larger surface would have its copy run past it.
TEST_F(Gfx, SurfaceLargerThanTheRecordIsRefused) {
    EXPECT_EQ(gfx.Initialize(161, 43), E_FAIL);
    EXPECT_EQ(gfx.CopyToRecord(), nullptr);
    EXPECT_EQ(gfx.Initialize(0, 43), E_FAIL);
    EXPECT_EQ(gfx.Initialize(80, 86), S_OK) << "6880 pixels in another shape still fit";
}

}  // namespace
