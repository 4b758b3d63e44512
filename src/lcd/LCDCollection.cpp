#include "lcd/LCDCollection.h"

namespace {

void DrawChild(CLCDBase& child, CLCDGfx& gfx) {
    HDC hdc = gfx.GetDrawingDC();
    POINT origin = child.GetOrigin();
    int width = child.GetWidth();
    int height = child.GetHeight();
    HRGN clip = CreateRectRgn(origin.x, origin.y, origin.x + width, origin.y + height);
    SelectClipRgn(hdc, clip);
    DeleteObject(clip);  // the DC keeps its own copy
    POINT previous;
    SetViewportOrgEx(hdc, origin.x, origin.y, &previous);
    POINT& offset = child.GetContentOffset();
    OffsetViewportOrgEx(hdc, offset.x, offset.y, nullptr);
    child.OnDraw(gfx);
    SelectClipRgn(hdc, nullptr);
    SetViewportOrgEx(hdc, previous.x, previous.y, nullptr);
    OffsetViewportOrgEx(hdc, 0, 0, nullptr);
}

}  // namespace

void CLCDCollection::Show(BOOL visible) {
    for (CLCDBase* child : m_children)
        child->Show(visible);
    CLCDBase::Show(visible);
}

void CLCDCollection::RestartTiming() {
    for (CLCDBase* child : m_children)
        child->RestartTiming();
}

void CLCDCollection::OnDraw(CLCDGfx& gfx) {
    for (CLCDBase* child : m_children)
        if (child->IsVisible())
            DrawChild(*child, gfx);
}

void CLCDCollection::OnUpdate(DWORD timestamp) {
    for (CLCDBase* child : m_children)
        child->OnUpdate(timestamp);
}

void CLCDCollection::AppendChild(CLCDBase* object) {
    m_children.push_back(object);
}
