// A static text item: one string drawn with one font into the item's box, measured on the
// first draw after a change. Its text is UTF-8; it is drawn through the wide calls, so that
// every character reaches the screen.
#pragma once

#include <windows.h>

#include <string>

#include "lcd/LCDBase.h"

class CLCDText : public CLCDBase {
public:
    CLCDText();
    ~CLCDText() override;

    HRESULT Initialize() override;
    void OnDraw(CLCDGfx& gfx) override;

    virtual void SetFontDescription(const LOGFONTA& lf);
    virtual void SetTypeface(const char* face);
    virtual void SetPointSize(int points);
    virtual void SetWeight(int weight);
    virtual HFONT GetFontHandle();
    virtual void SetText(const char* text);
    virtual const char* GetText();
    virtual void SetWrap(BOOL wrap);
    virtual SIZE& GetWrappedExtent();
    virtual SIZE& GetLineExtent();
    virtual void SetMarginLeft(int pixels);
    virtual int GetMarginLeft();
    virtual void SetMarginRight(int pixels);
    virtual int GetMarginRight();
    virtual void SetAlignFlags(UINT bits);

private:
    LOGFONTA CurrentDescription();
    void Measure(HDC dc);

    std::string m_text;  // UTF-8, compared byte for byte
    // The same text as the drawing calls take it, made once per new text.
    std::basic_string<WCHAR> m_wideText;
    HFONT m_font = nullptr;
    COLORREF m_textColor = RGB(255, 255, 255);
    int m_drawLength = 0;
    UINT m_format = DT_NOPREFIX;
    BOOL m_measurePending = TRUE;
    DRAWTEXTPARAMS m_drawParams = {sizeof(DRAWTEXTPARAMS), 0, 0, 0, 0};
    UINT m_alignment = 0;
    SIZE m_wrappedExtent = {0, 0};
    SIZE m_lineExtent = {0, 0};
};

// Font description rules shared with the scrolling text: the description of a font (zeroed
// first), a point size as a character height at 96 pixels per inch, a face name that always
// fits the field.
LOGFONTA DescribeFont(HFONT font);
LONG PointSizeToHeight(int points);
void SetFaceName(LOGFONTA& lf, const char* face);
// Deletes a font this item created; the stock font is never deleted.
void ReleaseFont(HFONT font);
