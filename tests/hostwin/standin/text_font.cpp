// The text engine behind GDI's text calls, where the Win32 calls cannot look: fonts shared
// between descriptions, glyphs rendered once, the fonts linked to a face. What the calls measure
// and draw is stated in tests/hostwin/text.cpp, which Wine's GDI runs too.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

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

// Ink and advances: what measuring and drawing read of a glyph.
bool SameGlyph(const hostwin::GlyphImage& a, const hostwin::GlyphImage& b) {
    return SameInk(a, b) && a.advance == b.advance && a.drawAdvance == b.drawAdvance;
}

// A kept glyph is the glyph rendered afresh, in every script and at both sizes the product uses,
// whichever size of the face was asked for first.
TEST(Fonts, KeptGlyphsAreTheGlyphsRenderedAfreshAtEachSize) {
    const char16_t units[] = {u'A',      u'\u00E9', u'\u0141', u'\u03B1', u'\u0416',
                              u'\u3042', u'\u65E5', u'\u30AB', u'\uD55C', u'\u4EEC',
                              u'\uE000', u'\u0001', u'\xD800'};
    auto small = Font("Tahoma", -9);
    auto large = Font("Tahoma", -16);
    for (int round = 0; round < 2; ++round) {
        for (char16_t c : units) {
            SCOPED_TRACE(static_cast<int>(c));
            hostwin::GlyphImage scratch, fresh;
            for (TextFont* font : {large.get(), small.get()}) {
                const hostwin::GlyphImage& kept = font->Glyph(c, scratch);
                EXPECT_NE(&kept, &scratch) << "kept";
                EXPECT_EQ(&font->Glyph(c, scratch), &kept) << "kept once";
                font->RenderUncached(c, fresh);
                EXPECT_TRUE(SameGlyph(kept, fresh));
            }
            if (c != u'\xD800' && c != u'\u0001') {
                EXPECT_FALSE(SameInk(small->Glyph(c, scratch), large->Glyph(c, scratch)))
                    << "each size keeps its own";
            }
        }
    }
}

// Units of every page of 256 above the first, at the same 17 places in each (so that a unit
// confused with another of its place on any other page shows), each kept glyph the right one
// until the bound; past it each is rendered afresh into the scratch image, and right too. A size
// of its own, which no other test asks for: its glyphs are counted from none.
TEST(Fonts, ManyCharactersAreKeptUpToTheBoundAndRightPastIt) {
    auto font = Font("Tahoma", -13);
    ASSERT_EQ(font->KeptBeyondFirst256(), 0) << "a size that another test asked for";
    std::vector<char16_t> units;
    for (int low : {0x00, 0x08, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB,
                    0xCC, 0xDD, 0xEE, 0xFF})
        for (int page = 1; page < 256; ++page)
            units.push_back(static_cast<char16_t>(page << 8 | low));
    const int count = static_cast<int>(units.size());
    ASSERT_GT(count, TextFont::kMaxKeptGlyphs);
    std::vector<const hostwin::GlyphImage*> first(count);
    hostwin::GlyphImage scratch, fresh;
    for (int i = 0; i < count; ++i) {
        const hostwin::GlyphImage& g = font->Glyph(units[i], scratch);
        first[i] = &g;
        font->RenderUncached(units[i], fresh);
        ASSERT_TRUE(SameGlyph(g, fresh)) << std::hex << static_cast<int>(units[i]);
        ASSERT_EQ(&g == &scratch, i >= TextFont::kMaxKeptGlyphs) << i;
    }
    EXPECT_EQ(font->KeptBeyondFirst256(), TextFont::kMaxKeptGlyphs);
    for (int i = count - 1; i >= 0; --i) {
        const hostwin::GlyphImage& g = font->Glyph(units[i], scratch);
        font->RenderUncached(units[i], fresh);
        ASSERT_TRUE(SameGlyph(g, fresh)) << std::hex << static_cast<int>(units[i]);
        if (i < TextFont::kMaxKeptGlyphs) {
            ASSERT_EQ(&g, first[i]) << "a kept glyph stays where it was";
        }
    }
    const hostwin::GlyphImage& a = font->Glyph(u'A', scratch);
    EXPECT_NE(&a, &scratch) << "the first 256 are kept past the bound too";
    font->RenderUncached(u'A', fresh);
    EXPECT_TRUE(SameGlyph(a, fresh));
}

// The display thread draws while other threads measure: every thread gets the one kept glyph of
// a unit, and the right one. (Under ThreadSanitizer, in the host-tsan build, a race shows too.)
TEST(Fonts, ThreadsLookingUpTheSameCharactersShareOneKeptGlyph) {
    auto font = Font("Tahoma", -14);
    constexpr int kThreads = 4;
    constexpr int kUnits = 400;
    auto unitAt = [](int i) { return static_cast<char16_t>(0x3040 + i); };  // kana and on
    std::vector<std::vector<const hostwin::GlyphImage*>> seen(
        kThreads, std::vector<const hostwin::GlyphImage*>(kUnits));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            hostwin::GlyphImage scratch;
            for (int n = 0; n < kUnits; ++n) {
                int i = t % 2 ? kUnits - 1 - n : n;  // two from each end
                seen[t][i] = &font->Glyph(unitAt(i), scratch);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    hostwin::GlyphImage fresh;
    for (int i = 0; i < kUnits; ++i) {
        for (int t = 1; t < kThreads; ++t)
            ASSERT_EQ(seen[t][i], seen[0][i]) << i;
        font->RenderUncached(unitAt(i), fresh);
        ASSERT_TRUE(SameGlyph(*seen[0][i], fresh)) << i;
    }
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
