// The text engine behind GDI's text calls, where the Win32 calls cannot look: fonts shared
// between descriptions, glyphs rendered once. What the calls measure and draw is stated in
// tests/hostwin/text.cpp, which Wine's GDI runs too.
#include <gtest/gtest.h>

#include "hostwin/src/hostwin_private.h"

namespace {

using hostwin::TextFont;

std::shared_ptr<TextFont> Font(const char* face, int height) {
    auto font = TextFont::Get(face, height, 400, false);
    EXPECT_NE(font, nullptr) << face << " " << height;
    return font;
}

TEST(Fonts, OneFontServesEveryDescriptionOfTheSameFace) {
    EXPECT_EQ(Font("tahoma", -9).get(), Font("Tahoma", -9).get()) << "face names ignore case";
    EXPECT_NE(Font("Tahoma", -11).get(), Font("Tahoma", -9).get()) << "another size";
}

// GetTextFaceA cannot tell: under Wine it answers a substitute's own name.
TEST(Fonts, ASubstituteFaceIsTheFaceItStandsFor) {
    EXPECT_EQ(Font("MS Shell Dlg", -11)->FamilyName(), "Tahoma");
}

TEST(Fonts, GlyphsAreKeptOnceRendered) {
    auto font = Font("Tahoma", -9);
    hostwin::GlyphImage scratch;
    const hostwin::GlyphImage& a = font->Glyph(u'A', scratch);
    ASSERT_GT(a.width * a.rows, 0);
    EXPECT_EQ(&font->Glyph(u'A', scratch), &a) << "the same glyph is not rendered twice";
}

}  // namespace
