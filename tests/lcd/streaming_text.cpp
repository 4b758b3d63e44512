// The scrolling text: when it scrolls, how far and when it jumps, how its pieces wrap round,
// and that a steady title costs nothing per frame.
#include <cmath>
#include <memory>

#include "support/AllocationCounter.h"
#include "support/ItemCanvas.h"
#include "lcd/LCDStreamingText.h"
#include "lcd/LCDText.h"

namespace {

const char kLong[] = "Lisa Marquee - A Title Long Enough To Scroll Across The Little Screen";

class StreamingTextTest : public ItemCanvas {
protected:
    // Made as the page facade makes its scrolling titles.
    CLCDStreamingText* MakeTitle(int width = 160) {
        title = std::make_unique<CLCDStreamingText>();
        title->Initialize();
        title->SetOrigin(0, 0);
        title->SetTypeface("Tahoma");
        title->m_alignment = DT_CENTER;
        title->SetText(" ");
        title->SetSeparator("       ");
        title->SetSize(width, 20);
        title->SetPointSize(7);
        title->SetContentOffset(0, -1);
        Add(title.get());
        return title.get();
    }
    int FirstOffset() { return title->Piece(0)->GetContentOffset().x; }
    // A title of that width with that text, after its first draw on a screen of its own.
    std::unique_ptr<CLCDStreamingText> DrawnAlone(const char* text, int width) {
        auto probe = std::make_unique<CLCDStreamingText>();
        probe->Initialize();
        probe->SetTypeface("Tahoma");
        probe->SetPointSize(7);
        probe->SetSize(width, 20);
        probe->SetText(text);
        CLCDManager scratch;
        scratch.Initialize();
        scratch.AppendChild(probe.get());
        scratch.Draw();
        return probe;
    }
    std::unique_ptr<CLCDStreamingText> title;

