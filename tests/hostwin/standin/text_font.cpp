// The text engine behind GDI's text calls, where the Win32 calls cannot look: fonts shared
// between descriptions, glyphs rendered once, the fonts linked to a face. What the calls measure
// and draw is stated in tests/hostwin/text.cpp, which Wine's GDI runs too.
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

bool SameInk(const hostwin::GlyphImage& a, const hostwin::GlyphImage& b) {
    return a.width == b.width && a.rows == b.rows && a.top == b.top && a.left == b.left &&
           a.ink == b.ink;
}

std::vector<std::string> LinkedFamilies(const TextFont& font) {
    std::vector<std::string> families;
    for (const auto& link : font.Links())
        families.push_back(link->FamilyName());
    return families;
}

TEST(Fonts, TahomaLinksToTheRegistrysFontsInOrder) {
    auto tahoma = Font("Tahoma", -9);
    EXPECT_EQ(LinkedFamilies(*tahoma),
              (std::vector<std::string>{"Liberation Sans", "Baekmuk Dotum", "Unifont"}));
    EXPECT_EQ(LinkedFamilies(*Font("Arial", -16)),
              (std::vector<std::string>{"Baekmuk Dotum", "Unifont"}))
        << "Arial is drawn in Liberation Sans, and takes its links";
}

// Each character the face lacks comes from the first linked font that has it, at the face's
// size: Greek from Liberation Sans, though Dotum and Unifont have Greek too.
TEST(Fonts, ACharacterComesFromTheFirstLinkedFontThatHasIt) {
    for (int height : {-9, -16}) {
        SCOPED_TRACE(height);
        auto tahoma = Font("Tahoma", height);
        hostwin::GlyphImage linked, own;
        EXPECT_TRUE(SameInk(tahoma->Glyph(u'\u03B1', linked),
                            Font("Liberation Sans", height)->Glyph(u'\u03B1', own)));
        EXPECT_FALSE(SameInk(tahoma->Glyph(u'\u03B1', linked),
                             Font("Baekmuk Dotum", height)->Glyph(u'\u03B1', own)));
        EXPECT_TRUE(SameInk(tahoma->Glyph(u'\uD55C', linked),
                            Font("Baekmuk Dotum", height)->Glyph(u'\uD55C', own)));
        EXPECT_TRUE(SameInk(tahoma->Glyph(u'\u4EEC', linked),
                            Font("Unifont", height)->Glyph(u'\u4EEC', own)))
            << "a Han character Dotum lacks";
        EXPECT_TRUE(SameInk(tahoma->Glyph(u'\u0416', linked), tahoma->Glyph(u'\u0416', own)));
        EXPECT_FALSE(SameInk(tahoma->Glyph(u'\u0416', linked),
                             Font("Liberation Sans", height)->Glyph(u'\u0416', own)))
            << "Tahoma's own Cyrillic";
    }
}

// Unifont draws pictures of the control characters; GDI shows the face's box instead.
TEST(Fonts, ControlCharactersShowTheFacesOwnBox) {
    auto tahoma = Font("Tahoma", -9);
    hostwin::GlyphImage control, box;
    EXPECT_TRUE(SameInk(tahoma->Glyph(u'\u0001', control), tahoma->Glyph(u'\uE000', box)));
    EXPECT_GT(tahoma->Glyph(u'\u0001', control).advance, 0);
}

}  // namespace
