// The page facade: pages, items by pointer, the house settings of each kind, and soft buttons
// as they were one frame earlier.
#include <memory>

#include "ItemCanvas.h"
#include "lcd/EzLcd.h"
#include "lcd/LCDProgressBar.h"
#include "lcd/LCDText.h"

namespace {

class EzLcdTest : public ::testing::Test {
protected:
    void SetUp() override { hwc::UseManualClock(20000); }
    void TearDown() override { hwc::UseRealClock(); }
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

}  // namespace
