// What GDI does when it draws into an 8-bit DIB section whose colour table is black up to
// index 128 and white from 129: the surface the LCD frames are drawn on.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/FrameArt.h"
#include "support/GdiScene.h"

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 43;

struct LcdBitmapInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

LcdBitmapInfo MakeInfo(int width, int height) {
    LcdBitmapInfo info;
    std::memset(&info, 0, sizeof info);
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = 8;
    info.header.biCompression = BI_RGB;
    info.header.biClrUsed = 256;
    for (int i = 129; i < 256; ++i)
        info.colors[i].rgbRed = info.colors[i].rgbGreen = info.colors[i].rgbBlue = 255;
    return info;
}

class Gdi : public ::testing::Test {
protected:
    void SetUp() override { Make(kWidth, -kHeight); }
    void TearDown() override {
        SelectObject(dc, saved);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    void Make(int width, int height) {
        LcdBitmapInfo info = MakeInfo(width, height);
        dc = CreateCompatibleDC(nullptr);
        ASSERT_NE(dc, nullptr);
        void* pixels = nullptr;
        bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &pixels,
                                  nullptr, 0);
        ASSERT_NE(bitmap, nullptr);
        ASSERT_NE(pixels, nullptr);
        bits = static_cast<BYTE*>(pixels);
        stride = ((width * 8 + 31) / 32) * 4;
        saved = SelectObject(dc, bitmap);
        ASSERT_NE(saved, nullptr) << "a new DC holds a default bitmap";
    }
    BYTE At(int x, int y) const { return bits[y * stride + x]; }
    // The lit pixels of row y between columns from and to (inclusive) as text art.
    std::string Row(int y, int from, int to) const {
        std::string row;
        for (int x = from; x <= to; ++x)
            row += At(x, y) > 128 ? '#' : '.';
        return row;
    }
    void Fill(int l, int t, int r, int b, int stock) {
        RECT rect = {l, t, r, b};
        FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(stock)));
    }
    void Line(int x0, int y0, int x1, int y1) {
        MoveToEx(dc, x0, y0, nullptr);
        LineTo(dc, x1, y1);
    }
    frameart::Art Art() const { return frameart::FromPixels(bits, kWidth, kHeight, stride); }

    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ saved = nullptr;
    BYTE* bits = nullptr;
    int stride = 0;
};

TEST_F(Gdi, NewMemoryDCStartsOpaqueBlackOnWhiteWithBlackPenAndWhiteBrush) {
    HDC fresh = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetBkMode(fresh), OPAQUE);
    EXPECT_EQ(GetBkColor(fresh), RGB(255, 255, 255));
    EXPECT_EQ(GetTextColor(fresh), RGB(0, 0, 0));
    EXPECT_EQ(GetMapMode(fresh), MM_TEXT);
    EXPECT_EQ(SelectObject(fresh, GetStockObject(WHITE_PEN)), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(fresh, GetStockObject(BLACK_BRUSH)), GetStockObject(WHITE_BRUSH));
    POINT origin = {7, 7};
    EXPECT_TRUE(GetViewportOrgEx(fresh, &origin));
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
    DeleteDC(fresh);
}

// White lands on 129 and black on 0: the lowest index of the nearest colour.
TEST_F(Gdi, ColoursAreStoredAsTheNearestTableIndexLowestFirst) {
    Fill(0, 0, 2, 1, WHITE_BRUSH);
    Fill(2, 0, 4, 1, BLACK_BRUSH);
    HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
    RECT r = {4, 0, 5, 1};
    FillRect(dc, &r, grey);
    DeleteObject(grey);
    EXPECT_EQ(At(0, 0), 129);
    EXPECT_EQ(At(1, 0), 129);
    EXPECT_EQ(At(2, 0), 0);
    EXPECT_EQ(At(4, 0), 129) << "mid grey is nearer to white";

    EXPECT_EQ(SetPixel(dc, 10, 1, RGB(255, 255, 255)), RGB(255, 255, 255));
    EXPECT_EQ(SetPixel(dc, 11, 1, RGB(127, 127, 127)), RGB(0, 0, 0));
    EXPECT_EQ(SetPixel(dc, 12, 1, RGB(255, 0, 0)), RGB(0, 0, 0));
    EXPECT_EQ(SetPixel(dc, 13, 1, RGB(255, 255, 0)), RGB(255, 255, 255));
    EXPECT_EQ(At(10, 1), 129);
    EXPECT_EQ(At(11, 1), 0);
    EXPECT_EQ(At(12, 1), 0);
    EXPECT_EQ(At(13, 1), 129);
    EXPECT_EQ(GetPixel(dc, 10, 1), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 200, 1), CLR_INVALID) << "outside the bitmap";
}

