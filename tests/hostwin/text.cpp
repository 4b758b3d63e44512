// What GDI does with fonts and DrawTextExA, for the faces the product uses (Tahoma from Wine's
// font files, Liberation Sans standing in for Arial and for faces that are not installed).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "support/FrameArt.h"
#include "support/WideText.h"

namespace {

class Text : public ::testing::Test {
protected:
    void SetUp() override {
        // Wine's prefix does not list these files by itself.
        AddFontResourceExA("Z:\\usr\\share\\wine\\fonts\\tahoma.ttf", FR_PRIVATE, nullptr);
        AddFontResourceExA("Z:\\usr\\share\\wine\\fonts\\tahomabd.ttf", FR_PRIVATE, nullptr);
        dc = CreateCompatibleDC(nullptr);
    }
    void TearDown() override {
        SelectObject(dc, GetStockObject(SYSTEM_FONT));
        for (HFONT f : fonts)
            DeleteObject(f);
        DeleteDC(dc);
    }
    void Use(const char* face, LONG height, LONG weight = FW_NORMAL) {
        LOGFONTA lf = {};
        lf.lfHeight = height;
        lf.lfWeight = weight;
        strcpy(lf.lfFaceName, face);
        HFONT font = CreateFontIndirectA(&lf);
        ASSERT_NE(font, nullptr);
        fonts.push_back(font);
        SelectObject(dc, font);
    }
    int Width(const char* text) {
        SIZE size = {};
        GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &size);
        return size.cx;
    }
    int WidthW(const WideText& text) {
        SIZE size = {};
        GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
        return size.cx;
    }
    // DrawTextExW's DT_CALCRECT of a line in a box 320 wide: its width and height.
    SIZE CalcW(const WideText& text) {
        WideText copy = text;
        RECT rect = {0, 0, 320, 40};
        DrawTextExW(dc, copy.data(), static_cast<int>(copy.size()), &rect,
                    DT_NOPREFIX | DT_CALCRECT, nullptr);
        return SIZE{rect.right, rect.bottom};
    }
    HDC dc = nullptr;
    std::vector<HFONT> fonts;
};

TEST_F(Text, FontDescriptionReadsBackAsCreated) {
    LOGFONTA lf = {};
    lf.lfHeight = -9;
    lf.lfWeight = 700;
    strcpy(lf.lfFaceName, "Tahoma");
    HFONT font = CreateFontIndirectA(&lf);
    LOGFONTA back = {};
    EXPECT_EQ(GetObjectA(font, sizeof back, &back), static_cast<int>(sizeof back));
    EXPECT_EQ(back.lfHeight, -9);
    EXPECT_EQ(back.lfWeight, 700);
    EXPECT_STREQ(back.lfFaceName, "Tahoma");
    DeleteObject(font);
    LOGFONTA gui = {};
    ASSERT_GT(GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui), 0);
    EXPECT_LT(gui.lfHeight, 0) << "the default GUI font is given by character height";
}

