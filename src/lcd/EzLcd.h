// The one object through which the display application uses the LCD: pages of items created
// with fixed house settings and changed through the item pointers handed out, one frame per
// Update, and the soft buttons as they were one frame earlier.
#pragma once

#include <windows.h>

#include <atomic>
#include <vector>

#include "lcd/LCDOutput.h"

class CEzLcd;

// A screen of the facade; it owns its items.
class CEzLcdPage : public CLCDManager {
public:
    CEzLcdPage(CEzLcd* owner, int width, int height);
    ~CEzLcdPage() override;
    void OnSoftButtonDown(int button) override;
    void OnSoftButtonUp(int button) override;

private:
    CEzLcd* m_owner;
    // The size the facade gave the page; kept with it, though nothing reads it back.
    [[maybe_unused]] int m_width;
    [[maybe_unused]] int m_height;
};

// Text item kinds and alignments as the screens ask for them.
constexpr int kTextScrolling = 0;
constexpr int kTextStatic = 1;
constexpr int kAlignLeft = 0;
constexpr int kAlignCenter = 1;
constexpr int kAlignRight = 2;

// Calls fn with the item as the text it is (static or scrolling); false for other kinds.
template <typename Fn>
bool ApplyToText(CLCDBase* item, Fn fn);

class CEzLcd final {
public:
    CEzLcd();
    ~CEzLcd();
    CEzLcd(const CEzLcd&) = delete;
    CEzLcd& operator=(const CEzLcd&) = delete;

    virtual void OnSoftButtonDown(int button);
    virtual void OnSoftButtonUp(int button);

    // Returns the new page count; the new page's index is count - 1.
    int CreatePage();
    // FALSE when index is not less than the page count.
    BOOL SelectPage(int index);
    CEzLcdPage* GetCurrentPage() const { return m_currentPage.load(std::memory_order_relaxed); }
    CEzLcdPage* GetPage(int index) const;
    int GetPageCount() const { return m_pageCount; }

    // Null when kind is neither scrolling nor static text.
    CLCDBase* CreateTextItem(CEzLcdPage* page, int kind, int sizeClass, int alignment, int width,
                             int offsetY);
    CLCDBase* CreateSpectrumItem(CEzLcdPage* page, HWND player);
    CLCDBase* CreateBarItem(CEzLcdPage* page);

    // The item if it is on the page, else null.
    CLCDBase* FindItem(CEzLcdPage* page, CLCDBase* item);
    // These act on the current page only.
    HRESULT SetText(CLCDBase* item, const char* text);
    HRESULT SetItemBarValue(CLCDBase* item, float position);
    HRESULT ApplySmallFont(CEzLcdPage* page, CLCDBase* item);

    BOOL IsButtonNewlyPressed(int button);
    void Update();

    CLCDOutput& GetOutput() { return m_output; }

private:
    static int ButtonIndex(int button);

    int m_width = 160;
    int m_height = 43;
    char m_applicationName[MAX_PATH];
    CLCDOutput m_output;
    // Read by the keyboard hook's thread too (it moves a bar of the current page).
    std::atomic<CEzLcdPage*> m_currentPage{nullptr};
    std::vector<CEzLcdPage*> m_pages;
    int m_pageCount = 0;
    BOOL m_needsFirstUpdate = TRUE;
    BOOL m_outputReady = FALSE;
    BOOL m_pressed[4] = {};
    BOOL m_pressedBefore[4] = {};
    DWORD m_connectParameters[2] = {};
};

#include "lcd/LCDStreamingText.h"
#include "lcd/LCDText.h"

template <typename Fn>
bool ApplyToText(CLCDBase* item, Fn fn) {
    switch (item ? item->GetItemKind() : kItemKindNone) {
        case kItemKindStaticText:
            fn(static_cast<CLCDText*>(item));
            return true;
        case kItemKindScrollingText:
            fn(static_cast<CLCDStreamingText*>(item));
            return true;
        default:
            return false;
    }
}