TEST_F(Gdi, InvertRectFlipsEveryBitOfTheIndex) {
    bits[0] = 0;
    bits[1] = 129;
    bits[2] = 128;
    bits[3] = 255;
    RECT r = {0, 0, 4, 1};
    EXPECT_TRUE(InvertRect(dc, &r));
    EXPECT_EQ(At(0, 0), 255);
    EXPECT_EQ(At(1, 0), 126);
    EXPECT_EQ(At(2, 0), 127);
    EXPECT_EQ(At(3, 0), 0);

    // A longer run, starting off any word boundary, ends exactly where the rectangle does.
    for (int x = 0; x < 40; ++x)
        bits[stride + x] = static_cast<BYTE>(x);
    r = {3, 1, 24, 2};
    EXPECT_TRUE(InvertRect(dc, &r));
    for (int x = 0; x < 40; ++x)
        EXPECT_EQ(At(x, 1), x >= 3 && x < 24 ? 255 - x : x) << "x " << x;
}

// FillRect and InvertRect read a rectangle as PatBlt does: a reversed extent counts back from
// its start pixel, which it includes. FrameRect draws nothing for it.
TEST_F(Gdi, ReversedRectanglesCountBackFromTheirStart) {
    Fill(6, 4, 2, 1, WHITE_BRUSH);
    EXPECT_EQ(Row(1, 0, 8), ".........");
    EXPECT_EQ(Row(2, 0, 8), "...####..");
    EXPECT_EQ(Row(4, 0, 8), "...####..");
    EXPECT_EQ(Row(5, 0, 8), ".........");
    RECT reversed = {20, 5, 17, 1};
    EXPECT_EQ(FrameRect(dc, &reversed, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))), 0);
    EXPECT_EQ(Row(3, 15, 22), "........");
}

TEST_F(Gdi, FrameRectDrawsOnePixelInsideTheRectangle) {
    RECT r = {2, 1, 7, 5};
    EXPECT_NE(FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))), 0);
    EXPECT_EQ(Row(0, 0, 8), ".........");
    EXPECT_EQ(Row(1, 0, 8), "..#####..");
    EXPECT_EQ(Row(2, 0, 8), "..#...#..");
    EXPECT_EQ(Row(4, 0, 8), "..#####..");
    EXPECT_EQ(Row(5, 0, 8), ".........");
}

// The end point is left out, and a line passing exactly between two pixels takes the one
// with the smaller coordinate, in every direction.
TEST_F(Gdi, LinesLeaveOutTheEndPointAndSettleHalvesTowardsTheSmallerCoordinate) {
    SelectObject(dc, GetStockObject(WHITE_PEN));
    struct Case {
        int dx, dy;
        const char* rows[3];  // rows y0-1, y0, y0+1 around the start (x0-4 .. x0+4)
    };
    const Case cases[] = {
        {4, 1, {".........", "....###..", ".......#."}},
        {-4, 1, {".........", "..###....", ".#......."}},
        {4, -1, {"......##.", "....##...", "........."}},
        {-4, -1, {".##......", "...##....", "........."}},
    };
    for (const Case& c : cases) {
        std::memset(bits, 0, stride * kHeight);
        Line(20, 20, 20 + c.dx, 20 + c.dy);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(Row(19 + i, 16, 24), c.rows[i])
                << "line by (" << c.dx << ", " << c.dy << "), row " << 19 + i;
    }
    std::memset(bits, 0, stride * kHeight);
    Line(20, 20, 21, 24);  // steep: columns settle towards the left
    std::string columns;
    for (int y = 20; y <= 24; ++y)
        columns += Row(y, 20, 21) + " ";
    EXPECT_EQ(columns, "#. #. #. .# .. ");
    POINT at;
    MoveToEx(dc, 0, 0, &at);
    EXPECT_EQ(at.x, 21) << "LineTo leaves the current position at its end point";
    EXPECT_EQ(at.y, 24);
}

