#include "display/VolumeScreen.h"

#include "display/ScreenState.h"
#include "lcd/EzLcd.h"
#include "lcd/LCDProgressBar.h"
#include "lcd/LCDText.h"
#include "mixer/NemboMixer.h"
#include "player/Player.h"

namespace {

// Owned by the display thread.
CLCDBase* g_title = nullptr;
CLCDBase* g_bar = nullptr;
int g_level = 0;

}  // namespace

const char* VolumeTitle(int selected) {
    switch (selected) {
        case kVolumePlayer:
            return "Winamp Volume";
        case kVolumeWave:
            return "Wave Volume";
        case kVolumeMaster:
            return "Master Volume";
        default:
            return nullptr;
    }
}

int PlayerVolumePercent(int volume) {
    return static_cast<int>(volume / 2.55);
}

int MixerVolumePercent(DWORD value) {
    return static_cast<int>(value / 655);
}

CLCDBase* BuildVolumeScreen(CEzLcd& lcd) {
    CEzLcdPage* page = lcd.GetCurrentPage();
    g_title = lcd.CreateTextItem(page, kTextStatic, 2, kAlignCenter, 160, -3);
    CLCDBase* title = lcd.FindItem(page, g_title);
    if (title && title->GetItemKind() == kItemKindStaticText) {
        static_cast<CLCDText*>(title)->SetTypeface("Arial");
        title->SetOrigin(0, 5);
    }
    lcd.SetText(g_title, VolumeTitle(kVolumePlayer));
    g_bar = lcd.CreateBarItem(page);
    if (CLCDBase* bar = lcd.FindItem(page, g_bar)) {
        bar->SetSize(120, 5);
        bar->SetOrigin(20, 21);
    }
    g_level = 0;
    return g_bar;
}

void SetVolumeTitle(CEzLcd& lcd, int selected) {
    lcd.SetText(g_title, VolumeTitle(selected));
}

void RefreshVolumeScreen(CEzLcd& lcd, CNemboMixer& wave, CNemboMixer* master) {
    int selected = g_screenState.selectedVolume.load(std::memory_order_relaxed);
    if (selected == kVolumeMaster && master)
        g_level = MixerVolumePercent(master->GetValue());
    else if (selected == kVolumeWave)
        g_level = MixerVolumePercent(wave.GetValue());
    else if (selected == kVolumePlayer)
        g_level = PlayerVolumePercent(PlayerGetVolume());
    SetVolumeTitle(lcd, selected);
    CLCDBase* bar = lcd.FindItem(lcd.GetCurrentPage(), g_bar);
    if (bar && bar->GetItemKind() == kItemKindProgressBar)
        static_cast<CLCDProgressBar*>(bar)->SetValue(static_cast<float>(g_level));
}
