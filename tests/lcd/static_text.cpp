// The static text: its font description rules, when it measures, and what it paints.
#include <memory>

#include "support/ItemCanvas.h"
#include "lcd/LCDText.h"

namespace {

class StaticTextTest : public ItemCanvas {
protected:
    CLCDText* MakeText(const char* text, int width = 60, int height = 13) {
        item = std::make_unique<CLCDText>();
        EXPECT_EQ(item->Initialize(), S_OK);
        item->SetTypeface("Tahoma");
        item->SetOrigin(10, 5);
        item->SetSize(width, height);
        item->SetText(text);
        Add(item.get());
        return item.get();
    }
    int LitIn(const frameart::Art& art, int x0, int y0, int x1, int y1) {
        int lit = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                lit += Lit(art, x, y);
        return lit;
    }
    LOGFONTA Description() {
        LOGFONTA lf = {};
        GetObjectA(item->GetFontHandle(), sizeof lf, &lf);
        return lf;
    }
    std::unique_ptr<CLCDText> item;
};

TEST_F(StaticTextTest, PointSizesBecomeCharacterHeightsAt96PixelsPerInch) {
    MakeText("x");
    item->SetPointSize(7);
    EXPECT_EQ(Description().lfHeight, -9);
    item->SetPointSize(8);
    EXPECT_EQ(Description().lfHeight, -11);
    item->SetPointSize(12);
    EXPECT_EQ(Description().lfHeight, -16);
    EXPECT_STREQ(Description().lfFaceName, "Tahoma") << "a size change keeps the face";
    item->SetWeight(700);
    EXPECT_EQ(Description().lfWeight, 700);
    EXPECT_EQ(Description().lfHeight, -16) << "a weight change keeps the size";
}

TEST_F(StaticTextTest, OverlongFaceNameIsCutToFitItsField) {
    MakeText("x");
    item->SetTypeface("A Face Name Far Longer Than Thirty-One Characters");
    LOGFONTA lf = Description();
    EXPECT_EQ(std::string(lf.lfFaceName), std::string("A Face Name Far Longer Than Thi"));
}

TEST_F(StaticTextTest, MeasuresOnTheFirstDrawAfterAChangeOnly) {
    MakeText("Winamp Volume", 160, 20);
    EXPECT_EQ(item->GetLineExtent().cx, 0) << "nothing is measured before a draw";
    Frame();
    SIZE line = item->GetLineExtent();
    EXPECT_GT(line.cx, 40);
    EXPECT_GT(line.cy, 8);
    item->SetMarginLeft(3);
    item->SetText("Winamp Volume");
    EXPECT_EQ(item->GetMarginLeft(), 3) << "the same text keeps the margins";
    item->SetText("Wave Volume");
    EXPECT_EQ(item->GetMarginLeft(), 0) << "a new text resets them";
    EXPECT_EQ(item->GetLineExtent().cx, line.cx) << "measured again only when drawn";
    Frame();
    EXPECT_LT(item->GetLineExtent().cx, line.cx);
}

TEST_F(StaticTextTest, TextWiderThanTheBoxWidensItsLineAndWrapsItsWrappedExtent) {
    MakeText("Lisa Marquee - A Title Long Enough To Scroll", 60, 40);
    Frame();
    EXPECT_GT(item->GetLineExtent().cx, 60);
    EXPECT_LE(item->GetWrappedExtent().cx, 60);
    EXPECT_GT(item->GetWrappedExtent().cy, item->GetLineExtent().cy) << "more than one line";
    item->SetWrap(TRUE);
    Frame();
    EXPECT_EQ(item->GetLineExtent().cx, item->GetWrappedExtent().cx);
    EXPECT_EQ(item->GetLineExtent().cy, item->GetWrappedExtent().cy);
}

TEST_F(StaticTextTest, PaintsInsideItsBoxOnly) {
    MakeText("Off", 20, 11);
    frameart::Art art = Frame();
    EXPECT_GT(LitIn(art, 10, 5, 30, 16), 5);
    EXPECT_EQ(LitIn(art, 0, 0, 160, 5) + LitIn(art, 30, 0, 160, 43) + LitIn(art, 0, 16, 160, 43),
              0);
}

TEST_F(StaticTextTest, AlignmentPlacesTheTextInItsBox) {
    MakeText("On", 100, 11);
    auto leftmost = [&](const frameart::Art& art) {
        for (int x = 10; x < 110; ++x)
            for (int y = 5; y < 16; ++y)
                if (Lit(art, x, y))
                    return x;
        return -1;
    };
    int left = leftmost(Frame());
    item->SetAlignFlags(DT_CENTER);
    int centre = leftmost(Frame());
    item->SetAlignFlags(DT_RIGHT);
    int right = leftmost(Frame());
    int width = item->GetLineExtent().cx;
    // Ink starts at the pen or a pixel or two to its right.
    EXPECT_GE(left, 10);
    EXPECT_LE(left, 12);
    EXPECT_GE(centre, 10 + (100 - width) / 2);
    EXPECT_LE(centre, 12 + (100 - width) / 2);
    EXPECT_GE(right, 110 - width);
    EXPECT_LE(right, 112 - width);
}

TEST_F(StaticTextTest, InvertedOneSpaceIsAFullBarAndAnEmptyTextIsNothing) {
    MakeText(" ", 40, 9)->SetPaintMode(OPAQUE);
    item->Invert(TRUE);
    frameart::Art bar = Frame();
    EXPECT_EQ(LitIn(bar, 10, 5, 50, 14), 40 * 9) << "the whole box inverted";
    item->SetText("");
    frameart::Art nothing = Frame();
    EXPECT_EQ(LitIn(nothing, 0, 0, 160, 43), 0);
}

// The surface is shared by every item drawn after this one: what the text sets up for its
// own drawing it gives back.
TEST_F(StaticTextTest, DrawingLeavesTheDeviceContextAsItFoundIt) {
    CLCDGfx gfx;
    ASSERT_EQ(gfx.Initialize(160, 43), S_OK);
    HDC dc = gfx.GetDrawingDC();
    gfx.BeginFrame();
    MakeText("Settle", 60, 13)->SetPaintMode(OPAQUE);
    item->Invert(TRUE);
    LOGFONTA lf = {};
    lf.lfHeight = -20;
    SetFaceName(lf, "Tahoma");
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ original = SelectObject(dc, font);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetTextColor(dc, RGB(0, 0, 255));
    SetBkMode(dc, TRANSPARENT);
    item->OnDraw(gfx);
    EXPECT_NE(item->GetLineExtent().cx, 0) << "the text was measured and drawn";
    EXPECT_EQ(GetMapMode(dc), MM_ANISOTROPIC);
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 255));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT) << "opaque drawing left its mode behind";
    EXPECT_EQ(SelectObject(dc, original), font) << "another font was left selected";
    gfx.EndFrame();
    DeleteObject(font);
}

TEST_F(StaticTextTest, ContentOffsetMovesTheGlyphsUpInsideTheClippedBox) {
    MakeText("Mg", 30, 11);
    frameart::Art plain = Frame();
    item->SetContentOffset(0, -3);
    frameart::Art raised = Frame();
    auto top = [&](const frameart::Art& art) {
        for (int y = 0; y < 43; ++y)
            for (int x = 10; x < 40; ++x)
                if (Lit(art, x, y))
                    return y;
        return -1;
    };
    EXPECT_EQ(top(raised), std::max(5, top(plain) - 3));
    EXPECT_EQ(LitIn(raised, 0, 0, 160, 5), 0) << "clipped to the box";
}

}  // namespace
