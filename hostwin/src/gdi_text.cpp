// GDI text: fonts from their descriptions, and DrawTextExW onto a device context through the
// text engine, in the DC's font, colours, background mode, viewport and clip. The A calls are the
// W calls after a conversion through the ANSI code page, so the same characters measure and draw
// the same either way.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "hostwin_private.h"

namespace hostwin::gdi {
namespace {

// The font keeps its face for as long as it lives, and a selected font lives on (lock held).
TextFont* FaceOf(Font& font) {
    if (!font.face) {
        const LOGFONTA& lf = font.logfont;
        char face[LF_FACESIZE + 1] = {};
        std::memcpy(face, lf.lfFaceName, LF_FACESIZE);
        font.face = TextFont::Get(face, lf.lfHeight, lf.lfWeight, lf.lfItalic != 0);
    }
    return font.face.get();
}

TextFont* FaceOf(DC& dc) {
    return dc.font ? FaceOf(*dc.font) : nullptr;
}

// Text lands on the DC's bitmap: logical coordinates through the viewport, within the bitmap
// and the clip region, colours as colour-table indices.
class DcTarget : public TextTarget {
public:
    explicit DcTarget(DC& dc, bool opaque) : dc_(dc), area_(DrawableRect(dc)) {
        if (dc.bitmap && dc.bitmap->bitCount == 8) {
            textIndex_ = NearestIndex(*dc.bitmap, dc.textColor);
            if (opaque)
                bkIndex_ = NearestIndex(*dc.bitmap, dc.bkColor);
        }
    }
    void FillBackground(const RECT& area) override {
        POINT from = ToDevice(dc_, area.left, area.top);
        POINT to = ToDevice(dc_, area.right, area.bottom);
        FillDeviceRect(dc_, RECT{from.x, from.y, to.x, to.y}, RectOp::Copy, bkIndex_);
    }
    RECT InkBounds() const override {
        if (area_.left >= area_.right || area_.top >= area_.bottom)
            return RECT{0, 0, 0, 0};
        return RECT{area_.left - dc_.viewportOrg.x, area_.top - dc_.viewportOrg.y,
                    area_.right - dc_.viewportOrg.x, area_.bottom - dc_.viewportOrg.y};
    }
    void PlotInk(int x, int y, const unsigned char* ink, int stride, int columns,
                 int rows) override {
        POINT p = ToDevice(dc_, x, y);
        const Bitmap& bitmap = *dc_.bitmap;
        BYTE* row = dc_.bitmap->Row(p.y) + p.x;
        ptrdiff_t rowStep = bitmap.topDown ? bitmap.stride : -ptrdiff_t{bitmap.stride};
        for (int r = 0; r < rows; ++r, row += rowStep, ink += stride)
            for (int i = 0; i < columns; ++i)
                if (ink[i])
                    row[i] = textIndex_;
    }

private:
    DC& dc_;
    RECT area_;
    BYTE textIndex_ = 0;
    BYTE bkIndex_ = 0;
};

}  // namespace
}  // namespace hostwin::gdi

using namespace hostwin::gdi;

extern "C" {

HFONT WINAPI CreateFontIndirectA(const LOGFONTA* lf) {
    if (!lf) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    auto font = std::make_shared<Font>();
    font->logfont = *lf;
    Guard lk(Mutex());
    return static_cast<HFONT>(Add(font));
}

// Fonts only: the product reads back font descriptions and nothing else.
int WINAPI GetObjectA(HANDLE handle, int size, LPVOID out) {
    Guard lk(Mutex());
    auto* font = FindAs<Font>(handle, Kind::Font);
    if (!font) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!out)
        return sizeof(LOGFONTA);
    int n = size < static_cast<int>(sizeof(LOGFONTA)) ? size : static_cast<int>(sizeof(LOGFONTA));
    if (n <= 0)
        return 0;
    std::memcpy(out, &font->logfont, n);
    return n;
}

BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA tm) {
    Guard lk(Mutex());
    DC* dc = LookupDC(hdc);
    hostwin::TextFont* face = dc ? FaceOf(*dc) : nullptr;
    if (!face || !tm)
        return FALSE;
    const hostwin::FontMetrics& m = face->Metrics();
    std::memset(tm, 0, sizeof *tm);
    tm->tmHeight = m.height;
    tm->tmAscent = m.ascent;
    tm->tmDescent = m.descent;
    tm->tmInternalLeading = m.internalLeading;
    tm->tmAveCharWidth = m.aveCharWidth;
    tm->tmMaxCharWidth = m.maxCharWidth;
    tm->tmWeight = dc->font->logfont.lfWeight ? dc->font->logfont.lfWeight : FW_NORMAL;
    tm->tmDigitizedAspectX = tm->tmDigitizedAspectY = 96;
    tm->tmLastChar = 255;
    tm->tmBreakChar = ' ';
    tm->tmDefaultChar = '?';
    return TRUE;
}

BOOL WINAPI GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, LPSIZE size) {
    Guard lk(Mutex());
    DC* dc = LookupDC(hdc);
    hostwin::TextFont* face = dc ? FaceOf(*dc) : nullptr;
    if (!face || !size || count < 0 || (!text && count > 0))
        return FALSE;
    thread_local hostwin::GlyphImage scratch;
    size->cx = face->Width(text, count, scratch);
    size->cy = face->Metrics().height;
    return TRUE;
}

BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, LPSIZE size) {
    if (count < 0 || (!text && count > 0))
        return FALSE;
    thread_local std::u16string wide;
    hostwin::AnsiToWide(text, count, wide);
    return GetTextExtentPoint32W(hdc, wide.c_str(), static_cast<int>(wide.size()), size);
}

int WINAPI GetTextFaceA(HDC hdc, int count, LPSTR name) {
    Guard lk(Mutex());
    DC* dc = LookupDC(hdc);
    hostwin::TextFont* face = dc ? FaceOf(*dc) : nullptr;
    if (!face)
        return 0;
    const std::string& family = face->FamilyName();
    if (!name)
        return static_cast<int>(family.size()) + 1;
    if (count <= 0)
        return 0;
    int n = std::min<int>(count - 1, static_cast<int>(family.size()));
    std::memcpy(name, family.data(), n);
    name[n] = '\0';
    return n;
}

// Faces are found through fontconfig; a private font file adds nothing to what it finds.
int WINAPI AddFontResourceExA(LPCSTR name, DWORD, PVOID) {
    FILE* file = name ? std::fopen(hostwin::ToHostPath(name).c_str(), "rb") : nullptr;
    if (!file)
        return 0;
    std::fclose(file);
    return 1;
}

int WINAPI DrawTextExW(HDC hdc, LPWSTR text, int length, LPRECT rect, UINT format,
                       LPDRAWTEXTPARAMS params) {
    Guard lk(Mutex());
    DC* dc = LookupDC(hdc);
    hostwin::TextFont* face = dc ? FaceOf(*dc) : nullptr;
    if (!face || !rect || (!text && length != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (format & DT_CALCRECT)
        return hostwin::DrawTextWithFont(*face, text, length, *rect, format, params, false,
                                         nullptr);
    DcTarget target(*dc, dc->bkMode == OPAQUE);
    return hostwin::DrawTextWithFont(*face, text, length, *rect, format, params,
                                     dc->bkMode == OPAQUE, &target);
}

int WINAPI DrawTextW(HDC hdc, LPCWSTR text, int length, LPRECT rect, UINT format) {
    return DrawTextExW(hdc, const_cast<LPWSTR>(text), length, rect, format, nullptr);
}

// The length drawn comes back in UTF-16 units, which are the bytes of any 8-bit code page.
int WINAPI DrawTextExA(HDC hdc, LPSTR text, int length, LPRECT rect, UINT format,
                       LPDRAWTEXTPARAMS params) {
    if (!text && length != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    thread_local std::u16string wide;
    hostwin::AnsiToWide(text, length, wide);
    return DrawTextExW(hdc, wide.data(), static_cast<int>(wide.size()), rect, format, params);
}

}  // extern "C"
