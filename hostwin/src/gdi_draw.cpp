// GDI drawing into 8-bit DIB sections: pixels, pen lines and the user32 rectangle calls. Every
// primitive goes through the viewport origin and is clipped to the bitmap and the clip region.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "hostwin_private.h"

using namespace hostwin::gdi;

namespace hostwin::gdi {

namespace {

BYTE SearchNearestIndex(const Bitmap& bitmap, COLORREF color) {
    int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
    BYTE best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < bitmap.colors.size(); ++i) {
        const RGBQUAD& c = bitmap.colors[i];
        long dr = r - c.rgbRed, dg = g - c.rgbGreen, db = b - c.rgbBlue;
        long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<BYTE>(i);
        }
    }
    return best;
}

}  // namespace

BYTE RememberNearestIndex(const Bitmap& bitmap, COLORREF color) {
    BYTE index = SearchNearestIndex(bitmap, color);
    bitmap.remembered[bitmap.nextToReplace] = {color, index};
    bitmap.nextToReplace = (bitmap.nextToReplace + 1) % Bitmap::kRememberedColors;
    if (bitmap.rememberedCount < Bitmap::kRememberedColors)
        ++bitmap.rememberedCount;
    return index;
}

COLORREF IndexColor(const Bitmap& bitmap, BYTE index) {
    if (index >= bitmap.colors.size())
        return RGB(0, 0, 0);
    const RGBQUAD& c = bitmap.colors[index];
    return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue);
}

bool PlotPixel(DC& dc, int x, int y, COLORREF color) {
    return PlotIndex(dc, x, y, NearestIndex(*dc.bitmap, color));
}

bool PlotIndex(DC& dc, int x, int y, BYTE index) {
    RECT area = DrawableRect(dc);
    POINT p = ToDevice(dc, x, y);
    if (p.x < area.left || p.x >= area.right || p.y < area.top || p.y >= area.bottom)
        return false;
    PutIndex(dc, p.x, p.y, index);
    return true;
}

namespace {

// Inverts a run of pixels eight at a time: the settings screen inverts whole lines each frame.
void InvertRun(BYTE* pixels, size_t count) {
    for (; count >= sizeof(uint64_t); count -= sizeof(uint64_t), pixels += sizeof(uint64_t)) {
        uint64_t word;
        std::memcpy(&word, pixels, sizeof word);
        word = ~word;
        std::memcpy(pixels, &word, sizeof word);
    }
    for (; count > 0; --count, ++pixels)
        *pixels = static_cast<BYTE>(~*pixels);
}

}  // namespace

void FillDeviceRect(DC& dc, RECT device, RectOp op, BYTE index) {
    RECT area = DrawableRect(dc);
    LONG left = std::max(device.left, area.left), right = std::min(device.right, area.right);
    LONG top = std::max(device.top, area.top), bottom = std::min(device.bottom, area.bottom);
    if (left >= right)
        return;
    for (LONG y = top; y < bottom; ++y) {
        BYTE* row = dc.bitmap->Row(y);
        if (op == RectOp::Copy)
            std::memset(row + left, index, static_cast<size_t>(right - left));
        else
            InvertRun(row + left, static_cast<size_t>(right - left));
    }
}

}  // namespace hostwin::gdi

