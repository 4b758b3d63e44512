// An LCD object that holds an ordered list of children and passes the per-frame operations
// on to them. Insertion order is both the drawing order (later children paint over earlier
// ones) and the update order. The collection does not own its children.
#pragma once

#include <list>

#include "lcd/LCDBase.h"

class CLCDCollection : public CLCDBase {
public:
    ~CLCDCollection() override = default;
    void Show(BOOL visible) override;
    void RestartTiming() override;
    // Each visible child is clipped to its own rectangle and drawn with the origin moved to it
    // and then by its content offset, all in surface coordinates.
    void OnDraw(CLCDGfx& gfx) override;
    // Every child, visible or not.
    void OnUpdate(DWORD timestamp) override;

    // No duplicate or null check, no ownership.
    void AppendChild(CLCDBase* object);
    const std::list<CLCDBase*>& Children() const { return m_children; }

protected:
    // For collections that manage their children themselves (the scrolling text's pieces).
    std::list<CLCDBase*>& ChildList() { return m_children; }

private:
    std::list<CLCDBase*> m_children;
};
