// What GDI does with fonts and DrawTextExA, for the faces the product uses (Tahoma from Wine's
// font files, Liberation Sans standing in for Arial and for faces that are not installed).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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

TEST_F(Text, MetricsAndWidths) {
    struct {
        const char* face;
        LONG height;
        LONG lineHeight, ascent, descent;
        int songWidth, volumeWidth;
    } cases[] = {
        {"Tahoma", -9, 11, 9, 2, 71, 68},       {"Tahoma", -11, 13, 11, 2, 87, 84},
        {"Arial", -9, 10, 8, 2, 73, 68},        {"Arial", -16, 17, 14, 3, 122, 118},
        {"Trebuchet MS", -9, 10, 8, 2, 73, 68},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(std::string(c.face) + " " + std::to_string(c.height));
        Use(c.face, c.height);
        TEXTMETRICA tm = {};
        ASSERT_TRUE(GetTextMetricsA(dc, &tm));
        EXPECT_EQ(tm.tmHeight, c.lineHeight);
        EXPECT_EQ(tm.tmAscent, c.ascent);
        EXPECT_EQ(tm.tmDescent, c.descent);
        EXPECT_EQ(Width("Artist - Song 0:59"), c.songWidth);
        EXPECT_EQ(Width("Winamp Volume"), c.volumeWidth);
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

}  // namespace
