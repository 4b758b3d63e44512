// The abstract base of every object on the LCD: its rectangle, visibility, inversion, content
// offset and size, paint mode and item kind, and the two per-frame operations OnUpdate
// (advance time) and OnDraw (paint into a surface). The virtual operations are declared in
// their table order; where one forwards to another it goes through the table, so that an
// override of the target takes effect.
#pragma once

#include <windows.h>

#include "lcd/LCDGfx.h"

// Item kinds, as the page facade tags its items.
constexpr int kItemKindScrollingText = 0;
constexpr int kItemKindStaticText = 1;
constexpr int kItemKindProgressBar = 3;
constexpr int kItemKindSpectrum = 4;
constexpr int kItemKindNone = 5;

class CLCDBase {
public:
    CLCDBase() = default;
    CLCDBase(const CLCDBase&) = delete;
    CLCDBase& operator=(const CLCDBase&) = delete;

    virtual ~CLCDBase() = default;
    virtual HRESULT Initialize();
    virtual void Shutdown();
    virtual void SetOrigin(POINT pt);
    virtual void SetOrigin(int x, int y);
    virtual POINT& GetOrigin();
    virtual void SetSize(int cx, int cy);
    virtual void SetSize(SIZE& size);
    virtual SIZE& GetSize();
    virtual int GetWidth();
    virtual int GetHeight();
    virtual void Show(BOOL visible);
    virtual BOOL IsVisible();
    virtual void Invert(BOOL inverted);
    virtual void RestartTiming();
    virtual void SetContentOffset(int x, int y);
    virtual void SetContentOffset(POINT& pt);
    virtual POINT& GetContentOffset();
    virtual void SetContentSize(int cx, int cy);
    virtual void SetContentSize(SIZE& size);
    virtual SIZE& GetContentSize();
    virtual void SetPaintMode(int mode);
    virtual int GetPaintMode();
    virtual int GetItemKind();
    virtual void SetItemKind(int kind);
    virtual void OnDraw(CLCDGfx& gfx) = 0;
    virtual void OnUpdate(DWORD timestamp);

    // Read by items that honour inversion.
    BOOL IsInverted() const { return m_inverted; }

protected:
    BOOL m_visible = TRUE;
    BOOL m_inverted = FALSE;
    SIZE m_size = {0, 0};
    POINT m_origin = {0, 0};
    POINT m_contentOffset = {0, 0};
    SIZE m_contentSize = {0, 0};
    int m_paintMode = TRANSPARENT;
    int m_itemKind = kItemKindNone;
};
