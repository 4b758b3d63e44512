#include "display/VolumeScreen.h"

#include "display/ScreenState.h"
#include "lcd/EzLcd.h"
#include "lcd/LCDProgressBar.h"
#include "lcd/LCDText.h"
#include "mixer/NemboMixer.h"
#include "player/Player.h"

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

double PlayerVolumeInPercent(int volume) {
    return volume / 2.55;
}

int PlayerVolumePercent(int volume) {
    return static_cast<int>(PlayerVolumeInPercent(volume));
}

int MixerVolumePercent(DWORD value) {
    return static_cast<int>(value / 655);
}

void BuildVolumeScreen(CEzLcd& lcd, VolumeScreen& screen) {
    CEzLcdPage* page = lcd.GetCurrentPage();
    screen.title = lcd.CreateTextItem(page, kTextStatic, 2, kAlignCenter, 160, -3);
    CLCDBase* title = lcd.FindItem(page, screen.title);
    if (title && title->GetItemKind() == kItemKindStaticText) {
        static_cast<CLCDText*>(title)->SetTypeface("Arial");
        title->SetOrigin(0, 5);
    }
    lcd.SetText(screen.title, VolumeTitle(kVolumePlayer));
    screen.bar = lcd.CreateBarItem(page);
    if (CLCDBase* bar = lcd.FindItem(page, screen.bar)) {
        bar->SetSize(120, 5);
        bar->SetOrigin(20, 21);
    }
    screen.level = 0;
}

void SetVolumeTitle(CEzLcd& lcd, const VolumeScreen& screen, int selected) {
    lcd.SetText(screen.title, VolumeTitle(selected));
}

void RefreshVolumeScreen(CEzLcd& lcd, VolumeScreen& screen, CNemboMixer& wave,
                         CNemboMixer* master) {
    int selected = g_screenState.selectedVolume.load(std::memory_order_relaxed);
    if (selected == kVolumeMaster && master)
        screen.level = MixerVolumePercent(master->GetValue());
    else if (selected == kVolumeWave)
        screen.level = MixerVolumePercent(wave.GetValue());
    else if (selected == kVolumePlayer)
        screen.level = PlayerVolumePercent(PlayerGetVolume());
    SetVolumeTitle(lcd, screen, selected);
    CLCDBase* bar = lcd.FindItem(lcd.GetCurrentPage(), screen.bar);
    if (bar && bar->GetItemKind() == kItemKindProgressBar)
        static_cast<CLCDProgressBar*>(bar)->SetValue(static_cast<float>(screen.level));
}