// PS_DOT: three pixels on, three off, from the start of each LineTo; the gaps take the
// background colour only in OPAQUE mode.
TEST_F(Gdi, DottedPenPaintsGapsOnlyWhenOpaqueAndRestartsEachLine) {
    std::memset(bits, 50, stride * kHeight);
    HPEN dot = CreatePen(PS_DOT, 1, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, dot);
    SetBkColor(dc, RGB(0, 0, 0));
    Line(0, 0, 14, 0);
    SetBkMode(dc, TRANSPARENT);
    Line(0, 1, 14, 1);
    Line(14, 2, 0, 2);
    Line(0, 3, 7, 3);
    LineTo(dc, 14, 3);
    Line(-2, 4, 14, 4);  // the pattern counts from the start, also off the bitmap
    SelectObject(dc, old);
    DeleteObject(dot);
    auto row = [&](int y) {
        std::string text;
        for (int x = 0; x <= 14; ++x)
            text += At(x, y) == 129 ? '#' : At(x, y) == 0 ? 'o' : '_';
        return text;
    };
    EXPECT_EQ(row(0), "###ooo###ooo##_");
    EXPECT_EQ(row(1), "###___###___##_");
    EXPECT_EQ(row(2), "_##___###___###");
    EXPECT_EQ(row(3), "###___####___#_");
    EXPECT_EQ(row(4), "#___###___###__");
}

// The clip region is a copy in device coordinates; the viewport moves what is drawn, not it.
TEST_F(Gdi, ClipRegionIsACopyInDeviceCoordinates) {
    HRGN region = CreateRectRgn(5, 1, 15, 3);
    EXPECT_EQ(SelectClipRgn(dc, region), SIMPLEREGION);
    EXPECT_TRUE(DeleteObject(region));
    SetViewportOrgEx(dc, 3, 0, nullptr);
    Fill(0, 0, 10, 10, WHITE_BRUSH);
    EXPECT_EQ(Row(0, 0, 16), ".................");
    EXPECT_EQ(Row(1, 0, 16), ".....########....") << "columns 5 to 12: logical 2 to 9";
    EXPECT_EQ(Row(3, 0, 16), ".................");
    EXPECT_EQ(SelectClipRgn(dc, nullptr), SIMPLEREGION);
    Fill(0, 5, 1, 6, WHITE_BRUSH);
    EXPECT_EQ(At(3, 5), 129) << "the clip is gone";

    HRGN empty = CreateRectRgn(8, 8, 8, 12);
    EXPECT_EQ(SelectClipRgn(dc, empty), NULLREGION);
    DeleteObject(empty);
    std::memset(bits, 0, stride * kHeight);
    Fill(-10, -10, 200, 200, WHITE_BRUSH);
    EXPECT_EQ(SetPixel(dc, 9, 9, RGB(255, 255, 255)), RGB(255, 255, 255));
    for (int y = 0; y < kHeight; ++y)
        ASSERT_EQ(Row(y, 0, kWidth - 1), std::string(kWidth, '.')) << "row " << y;
    SelectClipRgn(dc, nullptr);
}

TEST_F(Gdi, ABitmapIsSelectedIntoOneDCAtATime) {
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(other, bitmap), nullptr);
    HGDIOBJ mine = SelectObject(dc, saved);
    EXPECT_EQ(mine, bitmap);
    EXPECT_NE(SelectObject(other, bitmap), nullptr) << "free again once deselected";
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_NE(SelectObject(dc, bitmap), nullptr) << "DeleteDC lets go of its bitmap";
}

