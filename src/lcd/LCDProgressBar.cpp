#include "lcd/LCDProgressBar.h"

#include "lcd/LCDGfx.h"

CLCDProgressBar::CLCDProgressBar() = default;

CLCDProgressBar::~CLCDProgressBar() {
    if (m_pen)
        DeleteObject(m_pen);
}

HRESULT CLCDProgressBar::Initialize() {
    m_brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    m_pen = CreatePen(PS_DOT, 1, RGB(255, 255, 255));
    return S_OK;
}

void CLCDProgressBar::SetLimits(const BarRange& range) {
    m_range = range;
}

void CLCDProgressBar::SetLimits(int minimum, int maximum) {
    m_range = {minimum, maximum};
}

BarRange& CLCDProgressBar::GetLimits() {
    return m_range;
}

float CLCDProgressBar::SetValue(float value) {
    float maximum = static_cast<float>(m_range.maximum);
    float minimum = static_cast<float>(m_range.minimum);
    float m = value < maximum ? value : maximum;
    float position = m < minimum ? minimum : (value < maximum ? value : maximum);
    m_position.store(position, std::memory_order_relaxed);
    return position;
}

float CLCDProgressBar::GetValue() {
    return m_position.load(std::memory_order_relaxed);
}

void CLCDProgressBar::SetCursorMode(BOOL on) {
    m_style = on ? 1 : 0;
}

void CLCDProgressBar::SetBarStyle(int style) {
    m_style = style;
}

// The cursor's left edge runs from column 1 at the minimum to W - cursor - 1 at the maximum,
// so it never covers the right border.
int CLCDProgressBar::CursorLeft(float t, int width) {
    return static_cast<int>(1.0f + t * static_cast<float>((width - m_cursorWidth - 1) - 1));
}

void CLCDProgressBar::OnDraw(CLCDGfx& gfx) {
    HDC dc = gfx.GetDrawingDC();
    int width = GetWidth();
    int height = GetHeight();
    RECT surface = {0, 0, gfx.GetWidth(), gfx.GetHeight()};
    FillRect(dc, &surface, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT frame = {0, 0, width, height};
    FrameRect(dc, &frame, m_brush);

    // An empty range has no fraction; the bar then stands at its start rather than turning an
    // undefined quotient into a pixel column.
    // Each limit is taken to single precision first: their difference may not fit an int.
    float span = static_cast<float>(m_range.maximum) - static_cast<float>(m_range.minimum);
    float t = span > 0.0f ? (GetValue() - static_cast<float>(m_range.minimum)) / span : 0.0f;
    switch (m_style) {
        case 0: {
            RECT filled = {0, 0, static_cast<int>(0.0f + t * static_cast<float>(width - 0)),
                           height};
            FillRect(dc, &filled, m_brush);
            break;
        }
        case 1:
        case 2: {
            int x = CursorLeft(t, width);
            RECT cursor = {x, 0, x + m_cursorWidth, height};
            FillRect(dc, &cursor, m_brush);
            if (m_style == 2) {
                HGDIOBJ previous = SelectObject(dc, m_pen);
                MoveToEx(dc, 0, height / 2, nullptr);
                LineTo(dc, x, height / 2);
                SelectObject(dc, previous);
            }
            break;
        }
        default:
            break;
    }
}
