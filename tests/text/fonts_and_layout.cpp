// The text engine behind DrawTextExA, held to what GDI under Wine measures for the same fonts
// (Wine's Tahoma, Liberation Sans standing in for Arial and for faces that are not there).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hostwin/src/hostwin_private.h"

namespace {

using hostwin::TextFont;

std::shared_ptr<TextFont> Font(const char* face, int height, int weight = 400) {
    auto font = TextFont::Get(face, height, weight, false);
    EXPECT_NE(font, nullptr) << face << " " << height;
    return font;
}

int Width(TextFont& font, const char* text) {
    return font.Width(text, static_cast<int>(std::strlen(text)));
}

TEST(Fonts, FacesResolveAsWineResolvesThem) {
    EXPECT_EQ(Font("Tahoma", -9)->FamilyName(), "Tahoma");
    EXPECT_EQ(Font("Arial", -9)->FamilyName(), "Liberation Sans");
    EXPECT_EQ(Font("Trebuchet MS", -9)->FamilyName(), "Liberation Sans");
    EXPECT_EQ(Font("MS Shell Dlg", -11)->FamilyName(), "Tahoma");
    EXPECT_EQ(Font("tahoma", -9).get(), Font("Tahoma", -9).get()) << "face names ignore case";
}

struct MetricsCase {
    const char* face;
    int height;
    int lineHeight, ascent, descent, internalLeading, aveCharWidth;
    std::vector<int> widths;  // of the texts below
};

const char* kTexts[] = {"Artist - Song 0:59",
                        "Winamp Volume",
                        "Songs in playlist",
                        "M-Key VU Leds",
                        "Off",
                        "On",
                        " ",
                        "Wj|gy"};

// GetTextMetricsA and GetTextExtentPoint32A under Wine.
const MetricsCase kWine[] = {
    {"Arial", -9, 10, 8, 2, 1, 5, {73, 68, 68, 66, 13, 12, 3, 23}},
    {"Arial", -11, 12, 10, 2, 1, 6, {84, 78, 78, 77, 15, 15, 3, 27}},
    {"Arial", -16, 17, 14, 3, 2, 9, {122, 118, 117, 112, 20, 21, 4, 40}},
    {"Arial", 12, 12, 10, 2, 1, 6, {84, 78, 78, 77, 15, 15, 3, 27}},
    {"Tahoma", -9, 11, 9, 2, 2, 5, {71, 68, 65, 62, 12, 11, 3, 23}},
    {"Tahoma", -11, 13, 11, 2, 2, 7, {87, 84, 83, 77, 16, 15, 3, 30}},
    {"Tahoma", -16, 19, 16, 3, 3, 10, {133, 120, 122, 109, 24, 21, 5, 43}},
    {"Tahoma", 12, 12, 10, 2, 2, 6, {78, 75, 73, 68, 14, 12, 3, 26}},
    {"Trebuchet MS", -9, 10, 8, 2, 1, 5, {73, 68, 68, 66, 13, 12, 3, 23}},
};

TEST(Fonts, MetricsAndWidthsAgreeWithWineToThePixel) {
    for (const MetricsCase& c : kWine) {
        auto font = Font(c.face, c.height);
        const auto& m = font->Metrics();
        SCOPED_TRACE(std::string(c.face) + " " + std::to_string(c.height));
        EXPECT_EQ(m.height, c.lineHeight);
        EXPECT_EQ(m.ascent, c.ascent);
        EXPECT_EQ(m.descent, c.descent);
        EXPECT_EQ(m.internalLeading, c.internalLeading);
        EXPECT_EQ(m.aveCharWidth, c.aveCharWidth);
        for (size_t i = 0; i < c.widths.size(); ++i)
            EXPECT_EQ(Width(*font, kTexts[i]), c.widths[i]) << '"' << kTexts[i] << '"';
    }
}

TEST(Fonts, BoldOfAFaceWithABoldFileUsesIt) {
    auto font = Font("Arial", -9, 700);
    EXPECT_EQ(Width(*font, "Artist - Song 0:59"), 79);
    EXPECT_EQ(Width(*font, "Songs in playlist"), 77);
}

TEST(Fonts, GlyphsAreMonochromeAndKeptOnceRendered) {
    auto font = Font("Tahoma", -9);
    const hostwin::GlyphImage& a = font->Glyph('A');
    ASSERT_GT(a.width * a.rows, 0);
    int lit = 0;
    for (unsigned char v : a.ink) {
        ASSERT_LE(v, 1) << "one bit per pixel";
        lit += v;
    }
    EXPECT_GT(lit, 5);
    EXPECT_EQ(&font->Glyph('A'), &a) << "the same glyph is not rendered twice";
    int blankInk = 0;
    for (unsigned char v : font->Glyph(' ').ink)
        blankInk += v;
    EXPECT_EQ(blankInk, 0) << "a blank has no ink";
}

// Records what is drawn, as a device context would receive it.
struct Canvas : hostwin::TextTarget {
    std::vector<RECT> fills;
    std::vector<std::pair<int, int>> ink;
    void FillBackground(const RECT& area) override { fills.push_back(area); }
    void PlotInk(int x, int y) override { ink.push_back({x, y}); }
    int MinX() const {
        int m = 1 << 30;
        for (auto& p : ink)
            m = std::min(m, p.first);
        return m;
    }
    int MaxX() const {
        int m = -(1 << 30);
        for (auto& p : ink)
            m = std::max(m, p.first);
        return m;
    }
};

TEST(Layout, AlignmentPlacesTheLineAndOpaqueFillsItsCell) {
    auto font = Font("Tahoma", -9);
    int width = Width(*font, "Winamp Volume");
    Canvas left, centre, right;
    RECT box = {0, 0, 160, 20};
    RECT r = box;
    hostwin::DrawTextWithFont(*font, "Winamp Volume", -1, r, DT_NOPREFIX, nullptr, true, &left);
    r = box;
    hostwin::DrawTextWithFont(*font, "Winamp Volume", -1, r, DT_NOPREFIX | DT_CENTER, nullptr, true,
                              &centre);
    r = box;
    hostwin::DrawTextWithFont(*font, "Winamp Volume", -1, r, DT_NOPREFIX | DT_RIGHT, nullptr, false,
                              &right);
    ASSERT_EQ(left.fills.size(), 1u);
    EXPECT_EQ(left.fills[0].left, 0);
    EXPECT_EQ(left.fills[0].right, width);
    EXPECT_EQ(left.fills[0].bottom, 11);
    ASSERT_EQ(centre.fills.size(), 1u);
    EXPECT_EQ(centre.fills[0].left, (160 - width) / 2);
    EXPECT_TRUE(right.fills.empty()) << "transparent text paints no background";
    EXPECT_EQ(centre.MinX() - left.MinX(), (160 - width) / 2);
    EXPECT_EQ(right.MinX() - left.MinX(), 160 - width);
    EXPECT_LT(right.MaxX(), 160);
}

TEST(Layout, DrawingIsClippedToTheRectangleUnlessNoClip) {
    auto font = Font("Tahoma", -9);
    const char* text = "Lisa Marquee - A Title Long Enough To Scroll Across The Little Screen";
    Canvas clipped, free;
    RECT r = {0, 0, 100, 20};
    hostwin::DrawTextWithFont(*font, text, -1, r, DT_NOPREFIX, nullptr, true, &clipped);
    r = {0, 0, 100, 20};
    hostwin::DrawTextWithFont(*font, text, -1, r, DT_NOPREFIX | DT_NOCLIP, nullptr, true, &free);
    EXPECT_LT(clipped.MaxX(), 100);
    EXPECT_GT(free.MaxX(), 200);
    EXPECT_EQ(clipped.fills[0].right, 100);
}

}  // namespace
