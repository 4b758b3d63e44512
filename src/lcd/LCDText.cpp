#include "lcd/LCDText.h"

#include <cstring>

#include "lcd/LCDGfx.h"

LOGFONTA DescribeFont(HFONT font) {
    LOGFONTA lf;
    std::memset(&lf, 0, sizeof lf);
    if (font)
        GetObjectA(font, sizeof lf, &lf);
    return lf;
}

LONG PointSizeToHeight(int points) {
    return -MulDiv(points, 96, 72);
}

// lfFaceName holds 31 characters and a terminator; a longer name is cut rather than left
// without its terminator.
void SetFaceName(LOGFONTA& lf, const char* face) {
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    lf.lfFaceName[LF_FACESIZE - 1] = '\0';
}

namespace {

// Malformed UTF-8 becomes U+FFFD, so nothing malformed reaches the drawing calls.
std::basic_string<WCHAR> Utf8ToWide(const std::string& text) {
    std::basic_string<WCHAR> wide;
    int bytes = static_cast<int>(text.size());
    int units = bytes ? MultiByteToWideChar(CP_UTF8, 0, text.data(), bytes, nullptr, 0) : 0;
    if (units > 0) {
        wide.resize(static_cast<size_t>(units));
        MultiByteToWideChar(CP_UTF8, 0, text.data(), bytes, wide.data(), units);
    }
    return wide;
}

}  // namespace

void ReleaseFont(HFONT font) {
    if (font && font != static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)))
        DeleteObject(font);
}

CLCDText::CLCDText() = default;

CLCDText::~CLCDText() {
    ReleaseFont(m_font);
}

HRESULT CLCDText::Initialize() {
    m_font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (m_font)
        SetPointSize(8);
    return m_font ? S_OK : E_OUTOFMEMORY;
}

LOGFONTA CLCDText::CurrentDescription() {
    return DescribeFont(m_font);
}

void CLCDText::SetFontDescription(const LOGFONTA& lf) {
    ReleaseFont(m_font);
    m_font = CreateFontIndirectA(&lf);
    m_measurePending = TRUE;
}

void CLCDText::SetTypeface(const char* face) {
    if (!face)
        return;
    LOGFONTA lf = CurrentDescription();
    SetFaceName(lf, face);
    SetFontDescription(lf);
}

void CLCDText::SetPointSize(int points) {
    LOGFONTA lf = CurrentDescription();
    lf.lfHeight = PointSizeToHeight(points);
    SetFontDescription(lf);
}

void CLCDText::SetWeight(int weight) {
    LOGFONTA lf = CurrentDescription();
    lf.lfWeight = weight;
    SetFontDescription(lf);
}

HFONT CLCDText::GetFontHandle() {
    return m_font;
}

void CLCDText::SetText(const char* text) {
    if (!text || m_text == text)
        return;
    m_text = text;
    m_wideText = Utf8ToWide(m_text);
    m_drawLength = static_cast<int>(m_wideText.size());
    m_drawParams.iLeftMargin = 0;
    m_drawParams.iRightMargin = 0;
    m_measurePending = TRUE;
}

const char* CLCDText::GetText() {
    return m_text.c_str();
}

void CLCDText::SetWrap(BOOL wrap) {
    m_measurePending = TRUE;
    if (wrap)
        m_format |= DT_WORDBREAK;
    else
        m_format &= ~static_cast<UINT>(DT_WORDBREAK);
}

SIZE& CLCDText::GetWrappedExtent() {
    return m_wrappedExtent;
}
SIZE& CLCDText::GetLineExtent() {
    return m_lineExtent;
}
void CLCDText::SetMarginLeft(int pixels) {
    m_drawParams.iLeftMargin = pixels;
}
int CLCDText::GetMarginLeft() {
    return m_drawParams.iLeftMargin;
}
void CLCDText::SetMarginRight(int pixels) {
    m_drawParams.iRightMargin = pixels;
}
int CLCDText::GetMarginRight() {
    return m_drawParams.iRightMargin;
}

void CLCDText::SetAlignFlags(UINT bits) {
    m_format = (m_format & ~m_alignment) | bits;
    m_alignment = bits;
}

void CLCDText::Measure(HDC dc) {
    RECT box = {0, 0, GetWidth(), GetHeight()};
    DrawTextExW(dc, m_wideText.data(), m_drawLength, &box, m_format | DT_CALCRECT | DT_WORDBREAK,
                &m_drawParams);
    m_wrappedExtent = {box.right, box.bottom};
    box = {0, 0, GetWidth(), GetHeight()};
    DrawTextExW(dc, m_wideText.data(), m_drawLength, &box, m_format | DT_CALCRECT, &m_drawParams);
    m_lineExtent = {box.right, box.bottom};
    m_measurePending = FALSE;
}

void CLCDText::OnDraw(CLCDGfx& gfx) {
    HDC dc = gfx.GetDrawingDC();
    SIZE& content = GetContentSize();
    if (GetPaintMode() == OPAQUE) {
        auto black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        RECT box = {0, 0, GetSize().cx, GetSize().cy};
        FillRect(dc, &box, black);
        RECT contentBox = {0, 0, content.cx, content.cy};
        FillRect(dc, &contentBox, black);
    }
    if (m_drawLength == 0)
        return;

    int oldMapMode = SetMapMode(dc, MM_TEXT);
    int oldBkMode = SetBkMode(dc, GetPaintMode());
    HGDIOBJ oldFont = SelectObject(dc, m_font);
    COLORREF oldTextColor = SetTextColor(dc, m_textColor);

    if (m_measurePending)
        Measure(dc);
    if (IsVisible()) {
        RECT contentBox = {0, 0, content.cx, content.cy};
        DrawTextExW(dc, m_wideText.data(), m_drawLength, &contentBox, m_format, &m_drawParams);
        if (IsInverted())
            InvertRect(dc, &contentBox);
    }

    SetMapMode(dc, oldMapMode);
    SetTextColor(dc, oldTextColor);
    SetBkMode(dc, oldBkMode);
    SelectObject(dc, oldFont);
}
