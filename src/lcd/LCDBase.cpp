#include "lcd/LCDBase.h"

HRESULT CLCDBase::Initialize() {
    return S_OK;
}

void CLCDBase::Shutdown() {}

void CLCDBase::SetOrigin(POINT pt) {
    SetOrigin(pt.x, pt.y);
}

void CLCDBase::SetOrigin(int x, int y) {
    m_origin = POINT{x, y};
}

POINT& CLCDBase::GetOrigin() {
    return m_origin;
}

void CLCDBase::SetSize(int cx, int cy) {
    SIZE size = {cx, cy};
    SetSize(size);
}

// The content starts out as large as the object.
void CLCDBase::SetSize(SIZE& size) {
    m_size = size;
    SetContentSize(size);
}

SIZE& CLCDBase::GetSize() {
    return m_size;
}

int CLCDBase::GetWidth() {
    return GetSize().cx;
}

int CLCDBase::GetHeight() {
    return GetSize().cy;
}

void CLCDBase::Show(BOOL visible) {
    m_visible = visible;
}

BOOL CLCDBase::IsVisible() {
    return m_visible;
}

void CLCDBase::Invert(BOOL inverted) {
    m_inverted = inverted;
}

void CLCDBase::RestartTiming() {}

void CLCDBase::SetContentOffset(int x, int y) {
    m_contentOffset = POINT{x, y};
}

void CLCDBase::SetContentOffset(POINT& pt) {
    m_contentOffset = pt;
}

POINT& CLCDBase::GetContentOffset() {
    return m_contentOffset;
}

void CLCDBase::SetContentSize(int cx, int cy) {
    m_contentSize = SIZE{cx, cy};
}

void CLCDBase::SetContentSize(SIZE& size) {
    m_contentSize = size;
}

SIZE& CLCDBase::GetContentSize() {
    return m_contentSize;
}

void CLCDBase::SetPaintMode(int mode) {
    m_paintMode = mode;
}

int CLCDBase::GetPaintMode() {
    return m_paintMode;
}

int CLCDBase::GetItemKind() {
    return m_itemKind;
}

void CLCDBase::SetItemKind(int kind) {
    m_itemKind = kind;
}

void CLCDBase::OnUpdate(DWORD) {}
