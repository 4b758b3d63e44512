#include "display/NowPlayingScreen.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "lcd/EzLcd.h"
#include "lcd/LCDProgressBar.h"
#include "lcd/LCDStreamingText.h"
#include "lcd/LCDText.h"
#include "player/Player.h"

namespace {

// Cuts the suffix off when the title is longer than it and ends with it.
void CutSuffix(char* title, const char* suffix) {
    size_t length = std::strlen(title);
    size_t suffixLength = std::strlen(suffix);
    if (length > suffixLength && lstrcmpA(title + length - suffixLength, suffix) == 0)
        title[length - suffixLength] = '\0';
}

void SetTypeface(CEzLcd& lcd, CLCDBase* item, const char* face) {
    ApplyToText(lcd.FindItem(lcd.GetCurrentPage(), item),
                [face](auto* found) { found->SetTypeface(face); });
}

void Place(CEzLcd& lcd, CLCDBase* item, int x, int y) {
    if (CLCDBase* found = lcd.FindItem(lcd.GetCurrentPage(), item))
        found->SetOrigin(x, y);
}

}  // namespace

void CleanTitle(char* title) {
    CutSuffix(title, " - Winamp");
    CutSuffix(title, " - Winamp [Paused]");
    const char* rest = title;
    while (*rest >= '0' && *rest <= '9')
        ++rest;
    if (rest[0] == '.' && rest[1] == ' ')
        std::memmove(title, rest + 2, std::strlen(rest + 2) + 1);
}

// The length times 1000 in 32 bits, as the player's millisecond count would wrap.
void FormatTrackLength(int lengthSeconds, char* text, size_t size) {
    text[0] = '\0';
    int ms = static_cast<int>(static_cast<unsigned>(lengthSeconds) * 1000u);
    if (ms <= 0)
        return;
    int seconds = ms / 1000;
    int minutes = seconds / 60;
    std::snprintf(text, size, "%d:%02d", minutes, seconds - minutes * 60);
}

// The milliseconds scaled in double and only then rounded to single precision, as the screen
// has always counted them: scaling in float shows a second too many near the end of a minute
// on long tracks.
float ElapsedSeconds(int elapsedMs) {
    return static_cast<float>(elapsedMs * 0.001);
}

void FormatPlayTime(int elapsedMs, char* text, size_t size) {
    text[0] = '\0';
    if (elapsedMs <= 0)
        return;
    float seconds = ElapsedSeconds(elapsedMs);
    int minutes = static_cast<int>(seconds / 60.0f);
    int rest = static_cast<int>(static_cast<float>(seconds - static_cast<float>(minutes) * 60.0f));
    std::snprintf(text, size, "%d:%02d", minutes, rest);
}

float TrackPositionPercent(int elapsedMs, int lengthSeconds) {
    float elapsedSeconds = ElapsedSeconds(elapsedMs);
    float fraction = elapsedSeconds / static_cast<float>(lengthSeconds);
    float percent = fraction * 100.0f;
    return std::isfinite(percent) ? percent : 0.0f;
}

void BuildNowPlayingScreen(CEzLcd& lcd, NowPlayingScreen& screen, HWND player) {
    CEzLcdPage* page = lcd.GetCurrentPage();
    screen.title = lcd.CreateTextItem(page, kTextScrolling, 2, kAlignCenter, 160, -1);
    screen.elapsed = lcd.CreateTextItem(page, kTextStatic, 0, kAlignLeft, 25, -5);
    screen.total = lcd.CreateTextItem(page, kTextStatic, 0, kAlignRight, 25, -5);
    screen.bar = lcd.CreateBarItem(page);
    for (CLCDBase* text : {screen.title, screen.elapsed, screen.total})
        lcd.ApplySmallFont(page, text);
    SetTypeface(lcd, screen.title, "Tahoma");
    SetTypeface(lcd, screen.elapsed, "Trebuchet MS");
    SetTypeface(lcd, screen.total, "Trebuchet MS");
    if (CLCDBase* bar = lcd.FindItem(page, screen.bar))
        bar->SetSize(114, 6);
    Place(lcd, screen.bar, 23, 37);
    screen.spectrum = lcd.CreateSpectrumItem(page, player);
    Place(lcd, screen.title, 0, 0);
    Place(lcd, screen.total, 136, 37);
    Place(lcd, screen.elapsed, 0, 37);
}

void RefreshNowPlayingScreen(CEzLcd& lcd, NowPlayingScreen& screen, const char* title) {
    FormatTrackLength(PlayerGetTrackLengthSeconds(), screen.totalText, sizeof screen.totalText);
    FormatPlayTime(PlayerGetElapsedMs(), screen.elapsedText, sizeof screen.elapsedText);
    int elapsedMs = PlayerGetElapsedMs();
    int lengthSeconds = PlayerGetTrackLengthSeconds();
    CLCDBase* bar = lcd.FindItem(lcd.GetCurrentPage(), screen.bar);
    if (bar && bar->GetItemKind() == kItemKindProgressBar)
        static_cast<CLCDProgressBar*>(bar)->SetValue(
            TrackPositionPercent(elapsedMs, lengthSeconds));
    lcd.SetText(screen.title, title);
    lcd.SetText(screen.elapsed, screen.elapsedText);
    lcd.SetText(screen.total, screen.totalText);
}