// GetTextMetricsA and GetTextExtentPoint32A under Wine, to the pixel.
TEST_F(Text, MetricsAndWidths) {
    const char* texts[] = {"Artist - Song 0:59",
                           "Winamp Volume",
                           "Songs in playlist",
                           "M-Key VU Leds",
                           "Off",
                           "On",
                           " ",
                           "Wj|gy"};
    struct {
        const char* face;
        LONG height;
        LONG lineHeight, ascent, descent, internalLeading, aveCharWidth;
        int widths[8];  // of the texts above
    } cases[] = {
        {"Arial", -9, 10, 8, 2, 1, 5, {73, 68, 68, 66, 13, 12, 3, 23}},
        {"Arial", -11, 12, 10, 2, 1, 6, {84, 78, 78, 77, 15, 15, 3, 27}},
        {"Arial", -16, 17, 14, 3, 2, 9, {122, 118, 117, 112, 20, 21, 4, 40}},
        {"Arial", 12, 12, 10, 2, 1, 6, {84, 78, 78, 77, 15, 15, 3, 27}},
        {"Tahoma", -9, 11, 9, 2, 2, 5, {71, 68, 65, 62, 12, 11, 3, 23}},
        {"Tahoma", -11, 13, 11, 2, 2, 7, {87, 84, 83, 77, 16, 15, 3, 30}},
        {"Tahoma", -16, 19, 16, 3, 3, 10, {133, 120, 122, 109, 24, 21, 5, 43}},
        {"Tahoma", 12, 12, 10, 2, 2, 6, {78, 75, 73, 68, 14, 12, 3, 26}},
        {"Trebuchet MS", -9, 10, 8, 2, 1, 5, {73, 68, 68, 66, 13, 12, 3, 23}},
        // The dialog face is a substitute for Tahoma.
        {"MS Shell Dlg", -11, 13, 11, 2, 2, 7, {87, 84, 83, 77, 16, 15, 3, 30}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(std::string(c.face) + " " + std::to_string(c.height));
        Use(c.face, c.height);
        TEXTMETRICA tm = {};
        ASSERT_TRUE(GetTextMetricsA(dc, &tm));
        EXPECT_EQ(tm.tmHeight, c.lineHeight);
        EXPECT_EQ(tm.tmAscent, c.ascent);
        EXPECT_EQ(tm.tmDescent, c.descent);
        EXPECT_EQ(tm.tmInternalLeading, c.internalLeading);
        EXPECT_EQ(tm.tmAveCharWidth, c.aveCharWidth);
        for (size_t i = 0; i < std::size(texts); ++i)
            EXPECT_EQ(Width(texts[i]), c.widths[i]) << '"' << texts[i] << '"';
    }
}

TEST_F(Text, BoldOfAFaceWithABoldFileUsesIt) {
    Use("Arial", -9, FW_BOLD);
    EXPECT_EQ(Width("Artist - Song 0:59"), 79);
    EXPECT_EQ(Width("Songs in playlist"), 77);
}

// Arial and faces that are not installed come out as Liberation Sans; face names ignore case.
// (A substitute such as "MS Shell Dlg" keeps its own name here under Wine: its metrics above
// show the face it stands for.)
TEST_F(Text, FacesResolveAsWineResolvesThem) {
    struct {
        const char* asked;
        LONG height;
        const char* chosen;
    } cases[] = {
        {"Tahoma", -9, "Tahoma"},
        {"Arial", -9, "Liberation Sans"},
        {"Trebuchet MS", -9, "Liberation Sans"},
        {"tahoma", -9, "Tahoma"},
    };
    for (auto& c : cases) {
        Use(c.asked, c.height);
        char face[LF_FACESIZE] = {};
        GetTextFaceA(dc, sizeof face, face);
        EXPECT_STREQ(face, c.chosen) << "asked for " << c.asked;
    }
}

TEST_F(Text, CalcRectMeasuresLinesWrapsWordsAndAddsMargins) {
    Use("Tahoma", -9);
    struct {
        const char* text;
        int width;
        UINT format;
        int leftMargin, rightMargin;
        int result, right, bottom;
        UINT drawn;
    } cases[] = {
        {"Lisa Marquee - A Title Long Enough To Scroll Across The Little Screen", 160, DT_NOPREFIX,
         0, 0, 11, 289, 11, 69},
        {"Lisa Marquee - A Title Long Enough To Scroll Across The Little Screen", 160,
         DT_NOPREFIX | DT_WORDBREAK, 0, 0, 22, 149, 22, 69},
        {"Lisa Marquee - A Title Long Enough To Scroll Across The Little Screen", 160,
         DT_NOPREFIX | DT_CENTER | DT_WORDBREAK, 0, 0, 22, 146, 22, 68},
        {"Supercalifragilisticexpialidocious word", 60, DT_NOPREFIX | DT_WORDBREAK, 0, 0, 22, 128,
         22, 38},
        {" ", 160, DT_NOPREFIX, 0, 0, 11, 3, 11, 1},
        {"", 160, DT_NOPREFIX, 0, 0, 11, 0, 0, 0},
        {"Song   ", 160, DT_NOPREFIX, 0, 0, 11, 29, 11, 7},
        {"Song   more words here", 40, DT_NOPREFIX | DT_WORDBREAK, 0, 0, 44, 29, 44, 22},
        {"Two\nlines", 160, DT_NOPREFIX, 0, 0, 22, 19, 22, 8},
        {"Margins wrap here now", 40, DT_NOPREFIX | DT_WORDBREAK, 3, 4, 44, 39, 44, 20},
        {"A&&mp", 160, 0, 0, 0, 11, 25, 11, 4},
        {"A&mp", 160, DT_NOPREFIX, 0, 0, 11, 25, 11, 4},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\" in " + std::to_string(c.width));
        RECT rect = {0, 0, c.width, 20};
        DRAWTEXTPARAMS params = {sizeof params, 0, c.leftMargin, c.rightMargin, 0};
        std::string text = c.text;
        EXPECT_EQ(DrawTextExA(dc, text.data(), -1, &rect, c.format | DT_CALCRECT, &params),
                  c.result);
        EXPECT_EQ(rect.left, 0);
        EXPECT_EQ(rect.right, c.right);
        EXPECT_EQ(rect.bottom, c.bottom);
        EXPECT_EQ(params.uiLengthDrawn, c.drawn);
    }
}