    // A title made as MakeTitle makes it, on a screen of its own, drawn until it scrolls.
    struct ScrollingAlone {
        explicit ScrollingAlone(const char* text) {
            screen.Initialize();
            title.Initialize();
            title.SetOrigin(0, 0);
            title.SetTypeface("Tahoma");
            title.m_alignment = DT_CENTER;
            title.SetSeparator("       ");
            title.SetSize(160, 20);
            title.SetPointSize(7);
            title.SetContentOffset(0, -1);
            title.SetText(text);
            screen.AppendChild(&title);
            while (title.State() == 0)
                Frame(1000);
        }
        ~ScrollingAlone() { screen.Shutdown(); }
        frameart::Art Frame(DWORD ms) {
            control::AdvanceClock(ms);
            screen.Update(GetTickCount());
            screen.Draw();
            CLCDGfx& gfx = screen.GetGfx();
            return frameart::FromPixels(gfx.GetPixels(), gfx.GetWidth(), gfx.GetHeight(),
                                        gfx.GetWidth());
        }
        CLCDManager screen;
        CLCDStreamingText title;
    };
};

TEST_F(StreamingTextTest, TextThatFitsIsOnePieceWithTheItemsAlignmentAndNeverMoves) {
    MakeTitle()->SetText("Short Title");
    frameart::Art first = Frame(100);
    EXPECT_EQ(title->PieceCount(), 1);
    // Centred: the ink starts about half the free width in (glyphs may start a pixel or two
    // right of the pen), where a left-aligned text would start at column 0 or 1.
    int width = title->Piece(0)->GetLineExtent().cx;
    ASSERT_GT(width, 20);
    ASSERT_LT(width, 140);
    auto inked = [&](int x) {
        for (int y = 0; y < 20; ++y)
            if (Lit(first, x, y))
                return true;
        return false;
    };
    int leftmost = 0;
    while (leftmost < 160 && !inked(leftmost))
        ++leftmost;
    EXPECT_GE(leftmost, (160 - width) / 2) << "text " << width << " pixels wide";
    EXPECT_LE(leftmost, (160 - width) / 2 + 2) << "text " << width << " pixels wide";
    frameart::Art later;
    for (int i = 0; i < 80; ++i)
        later = Frame(100);
    EXPECT_EQ(title->PieceCount(), 1);
    EXPECT_EQ(FirstOffset(), 0);
    EXPECT_TRUE(frameart::Same(first, later)) << "8 s later the text stands where it stood";
}

TEST_F(StreamingTextTest, TextOnePixelWiderThanTheBoxMakesFourPieces) {
    int width = DrawnAlone("Exactly", 1000)->Piece(0)->GetLineExtent().cx;
    EXPECT_EQ(DrawnAlone("Exactly", width)->PieceCount(), 1) << "as wide as the box: it fits";
    MakeTitle(width - 1)->SetText("Exactly");
    Frame(100);
    ASSERT_EQ(title->PieceCount(), 4);
    EXPECT_STREQ(title->Piece(0)->GetText(), "Exactly");
    EXPECT_STREQ(title->Piece(1)->GetText(), "       ");
    EXPECT_STREQ(title->Piece(2)->GetText(), "Exactly");
    EXPECT_STREQ(title->Piece(3)->GetText(), "       ");
    // They abut: each starts where the one before it ends.
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(
            title->Piece(i)->GetContentOffset().x,
            title->Piece(i - 1)->GetContentOffset().x + title->Piece(i - 1)->GetLineExtent().cx);
}

TEST_F(StreamingTextTest, WaitsTheStartDelayThenJumpsOnTheEleventhFrameOf100Ms) {
    MakeTitle()->SetText(kLong);
    Frame(100);  // rebuilds, no timing
    int start = FirstOffset();
    // Waiting: elapsed must exceed 2000 ms since the restart.
    int frames = 1;
    while (title->State() == 0 && frames < 100) {
        Frame(100);
        ++frames;
        ASSERT_EQ(FirstOffset(), start);
    }
    EXPECT_EQ(frames, 21) << "the frame at 2100 ms since the restart starts the scroll";
    // 0.7 pixel a frame in single precision: ten frames stay just under 7.
    for (int i = 1; i <= 10; ++i) {
        Frame(100);
        ASSERT_EQ(FirstOffset(), start) << "frame " << i;
    }
    Frame(100);
    EXPECT_EQ(FirstOffset(), start - 7) << "the eleventh frame jumps";
    EXPECT_NEAR(title->Remainder(), 0.7f, 0.01f);
}

TEST_F(StreamingTextTest, With250MsFramesTheFourthScrollingFrameJumpsWithNoRemainder) {
    MakeTitle()->SetText(kLong);
    Frame(250);
    while (title->State() == 0)
        Frame(250);
    int start = FirstOffset();
    for (int i = 0; i < 3; ++i)
        Frame(250);
    EXPECT_EQ(FirstOffset(), start);
    Frame(250);
    EXPECT_EQ(FirstOffset(), start - 7);
    EXPECT_EQ(title->Remainder(), 0.0f);
}

TEST_F(StreamingTextTest, TheSameTextAgainDoesNotRestartTheDelay) {
    MakeTitle()->SetText(kLong);
    Frame(100);
    for (int i = 0; i < 25; ++i) {
        title->SetText(kLong);
        Frame(100);
    }
    EXPECT_EQ(title->State(), 1);
}

TEST_F(StreamingTextTest, TextThatLeavesTheBoxMovesToTheEndOfTheLine) {
    MakeTitle()->SetText(kLong);
    Frame(100);
    CLCDText* first = title->Piece(0);
    int leaveAfter = first->GetLineExtent().cx;
    // Long frames: one large jump each, at most one piece moved per frame.
    int frames = 0;
    while (title->Piece(0) == first && frames < 400) {
        Frame(1000);
        ++frames;
    }
    ASSERT_NE(title->Piece(0), first) << "after " << frames << " frames";
    EXPECT_EQ(title->Piece(3), first);
    EXPECT_STREQ(title->Piece(0)->GetText(), "       ");
    EXPECT_STREQ(title->Piece(1)->GetText(), kLong);
    EXPECT_GE(leaveAfter, 160);
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(
            title->Piece(i)->GetContentOffset().x,
            title->Piece(i - 1)->GetContentOffset().x + title->Piece(i - 1)->GetLineExtent().cx);
}

// A title left unseen for minutes (another screen was shown) is back in view on the first
// frame, where a marquee drawn all along in one-second frames (7 pixels each, no remainder)
// stands after the same time.
TEST_F(StreamingTextTest, AfterALongPauseTheTitleIsBackAtOnceWhereAnUnbrokenMarqueeWouldBe) {
    for (DWORD pause : {1000u, 120000u, 300000u, 600000u}) {
        SCOPED_TRACE(testing::Message() << "a pause of " << pause << " ms");
        ScrollingAlone unbroken(kLong);
        frameart::Art steady;
        for (DWORD ms = 0; ms < pause; ms += 1000)
            steady = unbroken.Frame(1000);

        ScrollingAlone paused(kLong);
        frameart::Art back = paused.Frame(pause);

        int ink = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 160; ++x)
                ink += Lit(back, x, y);
        EXPECT_GT(ink, 100) << "title pixels on the first frame back";
        EXPECT_TRUE(frameart::Same(steady, back));
    }
}

TEST_F(StreamingTextTest, EmptyTextIsOnePieceThatMeasuresNothing) {
    MakeTitle()->SetText("");
    frameart::Art art = Frame(100);
    EXPECT_EQ(title->PieceCount(), 1);
    EXPECT_EQ(title->Piece(0)->GetLineExtent().cx, 0);
    EXPECT_EQ(title->Piece(0)->GetLineExtent().cy, 0);
    for (int y = 0; y < 20; ++y)
        ASSERT_EQ(art[y], std::string(160, '.'));
}

TEST_F(StreamingTextTest, ASteadyScrollingTitleAllocatesNothingAfterItsFirstRebuild) {
    MakeTitle()->SetText(kLong);
    Frame(100);  // the rebuild
    Frame(100);
    size_t before = AllocationsSoFar();
    for (int i = 0; i < 600; ++i) {  // a simulated minute at ten frames a second
        title->SetText(kLong);
        Tick(100);
    }
    EXPECT_EQ(AllocationsSoFar() - before, 0u) << "allocations in a minute of frames";
    EXPECT_EQ(title->State(), 1) << "and it did scroll";
}

}  // namespace
