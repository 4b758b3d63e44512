#include "lcd/LCDSpectrum.h"

#include "lcd/LCDGfx.h"
#include "player/FaultGuard.h"

namespace {

// Row of a level: 43 - 0.7 level - 16, in this order in double precision, cut toward zero.
int RowOf(signed char level) {
    return static_cast<int>(43 - level * 0.7 - 6 - 6 - 4);
}

void Line(HDC dc, int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

}  // namespace

CLCDSpectrum::CLCDSpectrum(HWND player) {
    m_getData =
        reinterpret_cast<VisDataFunction>(SendMessageA(player, WM_USER, 0, kPlayerVisualData));
    m_requestData =
        reinterpret_cast<VisRequestFunction>(SendMessageA(player, WM_USER, 1, kPlayerVisualData));
}

// Peaks fall a unit a frame, faster once they have fallen for eight frames; bars fall two. Every
// store keeps the low 8 bits, as the signed bytes they are.
void CLCDSpectrum::AdvanceBand(int band, signed char input) {
    signed char& peak = m_peaks[band];
    signed char& hold = m_holds[band];
    if (input > peak) {
        peak = input;
        hold = 0;
    } else {
        peak = static_cast<signed char>(peak - 1);
        if (hold >= 8)
            peak = static_cast<signed char>(static_cast<int>(peak - (hold - 8) * 0.3));
        if (peak < 0)
            peak = 0;
        else
            hold = static_cast<signed char>(hold + 1);
    }
    signed char& level = m_levels[band];
    level = input > level ? input : static_cast<signed char>(level - 2);
}

void CLCDSpectrum::OnDraw(CLCDGfx& gfx) {
    if (!FetchVisualData(m_requestData, m_getData, m_data, kBands))
        return;
    HDC dc = gfx.GetDrawingDC();
    // One white pen for all 77 lines: selecting it for each cost more than drawing them.
    HGDIOBJ previous = SelectObject(dc, GetStockObject(WHITE_PEN));
    Line(dc, 0, 0, 160, 0);
    Line(dc, 0, 27, 160, 27);
    for (int band = 0; band < kBands; ++band) {
        AdvanceBand(band, static_cast<signed char>(m_data[band]));
        int x = 2 * band + 4;
        Line(dc, x, RowOf(m_levels[band]), x, 28);
        SetPixel(dc, x, RowOf(m_peaks[band]), RGB(255, 255, 255));
    }
    SelectObject(dc, previous);
}
