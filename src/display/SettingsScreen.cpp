#include "display/SettingsScreen.h"

#include "display/ListWindow.h"
#include "display/ScreenState.h"
#include "lcd/EzLcd.h"
#include "lcd/LCDText.h"
#include "settings/Settings.h"

namespace {

constexpr int kShortListCount = 9;
constexpr int kRowPitch = 9;
constexpr int kStateColumn = 140;

CLCDBase* Find(CEzLcd& lcd, CLCDBase* item) {
    return lcd.FindItem(lcd.GetCurrentPage(), item);
}

void Place(CEzLcd& lcd, CLCDBase* item, int x, int y) {
    if (CLCDBase* found = Find(lcd, item))
        found->SetOrigin(x, y);
}

void SetFace(CEzLcd& lcd, CLCDBase* item, const char* face) {
    CLCDBase* found = Find(lcd, item);
    if (found && found->GetItemKind() == kItemKindStaticText)
        static_cast<CLCDText*>(found)->SetTypeface(face);
}

void Invert(CEzLcd& lcd, CLCDBase* item, bool inverted) {
    if (CLCDBase* found = Find(lcd, item))
        found->Invert(inverted);
}

}  // namespace

int GetSettingsItemCount() {
    bool both = g_screenState.leftCtrlHeld.load(std::memory_order_relaxed) &&
                g_screenState.rightCtrlHeld.load(std::memory_order_relaxed);
    return both ? kSettingCount : kShortListCount;
}

const char* GetSettingLabel(int item) {
    const SettingInfo* info = FindSettingInfo(item);
    return info ? info->label : "";
}

const char* GetSettingState(int item) {
    if (!FindSettingInfo(item))
        return "x";
    return IsSettingOn(item) ? "On" : "Off";
}

void BuildSettingsScreen(CEzLcd& lcd, SettingsScreen& screen) {
    CEzLcdPage* page = lcd.GetCurrentPage();
    screen.title = lcd.CreateTextItem(page, kTextStatic, 2, kAlignCenter, 160, -2);
    for (CLCDBase*& label : screen.labels)
        label = lcd.CreateTextItem(page, kTextStatic, 2, kAlignLeft, kStateColumn, -2);
    screen.stateHeader = lcd.CreateTextItem(page, kTextStatic, 2, kAlignCenter, 20, -2);
    for (CLCDBase*& state : screen.states)
        state = lcd.CreateTextItem(page, kTextStatic, 2, kAlignLeft, 20, -2);

    lcd.SetText(screen.title, "Settings");
    SetFace(lcd, screen.title, "Tahoma");
    for (CLCDBase* label : screen.labels)
        SetFace(lcd, label, "Tahoma");

    Place(lcd, screen.title, 0, 0);
    Place(lcd, screen.stateHeader, kStateColumn, 0);
    for (int k = 1; k <= kVisibleRows; ++k) {
        Place(lcd, screen.labels[k - 1], 0, k * kRowPitch);
        Place(lcd, screen.states[k - 1], kStateColumn, k * kRowPitch);
    }
    lcd.ApplySmallFont(page, screen.title);
    for (CLCDBase* label : screen.labels)
        lcd.ApplySmallFont(page, label);
    lcd.ApplySmallFont(page, screen.stateHeader);
    for (CLCDBase* state : screen.states)
        lcd.ApplySmallFont(page, state);
}

void RefreshSettingsScreen(CEzLcd& lcd, const SettingsScreen& screen) {
    int count = GetSettingsItemCount();
    ListWindow window = g_screenState.LoadSettingsWindow();
    // The two hidden items left the list while they were in view: the window comes back so
    // that its last row is the list's last item.
    if (window.top + kVisibleRows > count) {
        window = {count - kVisibleRows, kVisibleRows};
        g_screenState.StoreSettingsWindow(window);
    }
    for (int k = 1; k <= kVisibleRows; ++k) {
        int item = window.top + k - 1;
        lcd.SetText(screen.labels[k - 1], GetSettingLabel(item));
        lcd.SetText(screen.states[k - 1], GetSettingState(item));
    }
    Invert(lcd, screen.title, true);
    Invert(lcd, screen.stateHeader, true);
    for (int k = 1; k <= kVisibleRows; ++k) {
        Invert(lcd, screen.labels[k - 1], k == window.row);
        Invert(lcd, screen.states[k - 1], k == window.row);
    }
}
