// The page facade: pages, items by pointer, the house settings of each kind, and soft buttons
// as they were one frame earlier.
#include <memory>

#include "support/ItemCanvas.h"
#include "lcd/EzLcd.h"
#include "lcd/LCDProgressBar.h"
#include "lcd/LCDSpectrum.h"
#include "lcd/LCDStreamingText.h"
#include "lcd/LCDText.h"
#include "support/LcdWorld.h"

namespace {

class EzLcdTest : public ::testing::Test {
protected:
    void SetUp() override { control::UseManualClock(20000); }
    void TearDown() override { control::UseRealClock(); }
    // The current page drawn into its own surface, as the output would draw it.
    frameart::Art DrawPage() {
        CEzLcdPage* page = lcd.GetCurrentPage();
        EXPECT_EQ(page->Draw(), S_OK);
        CLCDGfx& gfx = page->GetGfx();
        return frameart::FromPixels(gfx.GetPixels(), 160, 43, 160);
    }
    static LOGFONTA Description(HFONT font) {
        LOGFONTA lf = {};
        GetObjectA(font, sizeof lf, &lf);
        return lf;
    }
    CEzLcd lcd;
};

TEST_F(EzLcdTest, StartsWithOneCurrentPageAndCountsNewOnes) {
    EXPECT_EQ(lcd.GetPageCount(), 1);
    EXPECT_EQ(lcd.GetCurrentPage(), lcd.GetPage(0));
    EXPECT_EQ(lcd.CreatePage(), 2);
    EXPECT_EQ(lcd.CreatePage(), 3);
    EXPECT_EQ(lcd.GetCurrentPage(), lcd.GetPage(0)) << "a new page is not shown";
    EXPECT_FALSE(lcd.SelectPage(3));
    EXPECT_FALSE(lcd.SelectPage(-1));
    EXPECT_EQ(lcd.GetCurrentPage(), lcd.GetPage(0));
    EXPECT_TRUE(lcd.SelectPage(2));
    EXPECT_EQ(lcd.GetCurrentPage(), lcd.GetPage(2));
}

TEST_F(EzLcdTest, StaticTextGetsTheHouseSettings) {
    CEzLcdPage* page = lcd.GetCurrentPage();
    EXPECT_EQ(lcd.CreateTextItem(page, 2, 0, 0, 10, 0), nullptr);
    EXPECT_EQ(page->Children().size(), 0u) << "an unknown kind adds nothing";
    auto* text = static_cast<CLCDText*>(lcd.CreateTextItem(page, kTextStatic, 2, 1, 160, -3));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetOrigin().x, 0);
    EXPECT_EQ(text->GetOrigin().y, 0);
    EXPECT_EQ(text->GetWidth(), 160);
    EXPECT_EQ(text->GetHeight(), 20);
    EXPECT_EQ(text->GetContentOffset().y, -3);
    EXPECT_EQ(text->GetPaintMode(), OPAQUE);
    EXPECT_EQ(text->GetItemKind(), kItemKindStaticText);
    EXPECT_STREQ(text->GetText(), " ");
    LOGFONTA lf = {};
    GetObjectA(text->GetFontHandle(), sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -16) << "12 points";
    EXPECT_STREQ(lf.lfFaceName, "Arial");
    EXPECT_EQ(lcd.ApplySmallFont(page, text), S_OK);
    GetObjectA(text->GetFontHandle(), sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -9) << "7 points";
}

TEST_F(EzLcdTest, SizeClassesPickTheBoxHeightAndTheFontSize) {
    struct {
        int sizeClass, height, lfHeight;
    } classes[] = {{0, 11, -11}, {1, 13, -11}, {2, 20, -16}, {3, 13, -11}, {-1, 13, -11}};
    for (auto c : classes) {
        auto* text = static_cast<CLCDText*>(
            lcd.CreateTextItem(lcd.GetCurrentPage(), kTextStatic, c.sizeClass, 0, 40, 0));
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->GetHeight(), c.height) << "size class " << c.sizeClass;
        EXPECT_EQ(Description(text->GetFontHandle()).lfHeight, c.lfHeight)
            << "size class " << c.sizeClass;
    }
}

TEST_F(EzLcdTest, ScrollingTextGetsTheHouseSettings) {
    CEzLcdPage* page = lcd.GetCurrentPage();
    auto* title =
        static_cast<CLCDStreamingText*>(lcd.CreateTextItem(page, kTextScrolling, 2, 1, 160, -1));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->GetItemKind(), kItemKindScrollingText);
    EXPECT_EQ(title->GetOrigin().x, 0);
    EXPECT_EQ(title->GetOrigin().y, 0);
    EXPECT_EQ(title->GetWidth(), 160);
    EXPECT_EQ(title->GetHeight(), 20);
    EXPECT_EQ(title->GetContentOffset().y, -1);
    EXPECT_EQ(title->m_alignment, static_cast<UINT>(DT_CENTER));
    EXPECT_EQ(title->m_speed, 7u);
    EXPECT_EQ(title->m_step, 7u);
    EXPECT_EQ(title->m_startDelay, 2000u);
    ASSERT_EQ(title->PieceCount(), 1);
    EXPECT_STREQ(title->Piece(0)->GetText(), " ");
    // A title too wide for the box shows the separator and the item's font in its pieces.
    lcd.SetText(title, "Lisa Marquee - A Title Long Enough To Scroll Across The Little Screen");
    DrawPage();
    ASSERT_EQ(title->PieceCount(), 4);
    EXPECT_STREQ(title->Piece(1)->GetText(), "       ") << "seven spaces between the copies";
    LOGFONTA lf = Description(title->Piece(0)->GetFontHandle());
    EXPECT_STREQ(lf.lfFaceName, "Arial");
    EXPECT_EQ(lf.lfHeight, -16) << "12 points";
    EXPECT_EQ(lcd.ApplySmallFont(page, title), S_OK);
    lcd.SetText(title, "Short");  // a rebuild takes the item's font
    DrawPage();
    EXPECT_EQ(Description(title->Piece(0)->GetFontHandle()).lfHeight, -9) << "7 points";
}

