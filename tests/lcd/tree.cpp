// The object tree: defaults, forwarding through the virtual table, and how a collection
// updates and draws its children.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostwin/control/gdi.h"
#include "lcd/LCDCollection.h"
#include "support/FrameArt.h"

namespace {

// Paints its whole own area white, or the pixels it is given, and notes what happens to it.
class Patch : public CLCDBase {
public:
    explicit Patch(std::vector<std::string>* log = nullptr, std::string name = "")
        : log_(log), name_(std::move(name)) {}
    void OnDraw(CLCDGfx& gfx) override {
        Note("draw");
        if (pixels.empty()) {
            RECT all = {-100, -100, 300, 300};
            FillRect(gfx.GetDrawingDC(), &all, static_cast<HBRUSH>(GetStockObject(brush)));
        }
        for (POINT p : pixels)
            SetPixel(gfx.GetDrawingDC(), p.x, p.y, RGB(255, 255, 255));
    }
    void OnUpdate(DWORD timestamp) override { Note("update " + std::to_string(timestamp)); }
    std::vector<POINT> pixels;
    int brush = WHITE_BRUSH;

private:
    void Note(const std::string& what) {
        if (log_)
            log_->push_back(name_ + " " + what);
    }
    std::vector<std::string>* log_;
    std::string name_;
};

// Records the calls that other slots forward to.
class Forwarded : public Patch {
public:
    void SetOrigin(int x, int y) override {
        calls.push_back("origin " + std::to_string(x) + "," + std::to_string(y));
        Patch::SetOrigin(x, y);
    }
    void SetContentSize(SIZE& size) override {
        calls.push_back("content " + std::to_string(size.cx) + "," + std::to_string(size.cy));
        Patch::SetContentSize(size);
    }
    SIZE& GetSize() override {
        calls.push_back("get size");
        return Patch::GetSize();
    }
    std::vector<std::string> calls;
};

class Tree : public ::testing::Test {
protected:
    void SetUp() override {
        objectsBefore = control::GdiObjectCount();
        ASSERT_EQ(gfx.Initialize(160, 43), S_OK);
    }
    void TearDown() override {
        gfx.Shutdown();
        EXPECT_EQ(control::GdiObjectCount(), objectsBefore) << "drawing left GDI objects behind";
    }
    // One drawing pass of the collection, as a screen runs it.
    frameart::Art Draw(CLCDCollection& collection) {
        gfx.BeginFrame();
        gfx.ClearFrame();
        collection.OnDraw(gfx);
        gfx.EndFrame();
        return frameart::FromPixels(gfx.GetPixels(), 160, 43, 160);
    }
    static std::string Lit(const frameart::Art& art, int y, int from, int to) {
        return art[y].substr(from, to - from + 1);
    }
    CLCDGfx gfx;
    size_t objectsBefore = 0;
};

TEST_F(Tree, NewObjectHasTheDefaults) {
    Patch object;
    EXPECT_EQ(object.GetSize().cx, 0);
    EXPECT_EQ(object.GetSize().cy, 0);
    EXPECT_EQ(object.GetOrigin().x, 0);
    EXPECT_EQ(object.GetOrigin().y, 0);
    EXPECT_EQ(object.GetContentOffset().x, 0);
    EXPECT_EQ(object.GetContentSize().cx, 0);
    EXPECT_TRUE(object.IsVisible());
    EXPECT_FALSE(object.IsInverted());
    EXPECT_EQ(object.GetPaintMode(), 1);
    EXPECT_EQ(object.GetItemKind(), 5);
    EXPECT_EQ(object.Initialize(), S_OK);
}

TEST_F(Tree, SizeSetsTheContentSizeButNotTheOtherWayRound) {
    Patch object;
    object.SetSize(40, 10);
    EXPECT_EQ(object.GetSize().cx, 40);
    EXPECT_EQ(object.GetContentSize().cx, 40);
    EXPECT_EQ(object.GetContentSize().cy, 10);
    object.SetContentSize(100, 10);
    EXPECT_EQ(object.GetSize().cx, 40) << "the content size alone leaves the size";
    EXPECT_EQ(object.GetContentSize().cx, 100);
    EXPECT_EQ(object.GetWidth(), 40);
    EXPECT_EQ(object.GetHeight(), 10);
}

TEST_F(Tree, ForwardingOperationsGoThroughTheVirtualTable) {
    Forwarded forwarded;
    CLCDBase& object = forwarded;
    object.SetOrigin(POINT{3, 4});
    object.SetSize(7, 8);
    object.GetWidth();
    std::vector<std::string> expected = {"origin 3,4", "content 7,8", "get size"};
    EXPECT_EQ(forwarded.calls, expected);
}

// The child's own (5, 0) lands on the surface at (10, 2): origin plus content offset.
TEST_F(Tree, ContentOffsetShiftsAChildInsideItsClippedBox) {
    CLCDCollection collection;
    Patch child;
    child.SetOrigin(10, 2);
    child.SetSize(40, 10);
    child.SetContentOffset(-5, 0);
    child.pixels = {{5, 0}, {4, 0}, {44, 9}, {45, 9}, {20, 10}};
    collection.AppendChild(&child);
    frameart::Art art = Draw(collection);
    EXPECT_EQ(Lit(art, 2, 8, 12), "..#..") << "(5, 0) at (10, 2); (4, 0) clipped at column 9";
    EXPECT_EQ(Lit(art, 11, 47, 51), "..#..") << "(44, 9) at (49, 11); (45, 9) clipped";
    int lit = 0;
    for (const auto& row : art)
        for (char c : row)
            lit += c == '#';
    EXPECT_EQ(lit, 2) << "nothing outside (10, 2)-(50, 12)";
}

TEST_F(Tree, InvisibleChildIsNotDrawnButStillUpdated) {
    std::vector<std::string> log;
    CLCDCollection collection;
    Patch shown(&log, "shown"), hidden(&log, "hidden");
    shown.SetSize(4, 4);
    hidden.SetSize(4, 4);
    hidden.SetOrigin(10, 0);
    hidden.Show(FALSE);
    collection.AppendChild(&shown);
    collection.AppendChild(&hidden);
    collection.OnUpdate(77);
    frameart::Art art = Draw(collection);
    std::vector<std::string> expected = {"shown update 77", "hidden update 77", "shown draw"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(Lit(art, 0, 0, 14), std::string("####") + std::string(11, '.'));
}

TEST_F(Tree, LaterChildrenPaintOverEarlierOnes) {
    CLCDCollection collection;
    Patch white, black;
    white.SetSize(10, 1);
    black.SetOrigin(4, 0);
    black.SetSize(3, 1);
    black.brush = BLACK_BRUSH;
    collection.AppendChild(&white);
    collection.AppendChild(&black);
    EXPECT_EQ(Lit(Draw(collection), 0, 0, 10), "####...###.");
}

TEST_F(Tree, ShowCascadesToEveryChildIncludingOnesHiddenBefore) {
    CLCDCollection collection;
    Patch a, b;
    b.Show(FALSE);
    collection.AppendChild(&a);
    collection.AppendChild(&b);
    collection.Show(FALSE);
    EXPECT_FALSE(collection.IsVisible());
    EXPECT_FALSE(a.IsVisible());
    collection.Show(TRUE);
    EXPECT_TRUE(collection.IsVisible());
    EXPECT_TRUE(a.IsVisible());
    EXPECT_TRUE(b.IsVisible()) << "a child hidden on its own is shown again";
}

// A nested collection's children are placed by their own origin in surface coordinates,
// not relative to the nested collection; once they are drawn, no clip is in force for the
// rest of the nested collection's own painting.
TEST_F(Tree, NestedChildrenArePlacedInSurfaceCoordinates) {
    CLCDCollection outer;
    Patch nested;
    nested.SetOrigin(60, 25);
    nested.SetSize(2, 1);
    class Painter : public CLCDCollection {
    public:
        void OnDraw(CLCDGfx& gfx) override {
            CLCDCollection::OnDraw(gfx);
            SetPixel(gfx.GetDrawingDC(), 0, 0, RGB(255, 255, 255));      // at the inner origin
            SetPixel(gfx.GetDrawingDC(), -40, -10, RGB(255, 255, 255));  // outside its box
        }
    } painter;
    painter.SetOrigin(50, 20);
    painter.SetSize(100, 20);
    painter.AppendChild(&nested);
    outer.AppendChild(&painter);
    frameart::Art art = Draw(outer);
    EXPECT_EQ(Lit(art, 25, 59, 62), ".##.") << "the nested child sits at (60, 25)";
    EXPECT_EQ(art[20][50], '#') << "the painter's viewport is its origin again";
    EXPECT_EQ(art[10][10], '#') << "and its own box no longer clips it";
}

TEST_F(Tree, DestroyingACollectionLeavesItsChildren) {
    auto child = std::make_unique<Patch>();
    child->SetSize(3, 3);
    {
        CLCDCollection collection;
        collection.AppendChild(child.get());
        collection.AppendChild(child.get());  // no duplicate check
        EXPECT_EQ(collection.Children().size(), 2u);
    }
    EXPECT_EQ(child->GetWidth(), 3) << "the child outlives its collection";
}

}  // namespace
