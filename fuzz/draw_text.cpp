// hostwin's DrawTextExA and DrawTextExW with any text, font, formatting rectangle, flags, margins,
// viewport origin and clip region, into an 8-bit DIB section as the LCD surface is: text never
// lands outside the clip region or (unless DT_NOCLIP) outside its rectangle, DT_CALCRECT draws
// nothing, and every object made for the call is gone again afterwards.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/FuzzInput.h"
#include "hostwin/control/gdi.h"

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 43;
const UINT kFlags[] = {DT_CENTER,     DT_RIGHT,      DT_VCENTER, DT_BOTTOM,   DT_WORDBREAK,
                       DT_SINGLELINE, DT_EXPANDTABS, DT_NOCLIP,  DT_CALCRECT, DT_NOPREFIX};
const char* const kFaces[] = {"Arial", "Tahoma", "Trebuchet MS", "Courier New", "No Such Face", ""};

struct Surface {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    BYTE* pixels = nullptr;

    Surface() {
        std::vector<BYTE> block(sizeof(BITMAPINFO) + 256 * sizeof(RGBQUAD));
        auto* info = reinterpret_cast<BITMAPINFO*>(block.data());
        info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info->bmiHeader.biWidth = kWidth;
        info->bmiHeader.biHeight = -kHeight;
        info->bmiHeader.biPlanes = 1;
        info->bmiHeader.biBitCount = 8;
        info->bmiHeader.biClrUsed = 256;
        for (int i = 129; i < 256; ++i)
            info->bmiColors[i] = RGBQUAD{255, 255, 255, 0};
        dc = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        bitmap = CreateDIBSection(dc, info, DIB_RGB_COLORS, &bits, nullptr, 0);
        fuzz::Expect(dc && bitmap && bits, "no surface");
        pixels = static_cast<BYTE*>(bits);
        previous = SelectObject(dc, bitmap);
    }
    ~Surface() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

bool Inside(int x, int y, const RECT& r) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

RECT Ordered(RECT r) {
    return RECT{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                std::max(r.top, r.bottom)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    size_t objectsBefore = control::GdiObjectCount();
    {
        Surface surface;
        // A pattern that no drawing makes: 7 everywhere.
        std::memset(surface.pixels, 7, kWidth * kHeight);

        LOGFONTA font = {};
        font.lfHeight = in.Range(-40, 40);
        font.lfWeight = in.Pick(10) * 100;
        font.lfItalic = in.Pick(2);
        std::strncpy(font.lfFaceName, kFaces[in.Pick(6)], LF_FACESIZE - 1);
        HFONT hfont = CreateFontIndirectA(&font);
        HGDIOBJ oldFont = SelectObject(surface.dc, hfont);
        SetTextColor(surface.dc, in.Pick(2) ? RGB(255, 255, 255) : RGB(0, 0, 0));
        SetBkColor(surface.dc, in.Pick(2) ? RGB(0, 0, 0) : RGB(255, 255, 255));
        SetBkMode(surface.dc, in.Pick(2) ? OPAQUE : TRANSPARENT);
        POINT origin{in.Range(-200, 200), in.Range(-60, 60)};
        SetViewportOrgEx(surface.dc, origin.x, origin.y, nullptr);
        RECT clip{in.Range(-20, 180), in.Range(-10, 50), in.Range(-20, 180), in.Range(-10, 50)};
        bool clipped = in.Pick(2);
        HRGN region = CreateRectRgn(clip.left, clip.top, clip.right, clip.bottom);
        if (clipped)
            SelectClipRgn(surface.dc, region);

        RECT rect{in.Range(-300, 300), in.Range(-100, 100), in.Range(-300, 300),
                  in.Range(-100, 100)};
        RECT given = rect;
        UINT format = 0;
        for (UINT flag : kFlags)
            if (in.Pick(3) == 0)
                format |= flag;
        DRAWTEXTPARAMS params = {sizeof params, in.Range(0, 16), in.Range(-40, 40),
                                 in.Range(-40, 40), 0};
        bool withParams = in.Pick(2);
        bool terminated = in.Pick(2);
        bool wide = in.Pick(2);
        std::string text = in.Text(200);
        int length = terminated ? -1 : static_cast<int>(wide ? text.size() / 2 : text.size());
        if (wide) {
            // The bytes as UTF-16 units: any script, lone surrogates and controls among them.
            std::vector<WCHAR> units;
            for (size_t i = 0; i + 1 < text.size(); i += 2)
                units.push_back(static_cast<WCHAR>((static_cast<unsigned char>(text[i]) << 8) |
                                                   static_cast<unsigned char>(text[i + 1])));
            units.push_back(0);
            DrawTextExW(surface.dc, units.data(), length, &rect, format,
                        withParams ? &params : nullptr);
        } else {
            std::vector<char> buffer(text.begin(), text.end());
            buffer.push_back('\0');
            DrawTextExA(surface.dc, buffer.data(), length, &rect, format,
                        withParams ? &params : nullptr);
        }

        RECT drawable = Ordered(clip);
        RECT box = Ordered(given);
        box = RECT{box.left + origin.x, box.top + origin.y, box.right + origin.x,
                   box.bottom + origin.y};
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                if (surface.pixels[y * kWidth + x] == 7)
                    continue;
                std::string where = "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
                fuzz::Expect(!(format & DT_CALCRECT), "DT_CALCRECT drew " + where);
                fuzz::Expect(!clipped || Inside(x, y, drawable), "drew outside the clip: " + where);
                fuzz::Expect((format & DT_NOCLIP) || Inside(x, y, box),
                             "drew outside the rectangle without DT_NOCLIP: " + where);
            }
        SelectClipRgn(surface.dc, nullptr);
        DeleteObject(region);
        SelectObject(surface.dc, oldFont);
        DeleteObject(hfont);
    }
    fuzz::Expect(control::GdiObjectCount() == objectsBefore, "GDI objects left behind");
    return 0;
}