namespace {

// Runs of on and off pixels of the styled cosmetic pens, starting with a run that is drawn.
struct DashPattern {
    int count;
    int runs[6];
    int length;
};

const DashPattern* PatternOf(int style) {
    static const DashPattern dash = {2, {18, 6}, 24};
    static const DashPattern dot = {2, {3, 3}, 6};
    static const DashPattern dashDot = {4, {9, 6, 3, 6}, 24};
    static const DashPattern dashDotDot = {6, {9, 3, 3, 3, 3, 3}, 24};
    switch (style) {
        case PS_DASH:
            return &dash;
        case PS_DOT:
            return &dot;
        case PS_DASHDOT:
            return &dashDot;
        case PS_DASHDOTDOT:
            return &dashDotDot;
        default:
            return nullptr;
    }
}

bool DashIsOn(const DashPattern& pattern, int64_t step) {
    int position = static_cast<int>(step % pattern.length);
    for (int i = 0; i < pattern.count; ++i) {
        if (position < pattern.runs[i])
            return i % 2 == 0;
        position -= pattern.runs[i];
    }
    return false;
}

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// num / den (den > 0) rounded to the nearest integer, halves towards minus infinity: how
// Windows (and Wine) settle a line that passes exactly between two pixels.
int64_t RoundHalfDown(int64_t num, int64_t den) {
    return -FloorDiv(den - 2 * num, 2 * den);
}

// The visible steps i in [0, n) of x0 + s * i within [low, high).
void VisibleSteps(int64_t x0, int s, int64_t low, int64_t high, int64_t n, int64_t& first,
                  int64_t& last) {
    if (s > 0) {
        first = std::max<int64_t>(0, low - x0);
        last = std::min<int64_t>(n, high - x0);
    } else {
        first = std::max<int64_t>(0, x0 - high + 1);
        last = std::min<int64_t>(n, x0 - low + 1);
    }
}

// One pen line in device coordinates, the end point left out. A styled pen's pattern starts
// afresh at the start point; with an opaque background the gaps take the background colour.
void DrawLine(DC& dc, POINT from, POINT to) {
    const Pen& pen = *dc.pen;
    if (pen.style == PS_NULL)
        return;
    RECT area = DrawableRect(dc);
    if (area.left >= area.right)
        return;
    int64_t dx = int64_t{to.x} - from.x, dy = int64_t{to.y} - from.y;
    int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    bool xMajor = adx >= ady;
    int64_t n = xMajor ? adx : ady;
    if (n == 0)
        return;
    const DashPattern* pattern = PatternOf(pen.style);
    Bitmap& bitmap = *dc.bitmap;
    BYTE ink = NearestIndex(bitmap, pen.color);
    bool paintGaps = pattern && dc.bkMode == OPAQUE;
    BYTE gap = paintGaps ? NearestIndex(bitmap, dc.bkColor) : 0;

    int64_t first, last;
    if (xMajor)
        VisibleSteps(from.x, sx, area.left, area.right, n, first, last);
    else
        VisibleSteps(from.y, sy, area.top, area.bottom, n, first, last);
    if (first >= last)
        return;
    BYTE* bits = bitmap.storage.data();
    // Where device pixel (x, y) is stored, and how far apart two pixels a row apart are.
    auto offsetOf = [&bitmap](int64_t x, int64_t y) {
        return (bitmap.topDown ? y : bitmap.height - 1 - y) * bitmap.stride + x;
    };
    int64_t rowStep = bitmap.topDown ? bitmap.stride : -int64_t{bitmap.stride};
    // A line along an axis has no minor steps to work out: its minor coordinate is tested once
    // and its visible pixels are a run, stored without a test or a division per pixel.
    if ((xMajor ? ady : adx) == 0) {
        int64_t x = from.x + (xMajor ? sx * first : 0), y = from.y + (xMajor ? 0 : sy * first);
        if (x < area.left || x >= area.right || y < area.top || y >= area.bottom)
            return;
        int64_t offset = offsetOf(x, y);
        int64_t step = xMajor ? sx : sy * rowStep;
        int64_t count = last - first;
        if (!pattern && xMajor) {
            std::memset(bits + (sx > 0 ? offset : offset - (count - 1)), ink,
                        static_cast<size_t>(count));
            return;
        }
        if (!pattern) {
            for (int64_t i = 0; i < count; ++i, offset += step)
                bits[offset] = ink;
            return;
        }
        for (int64_t i = first; i < last; ++i, offset += step) {
            if (DashIsOn(*pattern, i))
                bits[offset] = ink;
            else if (paintGaps)
                bits[offset] = gap;
        }
        return;
    }
    for (int64_t i = first; i < last; ++i) {
        int64_t major = (xMajor ? from.x : from.y) + (xMajor ? sx : sy) * i;
        int64_t minor = xMajor ? from.y + RoundHalfDown(sy * i * ady, adx)
                               : from.x + RoundHalfDown(sx * i * adx, ady);
        int64_t x = xMajor ? major : minor, y = xMajor ? minor : major;
        if (x < area.left || x >= area.right || y < area.top || y >= area.bottom)
            continue;
        if (!pattern || DashIsOn(*pattern, i))
            bits[offsetOf(x, y)] = ink;
        else if (paintGaps)
            bits[offsetOf(x, y)] = gap;
    }
}

// PatBlt's reading of a rectangle: a negative extent counts back from the start pixel, which
// it includes (so FillRect of (6, 4, 2, 1) covers columns 3 to 6 and rows 2 to 4).
RECT PatBltRect(const DC& dc, const RECT& r) {
    auto range = [](LONG start, LONG end, LONG& low, LONG& high) {
        if (end >= start) {
            low = start;
            high = end;
        } else {
            low = end + 1;
            high = start + 1;
        }
    };
    RECT out;
    range(r.left, r.right, out.left, out.right);
    range(r.top, r.bottom, out.top, out.bottom);
    out.left += dc.viewportOrg.x;
    out.right += dc.viewportOrg.x;
    out.top += dc.viewportOrg.y;
    out.bottom += dc.viewportOrg.y;
    return out;
}

}  // namespace

