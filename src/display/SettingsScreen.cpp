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

// Owned by the display thread.
struct SettingsItems {
    CLCDBase* title = nullptr;
    CLCDBase* labels[kVisibleRows] = {};
    CLCDBase* stateHeader = nullptr;
    CLCDBase* states[kVisibleRows] = {};
};
SettingsItems g_items;

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

void BuildSettingsScreen(CEzLcd& lcd) {
    CEzLcdPage* page = lcd.GetCurrentPage();
    SettingsItems& items = g_items;
    items.title = lcd.CreateTextItem(page, kTextStatic, 2, kAlignCenter, 160, -2);
    for (CLCDBase*& label : items.labels)
        label = lcd.CreateTextItem(page, kTextStatic, 2, kAlignLeft, kStateColumn, -2);
    items.stateHeader = lcd.CreateTextItem(page, kTextStatic, 2, kAlignCenter, 20, -2);
    for (CLCDBase*& state : items.states)
        state = lcd.CreateTextItem(page, kTextStatic, 2, kAlignLeft, 20, -2);

    lcd.SetText(items.title, "Settings");
    SetFace(lcd, items.title, "Tahoma");
    for (CLCDBase* label : items.labels)
        SetFace(lcd, label, "Tahoma");

    Place(lcd, items.title, 0, 0);
    Place(lcd, items.stateHeader, kStateColumn, 0);
    for (int k = 1; k <= kVisibleRows; ++k) {
        Place(lcd, items.labels[k - 1], 0, k * kRowPitch);
        Place(lcd, items.states[k - 1], kStateColumn, k * kRowPitch);
    }
    lcd.ApplySmallFont(page, items.title);
    for (CLCDBase* label : items.labels)
        lcd.ApplySmallFont(page, label);
    lcd.ApplySmallFont(page, items.stateHeader);
    for (CLCDBase* state : items.states)
        lcd.ApplySmallFont(page, state);
}

void RefreshSettingsScreen(CEzLcd& lcd) {
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
        lcd.SetText(g_items.labels[k - 1], GetSettingLabel(item));
        lcd.SetText(g_items.states[k - 1], GetSettingState(item));
    }
    Invert(lcd, g_items.title, true);
    Invert(lcd, g_items.stateHeader, true);
    for (int k = 1; k <= kVisibleRows; ++k) {
        Invert(lcd, g_items.labels[k - 1], k == window.row);
        Invert(lcd, g_items.states[k - 1], k == window.row);
    }
}
