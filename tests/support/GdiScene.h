// One drawing scene that uses every GDI primitive the LCD toolkit draws with: fills, frames,
// inversion, lines with solid and dotted pens in both background modes, pixels, a clip region
// and viewport origins. Drawn into a 160 x 43 surface it gives tests/data/gdi_scene.txt.
#pragma once

#include <windows.h>

inline void DrawGdiScene(HDC dc) {
    auto Fill = [dc](int l, int t, int r, int b, int stock) {
        RECT rect = {l, t, r, b};
        FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(stock)));
    };
    auto Line = [dc](int x0, int y0, int x1, int y1) {
        MoveToEx(dc, x0, y0, nullptr);
        LineTo(dc, x1, y1);
    };
    Fill(0, 0, 160, 43, BLACK_BRUSH);
    Fill(2, 2, 40, 20, WHITE_BRUSH);
    RECT frame = {44, 2, 70, 20};
    FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT inverted = {30, 10, 56, 30};
    InvertRect(dc, &inverted);
    Fill(12, 40, 4, 33, WHITE_BRUSH);  // reversed

    SelectObject(dc, GetStockObject(WHITE_PEN));
    Line(75, 2, 75, 20);
    Line(78, 2, 98, 10);
    Line(100, 2, 80, 16);
    Line(78, 20, 98, 40);
    Line(0, 42, 160, 42);

    Fill(104, 2, 158, 9, WHITE_BRUSH);
    HPEN dot = CreatePen(PS_DOT, 1, RGB(255, 255, 255));
    HPEN black = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    SelectObject(dc, dot);
    SetBkColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, OPAQUE);
    Line(104, 5, 158, 5);
    Line(157, 2, 157, 12);
    SetBkMode(dc, TRANSPARENT);
    Line(104, 11, 150, 11);
    SelectObject(dc, black);
    Line(106, 3, 140, 8);

    SetPixel(dc, 3, 23, RGB(255, 255, 255));
    SetPixel(dc, 5, 23, RGB(128, 128, 128));
    SetPixel(dc, 10, 10, RGB(127, 127, 127));
    SetPixel(dc, 12, 10, RGB(0, 0, 0));

    // A child's box as the object tree draws it: clipped to its rectangle, origin moved to it
    // and then by its content offset.
    HRGN box = CreateRectRgn(118, 18, 150, 35);
    SelectClipRgn(dc, box);
    DeleteObject(box);
    SetViewportOrgEx(dc, 120, 20, nullptr);
    Fill(-10, -10, 10, 10, WHITE_BRUSH);
    OffsetViewportOrgEx(dc, 5, 5, nullptr);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    Line(-10, 0, 10, 0);
    SelectObject(dc, dot);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(255, 255, 255));
    Line(15, 8, 40, 8);
    SelectObject(dc, GetStockObject(WHITE_PEN));
    Line(10, -2, 40, 13);
    SelectClipRgn(dc, nullptr);

    HRGN child = CreateRectRgn(10, 25, 50, 35);
    SelectClipRgn(dc, child);
    DeleteObject(child);
    SetViewportOrgEx(dc, 10, 25, nullptr);
    OffsetViewportOrgEx(dc, -5, 0, nullptr);
    RECT outline = {0, 0, 50, 10};
    FrameRect(dc, &outline, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetPixel(dc, 5, 5, RGB(255, 255, 255));
    SetPixel(dc, 4, 5, RGB(255, 255, 255));
    SelectClipRgn(dc, nullptr);
    SetViewportOrgEx(dc, 0, 0, nullptr);

    SelectObject(dc, GetStockObject(BLACK_PEN));
    DeleteObject(dot);
    DeleteObject(black);
}