extern "C" {

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT old) {
    Guard lk(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    if (old)
        *old = dc->position;
    dc->position = POINT{x, y};
    return TRUE;
}

BOOL WINAPI LineTo(HDC hdc, int x, int y) {
    Guard lk(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    DrawLine(*dc, ToDevice(*dc, dc->position.x, dc->position.y), ToDevice(*dc, x, y));
    dc->position = POINT{x, y};
    return TRUE;
}

// As in Wine, the colour that was (or would have been) stored comes back even where the pixel
// lies outside the bitmap or the clip region.
COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    Guard lk(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc || dc->bitmap->bitCount != 8)
        return CLR_INVALID;
    BYTE index = NearestIndex(*dc->bitmap, color);
    PlotIndex(*dc, x, y, index);
    return IndexColor(*dc->bitmap, index);
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    Guard lk(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc || dc->bitmap->bitCount != 8)
        return CLR_INVALID;
    POINT p = ToDevice(*dc, x, y);
    if (p.x < 0 || p.x >= dc->bitmap->width || p.y < 0 || p.y >= dc->bitmap->height)
        return CLR_INVALID;
    return IndexColor(*dc->bitmap, dc->bitmap->Row(p.y)[p.x]);
}

// A null brush paints nothing and still succeeds, as in Wine.
int WINAPI FillRect(HDC hdc, const RECT* rect, HBRUSH hbr) {
    Guard lk(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc || !rect)
        return 0;
    if (!hbr)
        return 1;
    auto* brush = FindAs<Brush>(reinterpret_cast<HGDIOBJ>(hbr), Kind::Brush);
    if (!brush)
        return 0;
    if (!brush->hollow && dc->bitmap->bitCount == 8)
        FillDeviceRect(*dc, PatBltRect(*dc, *rect), RectOp::Copy,
                       NearestIndex(*dc->bitmap, brush->color));
    return 1;
}

int WINAPI FrameRect(HDC hdc, const RECT* rect, HBRUSH hbr) {
    Guard lk(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc || !rect || rect->right <= rect->left || rect->bottom <= rect->top)
        return 0;
    auto* brush = FindAs<Brush>(reinterpret_cast<HGDIOBJ>(hbr), Kind::Brush);
    if (!brush)
        return 0;
    if (brush->hollow || dc->bitmap->bitCount != 8)
        return 1;
    BYTE index = NearestIndex(*dc->bitmap, brush->color);
    const RECT& r = *rect;
    for (const RECT& side :
         {RECT{r.left, r.top, r.right, r.top + 1}, RECT{r.left, r.bottom - 1, r.right, r.bottom},
          RECT{r.left, r.top, r.left + 1, r.bottom}, RECT{r.right - 1, r.top, r.right, r.bottom}})
        FillDeviceRect(*dc, PatBltRect(*dc, side), RectOp::Copy, index);
    return 1;
}

// Inverts the stored indices (index i becomes 255 - i), so with a table whose upper half is
// white and lower half black, lit and dark swap.
BOOL WINAPI InvertRect(HDC hdc, const RECT* rect) {
    Guard lk(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc || !rect)
        return FALSE;
    if (dc->bitmap->bitCount == 8)
        FillDeviceRect(*dc, PatBltRect(*dc, *rect), RectOp::Invert, 0);
    return TRUE;
}

}  // extern "C"