// A process can hold only so many GDI objects; past that, creating one fails, and every handle
// that was given names its own object.
TEST(GdiLimits, EveryHandleGivenNamesItsOwnObjectUpToTheLimit) {
    std::vector<HFONT> fonts;
    for (LONG height = 1; height <= 70000; ++height) {
        LOGFONTA description = {};
        description.lfHeight = height;
        HFONT font = CreateFontIndirectA(&description);
        if (!font)
            break;
        fonts.push_back(font);
    }
    EXPECT_GT(fonts.size(), 1000u);
    size_t misnamed = 0;
    for (size_t i = 0; i < fonts.size(); ++i) {
        LOGFONTA read = {};
        if (GetObjectA(fonts[i], sizeof read, &read) != sizeof read ||
            read.lfHeight != static_cast<LONG>(i + 1))
            ++misnamed;
    }
    EXPECT_EQ(misnamed, 0u) << "of " << fonts.size() << " fonts";
    for (HFONT font : fonts)
        DeleteObject(font);
}

// GDI objects may be made, used and deleted on several threads at once: each thread's
// drawing lands whole on its own bitmap, and every handle it was given stays its own.
DWORD WINAPI DrawAloneWhileOthersDraw(LPVOID param) {
    const int id = static_cast<int>(reinterpret_cast<INT_PTR>(param));
    LcdBitmapInfo info = MakeInfo(16, -16);
    HDC dc = CreateCompatibleDC(nullptr);
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                      &pixels, nullptr, 0);
    if (!dc || !bitmap)
        return 1;
    HGDIOBJ saved = SelectObject(dc, bitmap);
    auto* bits = static_cast<BYTE*>(pixels);
    DWORD faults = 0;
    for (int round = 0; round < 400; ++round) {
        HRGN clip = CreateRectRgn(0, 0, 16, 8);
        faults += SelectClipRgn(dc, clip) != SIMPLEREGION;
        faults += !DeleteObject(clip);
        HBRUSH brush = CreateSolidBrush(RGB(255, 255, 255));
        RECT all = {0, 0, 16, 16};
        FillRect(dc, &all, brush);  // the top half only, through the clip
        faults += !DeleteObject(brush);
        SelectClipRgn(dc, nullptr);
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, id, 8, nullptr);
        LineTo(dc, id, 16);  // column id of the bottom half
        SelectObject(dc, old);
        faults += !DeleteObject(pen);
        faults += SetPixel(dc, 15, 15, RGB(255, 255, 255)) != RGB(255, 255, 255);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                bool lit = y < 8 || x == id || (x == 15 && y == 15);
                faults += (bits[y * 16 + x] == 129) != lit;
            }
        std::memset(bits, 0, 16 * 16);
    }
    SelectObject(dc, saved);
    faults += !DeleteObject(bitmap);
    faults += !DeleteDC(dc);
    return faults;
}

TEST(GdiThreads, ThreadsDrawingAtOnceEachFindTheirOwnObjectsAndPixels) {
    constexpr int kThreads = 4;
    HANDLE threads[kThreads];
    for (int i = 0; i < kThreads; ++i) {
        threads[i] =
            CreateThread(nullptr, 0, DrawAloneWhileOthersDraw,
                         reinterpret_cast<LPVOID>(static_cast<INT_PTR>(i + 2)), 0, nullptr);
        ASSERT_NE(threads[i], nullptr);
    }
    for (HANDLE thread : threads) {
        ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
        DWORD faults = 99;
        EXPECT_TRUE(GetExitCodeThread(thread, &faults));
        EXPECT_EQ(faults, 0u);
        CloseHandle(thread);
    }
}

// One scene that uses every primitive the LCD toolkit draws with; the reference was taken
// from Wine and matches what Windows documents for each step.
TEST_F(Gdi, SceneMatchesTheReferenceFramePixelForPixel) {
    DrawGdiScene(dc);
    GdiFlush();
    frameart::Art reference = frameart::Read(std::string(VELM_TEST_DATA) + "/gdi_scene.txt");
    EXPECT_EQ(reference.size(), static_cast<size_t>(kHeight)) << "reading tests/data/gdi_scene.txt";
    EXPECT_TRUE(frameart::Same(reference, Art()));
}

}  // namespace