TEST_F(EzLcdTest, SpectrumAndBarGetTheHouseSettings) {
    CEzLcdPage* page = lcd.GetCurrentPage();
    CLCDBase* spectrum = lcd.CreateSpectrumItem(page, nullptr);
    EXPECT_EQ(spectrum->GetItemKind(), kItemKindSpectrum);
    EXPECT_EQ(spectrum->GetOrigin().x, 0);
    EXPECT_EQ(spectrum->GetOrigin().y, 8);
    EXPECT_EQ(spectrum->GetWidth(), 160);
    EXPECT_EQ(spectrum->GetHeight(), 31);
    spectrum->Show(FALSE);
    auto* bar = static_cast<CLCDProgressBar*>(lcd.CreateBarItem(page));
    EXPECT_EQ(bar->GetItemKind(), kItemKindProgressBar);
    EXPECT_EQ(bar->GetOrigin().x, 0);
    EXPECT_EQ(bar->GetOrigin().y, 0);
    EXPECT_EQ(bar->GetWidth(), 160) << "the page's width";
    EXPECT_EQ(bar->GetHeight(), 5);
    EXPECT_EQ(bar->GetLimits().minimum, 0);
    EXPECT_EQ(bar->GetLimits().maximum, 100);
    EXPECT_EQ(bar->GetValue(), 0.0f);
    EXPECT_EQ(page->Children().back(), bar) << "items are appended in creation order";
    // Filled from the left: half the range lights the left half of the bar's middle row.
    ASSERT_EQ(lcd.SetItemBarValue(bar, 50.0f), S_OK);
    frameart::Art art = DrawPage();
    EXPECT_EQ(art[2].substr(0, 80), std::string(80, '#')) << "row 2: " << art[2];
    EXPECT_EQ(art[2].substr(80, 79), std::string(79, '.')) << "row 2: " << art[2];
}

TEST_F(EzLcdTest, ItemOperationsActOnTheCurrentPageOnly) {
    CLCDBase* text = lcd.CreateTextItem(lcd.GetCurrentPage(), kTextStatic, 0, 0, 50, 0);
    CLCDBase* bar = lcd.CreateBarItem(lcd.GetCurrentPage());
    EXPECT_EQ(lcd.SetItemBarValue(text, 5.0f), E_FAIL) << "not a bar";
    EXPECT_EQ(lcd.SetItemBarValue(bar, 42.0f), S_OK);
    EXPECT_EQ(static_cast<CLCDProgressBar*>(bar)->GetValue(), 42.0f);
    lcd.CreatePage();
    lcd.SelectPage(1);
    EXPECT_EQ(lcd.SetText(text, "elsewhere"), E_FAIL);
    EXPECT_STREQ(static_cast<CLCDText*>(text)->GetText(), " ");
    EXPECT_EQ(lcd.SetItemBarValue(bar, 7.0f), E_FAIL);
    EXPECT_EQ(lcd.FindItem(lcd.GetCurrentPage(), text), nullptr);
    lcd.SelectPage(0);
    EXPECT_EQ(lcd.SetText(text, "here"), S_OK);
    EXPECT_STREQ(static_cast<CLCDText*>(text)->GetText(), "here");
}

TEST_F(EzLcdTest, OnlyTheFourSoftButtonBitsAreNoted) {
    lcd.Update();  // without a service the output never opens; the flags still follow
    lcd.OnSoftButtonDown(4);
    lcd.OnSoftButtonDown(3);  // not a button bit: ignored
    EXPECT_TRUE(lcd.IsButtonNewlyPressed(4));
    EXPECT_FALSE(lcd.IsButtonNewlyPressed(2));
}

// The facade driven against the LCD service, frame by frame, with the buttons pressed there.
class EzLcdOnTheService : public LcdWorld {
protected:
    void SetUp() override {
        LcdWorld::SetUp();
        control::UseManualClock(20000);
        lcd = std::make_unique<CEzLcd>();
    }
    void TearDown() override {
        lcd->GetOutput().Shutdown();
        lcd.reset();
        control::UseRealClock();
        LcdWorld::TearDown();
    }
    // The buttons that read as newly pressed after one frame.
    std::string Frame() {
        lcd->Update();
        std::string pressed;
        for (int button : {1, 2, 4, 8})
            if (lcd->IsButtonNewlyPressed(button))
                pressed += std::to_string(button) + " ";
        return pressed;
    }
    std::unique_ptr<CEzLcd> lcd;
};

TEST_F(EzLcdOnTheService, AButtonIsNewlyPressedForOneFrameOnly) {
    EXPECT_EQ(Frame(), "");
    ASSERT_EQ(service->FrameCount(), 1u) << "the first frame connects and shows the page";
    service->Hold(2);
    EXPECT_EQ(Frame(), "2 ") << "the frame in which it went down";
    EXPECT_EQ(Frame(), "") << "held";
    EXPECT_EQ(Frame(), "") << "still held";
    service->Release(2);
    EXPECT_EQ(Frame(), "") << "released";
    service->Hold(2);
    EXPECT_EQ(Frame(), "2 ") << "pressed anew";
    service->Release(2);
    service->Tap(1 | 8);
    EXPECT_EQ(Frame(), "1 8 ") << "two at once";
    EXPECT_EQ(Frame(), "") << "after the tap";
}

}  // namespace