// A display measures and draws the same texts frame after frame; what it gets must follow the
// box's width, the flags and the characters, even in a buffer that was changed in place.
TEST_F(Text, MeasuringAgainFollowsTheWidthTheFlagsAndTheText) {
    Use("Tahoma", -9);
    char title[] = "Lisa Marquee - A Title Long Enough To Scroll Across The Little Screen";
    auto calc = [&](char* text, int width, UINT format) {
        RECT rect = {0, 0, width, 20};
        DrawTextExA(dc, text, -1, &rect, format | DT_CALCRECT, nullptr);
        return SIZE{rect.right, rect.bottom};
    };
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        SIZE wrapped = calc(title, 160, DT_NOPREFIX | DT_WORDBREAK);
        EXPECT_EQ(wrapped.cx, 149);
        EXPECT_EQ(wrapped.cy, 22);
        SIZE wide = calc(title, 400, DT_NOPREFIX | DT_WORDBREAK);
        EXPECT_EQ(wide.cx, 289) << "the whole line fits";
        EXPECT_EQ(wide.cy, 11);
        EXPECT_GT(calc(title, 100, DT_NOPREFIX | DT_WORDBREAK).cy, 22);
        SIZE single = calc(title, 160, DT_NOPREFIX);
        EXPECT_EQ(single.cx, 289);
        EXPECT_EQ(single.cy, 11);
    }
    char amp[] = "A&mp";
    EXPECT_EQ(calc(amp, 160, DT_NOPREFIX).cx, 25);
    EXPECT_EQ(calc(amp, 160, 0).cx, Width("Amp")) << "the prefix character is taken out";
    char word[] = "Off";
    EXPECT_EQ(calc(word, 160, DT_NOPREFIX).cx, Width("Off"));
    word[2] = 'W';
    EXPECT_EQ(calc(word, 160, DT_NOPREFIX).cx, Width("OfW")) << "the same buffer, changed";
    Use("Tahoma", -16);
    EXPECT_EQ(calc(word, 160, DT_NOPREFIX).cx, Width("OfW")) << "another size";
}

// Titles in other scripts: the characters Tahoma lacks come from the fonts linked to it (the
// stand-in's registry, and tests/wine/fontlink.reg in the Wine prefix), and the line keeps
// Tahoma's height.
struct ScriptLine {
    const char* script;
    const char* text;
};
constexpr ScriptLine kScriptLines[] = {
    {"latin", "Łódź Ščř Ő ğ"},    {"greek", "Ελληνικά αβγ"},
    {"cyrillic", "Кириллица жщ"}, {"japanese", "日本語ひらがなカタカナ"},
    {"korean", "한국어 노래"},
};

TEST_F(Text, WideLinesMeasureByScriptAndSize) {
    struct {
        LONG height;
        int lineHeight;
        int widths[5];  // of the lines above
    } sizes[] = {
        {-9, 11, {54, 56, 67, 99, 48}},
        {-16, 19, {98, 96, 112, 176, 85}},
    };
    for (auto& size : sizes) {
        Use("Tahoma", size.height);
        for (size_t i = 0; i < std::size(kScriptLines); ++i) {
            SCOPED_TRACE(std::string(kScriptLines[i].script) + " " + std::to_string(size.height));
            WideText text = Wide(kScriptLines[i].text);
            EXPECT_EQ(WidthW(text), size.widths[i]);
            SIZE calc = CalcW(text);
            EXPECT_EQ(calc.cx, size.widths[i]);
            EXPECT_EQ(calc.cy, size.lineHeight);
        }
    }
}

// The A calls are a conversion to the W calls: the same characters measure alike.
TEST_F(Text, AnsiAndWideCallsMeasureTheSameCharactersAlike) {
    const char* ansi = "Caf\xE9 \x96 \x80 \x93Song\x94 \x85";
    const char* utf8 = "Café – € “Song” …";
    for (const char* face : {"Tahoma", "Arial"}) {
        for (LONG height : {-9, -16}) {
            SCOPED_TRACE(std::string(face) + " " + std::to_string(height));
            Use(face, height);
            EXPECT_EQ(WidthW(Wide(utf8)), Width(ansi));
            std::string copy = ansi;
            RECT rect = {0, 0, 320, 40};
            DrawTextExA(dc, copy.data(), -1, &rect, DT_NOPREFIX | DT_CALCRECT, nullptr);
            SIZE calc = CalcW(Wide(utf8));
            EXPECT_EQ(calc.cx, rect.right);
            EXPECT_EQ(calc.cy, rect.bottom);
        }
    }
}

