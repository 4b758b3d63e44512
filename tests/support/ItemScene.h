// One frame with every kind of LCD item, drawn by the product's classes through whatever GDI
// the build has: hostwin on Linux, Wine's for the win64 build. Both must give the same pixels.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "lcd/LCDManager.h"
#include "lcd/LCDProgressBar.h"
#include "lcd/LCDSpectrum.h"
#include "lcd/LCDStreamingText.h"
#include "lcd/LCDText.h"
#include "player/PlayerMessages.h"
#include "support/FrameArt.h"

namespace itemscene {

inline char* __cdecl SceneBands() {
    static char bands[150];
    for (int i = 0; i < 75; ++i)
        bands[i] = static_cast<char>((i * 7) % 45 - 2);
    return bands;
}
inline void __cdecl SceneRequest(int) {}

inline LRESULT CALLBACK ScenePlayer(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_USER && lp == kPlayerVisualData)
        return wp == 0 ? reinterpret_cast<LRESULT>(&SceneBands)
                       : reinterpret_cast<LRESULT>(&SceneRequest);
    return DefWindowProcA(hwnd, msg, wp, lp);
}

inline CLCDText* Text(const char* face, int points, UINT align, int x, int y, int w, int h,
                      const char* text) {
    auto* item = new CLCDText;
    item->Initialize();
    item->SetTypeface(face);
    item->SetPointSize(points);
    item->SetAlignFlags(align);
    item->SetPaintMode(OPAQUE);
    item->SetOrigin(x, y);
    item->SetSize(w, h);
    item->SetText(text);
    return item;
}

inline CLCDProgressBar* Bar(int style, int x, int y, int w, int h, float value) {
    auto* bar = new CLCDProgressBar;
    bar->Initialize();
    bar->SetOrigin(x, y);
    bar->SetSize(w, h);
    bar->SetLimits(0, 100);
    bar->SetBarStyle(style);
    bar->SetValue(value);
    return bar;
}

// Draws the scene twice (the scrolling title lays out its pieces on its first draw) and
// returns the second frame.
inline frameart::Art Draw() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ScenePlayer;
    wc.lpszClassName = "item scene player";
    RegisterClassA(&wc);
    HWND player = CreateWindowExA(0, "item scene player", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    std::vector<std::unique_ptr<CLCDBase>> items;
    auto* title = new CLCDStreamingText;
    title->Initialize();
    title->SetTypeface("Tahoma");
    title->SetPointSize(7);
    title->m_alignment = DT_CENTER;
    title->SetSize(100, 11);
    title->SetContentOffset(0, -1);
    title->SetText("Lisa Marquee - A Title Long Enough To Scroll");
    items.emplace_back(title);
    items.emplace_back(Text("Arial", 12, DT_CENTER, 0, 10, 160, 20, "Winamp Volume"));
    CLCDText* inverted = Text("Tahoma", 7, DT_LEFT, 100, 0, 60, 9, "Settings");
    inverted->Invert(TRUE);
    items.emplace_back(inverted);
    items.emplace_back(Text("Trebuchet MS", 7, DT_RIGHT, 130, 30, 30, 11, "60:00"));
    auto* spectrum = new CLCDSpectrum(player);
    spectrum->SetOrigin(0, 12);
    spectrum->SetSize(160, 31);
    items.emplace_back(spectrum);
    items.emplace_back(Bar(0, 2, 30, 50, 6, 50.0f));
    items.emplace_back(Bar(1, 54, 30, 40, 5, 75.0f));
    items.emplace_back(Bar(2, 96, 37, 60, 6, 40.0f));

    CLCDManager screen;
    screen.Initialize();
    for (auto& item : items)
        screen.AppendChild(item.get());
    screen.Draw();
    screen.Draw();
    CLCDGfx& gfx = screen.GetGfx();
    frameart::Art art =
        frameart::FromPixels(gfx.GetPixels(), gfx.GetWidth(), gfx.GetHeight(), gfx.GetWidth());
    screen.Shutdown();
    DestroyWindow(player);
    return art;
}

}  // namespace itemscene