TEST_F(Text, CalcRectKeepsTheLeftEdgeOfAnOffsetRectangle) {
    Use("Tahoma", -9);
    RECT rect = {10, 5, 170, 25};
    char text[] = "Offset rect";
    EXPECT_EQ(DrawTextExA(dc, text, -1, &rect, DT_CALCRECT | DT_CENTER, nullptr), 11);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 5);
    EXPECT_EQ(rect.right, 53);
    EXPECT_EQ(rect.bottom, 16);
}

// DrawTextExA drawing into an 8-bit DIB section whose colour table is a grey ramp (entry i is
// grey i): black text on white, on paper of mid grey, so that every pixel tells what reached it
// and any shade of grey between would show anti-aliasing.
class DrawnText : public Text {
protected:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 24;
    static constexpr int kStride = kWidth;  // a multiple of four already
    static constexpr BYTE kPaper = 128;
    static constexpr BYTE kInk = 0;
    static constexpr BYTE kBackground = 255;

    void SetUp() override {
        Text::SetUp();
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[256];
        } info = {};
        info.header.biSize = sizeof(BITMAPINFOHEADER);
        info.header.biWidth = kWidth;
        info.header.biHeight = -kHeight;
        info.header.biPlanes = 1;
        info.header.biBitCount = 8;
        info.header.biCompression = BI_RGB;
        info.header.biClrUsed = 256;
        for (int i = 0; i < 256; ++i)
            info.colors[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
        void* pixels = nullptr;
        bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &pixels,
                                  nullptr, 0);
        ASSERT_NE(bitmap, nullptr);
        bits = static_cast<BYTE*>(pixels);
        saved = SelectObject(dc, bitmap);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
    }
    void TearDown() override {
        SelectObject(dc, saved);
        DeleteObject(bitmap);
        Text::TearDown();
    }

    // What one call left on fresh paper.
    struct Drawn {
        int inkPixels = 0;
        int backgroundPixels = 0;
        int otherPixels = 0;                     // neither paper, ink nor background: a shade
        int inkLeft = kWidth, inkRight = -1;     // the columns of the ink, inclusive
        RECT changed = {kWidth, kHeight, 0, 0};  // every pixel that is no longer paper
        bool changedWhole = true;                // every pixel within changed is
    };
    Drawn Draw(const char* text, RECT rect, UINT format, int bkMode = OPAQUE) {
        std::memset(bits, kPaper, kStride * kHeight);
        SetBkMode(dc, bkMode);
        std::string copy = text;
        DrawTextExA(dc, copy.data(), -1, &rect, format, nullptr);
        return Look();
    }
    Drawn DrawW(const WideText& text, RECT rect, UINT format, int bkMode = OPAQUE) {
        std::memset(bits, kPaper, kStride * kHeight);
        SetBkMode(dc, bkMode);
        WideText copy = text;
        DrawTextExW(dc, copy.data(), static_cast<int>(copy.size()), &rect, format, nullptr);
        return Look();
    }
    // The ink in the top left corner as text art: '#' ink, '.' anything else.
    frameart::Art InkArt(int width, int height) const {
        frameart::Art art;
        for (int y = 0; y < std::min(height, kHeight); ++y) {
            std::string row;
            for (int x = 0; x < std::min(width, kWidth); ++x)
                row += bits[y * kStride + x] == kInk ? '#' : '.';
            art.push_back(row);
        }
        return art;
    }
    Drawn Look() {
        GdiFlush();
        Drawn d;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                BYTE v = bits[y * kStride + x];
                if (v == kPaper)
                    continue;
                d.inkPixels += v == kInk;
                d.backgroundPixels += v == kBackground;
                d.otherPixels += v != kInk && v != kBackground;
                if (v == kInk) {
                    d.inkLeft = std::min(d.inkLeft, x);
                    d.inkRight = std::max(d.inkRight, x);
                }
                d.changed = {std::min<LONG>(d.changed.left, x), std::min<LONG>(d.changed.top, y),
                             std::max<LONG>(d.changed.right, x + 1),
                             std::max<LONG>(d.changed.bottom, y + 1)};
            }
        }
        for (int y = d.changed.top; y < d.changed.bottom; ++y)
            for (int x = d.changed.left; x < d.changed.right; ++x)
                d.changedWhole = d.changedWhole && bits[y * kStride + x] != kPaper;
        return d;
    }

    HBITMAP bitmap = nullptr;
    HGDIOBJ saved = nullptr;
    BYTE* bits = nullptr;
};

// Each line of every script, at both sizes, pixel for pixel as GDI under Wine draws it with the
// same linked fonts (tests/data/wide_<script>_<size>.txt). In the last, a character that no font
// has and a control character show Tahoma's missing-glyph box, and a lone surrogate what a linked
// font maps it to (a blank, in Dotum).
TEST_F(DrawnText, WideLinesDrawByScriptAndSize) {
    std::vector<ScriptLine> lines(std::begin(kScriptLines), std::end(kScriptLines));
    lines.push_back({"missing", "a\xEE\x80\x80\x62\x01\x63"});
    for (LONG height : {-9, -16}) {
        Use("Tahoma", height);
        for (const ScriptLine& line : lines) {
            std::string name = std::string("wide_") + line.script + "_" + std::to_string(-height);
            WideText text = Wide(line.text);
            if (std::string(line.script) == "missing")
                text.insert(text.begin() + 2, WCHAR(0xD800));
            Drawn d = DrawW(text, {0, 0, kWidth, kHeight}, DT_NOPREFIX, TRANSPARENT);
            EXPECT_EQ(d.otherPixels, 0) << name << ": one bit per pixel";
            EXPECT_GT(d.inkPixels, 0) << name;
            frameart::Art reference =
                frameart::Read(std::string(VELM_TEST_DATA) + "/" + name + ".txt");
            EXPECT_FALSE(reference.empty()) << "reading tests/data/" << name << ".txt";
            EXPECT_TRUE(frameart::Same(reference, InkArt(WidthW(text) + 4, -height + 3))) << name;
        }
    }
}

TEST_F(DrawnText, GlyphsAreMonochrome) {
    Use("Tahoma", -9);
    Drawn a = Draw("A", {0, 0, 160, 20}, DT_NOPREFIX, TRANSPARENT);
    EXPECT_EQ(a.otherPixels, 0) << "one bit per pixel: no shade between ink and paper";
    EXPECT_GT(a.inkPixels, 5);
    Drawn blank = Draw(" ", {0, 0, 160, 20}, DT_NOPREFIX);
    EXPECT_EQ(blank.inkPixels, 0) << "a blank has no ink";
    EXPECT_GT(blank.backgroundPixels, 0) << "but its cell is painted";
}

TEST_F(DrawnText, AlignmentPlacesTheLineAndOpaqueFillsItsCell) {
    Use("Tahoma", -9);
    int width = Width("Winamp Volume");
    RECT box = {0, 0, 160, 20};
    Drawn left = Draw("Winamp Volume", box, DT_NOPREFIX);
    Drawn centre = Draw("Winamp Volume", box, DT_NOPREFIX | DT_CENTER);
    Drawn right = Draw("Winamp Volume", box, DT_NOPREFIX | DT_RIGHT, TRANSPARENT);
    EXPECT_EQ(left.changed.left, 0);
    EXPECT_EQ(left.changed.top, 0);
    EXPECT_EQ(left.changed.right, width);
    EXPECT_EQ(left.changed.bottom, 11) << "one line of Tahoma at 9 pixels";
    EXPECT_TRUE(left.changedWhole) << "the cell is painted whole";
    EXPECT_EQ(centre.changed.left, (160 - width) / 2);
    EXPECT_TRUE(centre.changedWhole);
    EXPECT_EQ(right.backgroundPixels, 0) << "transparent text paints no background";
    EXPECT_EQ(centre.inkLeft - left.inkLeft, (160 - width) / 2);
    EXPECT_EQ(right.inkLeft - left.inkLeft, 160 - width);
    EXPECT_LT(right.inkRight, 160);
}

TEST_F(DrawnText, DrawingIsClippedToTheRectangleUnlessNoClip) {
    Use("Tahoma", -9);
    const char* text = "Lisa Marquee - A Title Long Enough To Scroll Across The Little Screen";
    Drawn clipped = Draw(text, {0, 0, 100, 20}, DT_NOPREFIX);
    Drawn free = Draw(text, {0, 0, 100, 20}, DT_NOPREFIX | DT_NOCLIP);
    EXPECT_LT(clipped.inkRight, 100);
    EXPECT_GT(free.inkRight, 200);
    EXPECT_EQ(clipped.changed.right, 100) << "the background stops at the rectangle too";
}

}  // namespace
