#include "lcd/EzLcd.h"

#include <cstring>

#include "lcd/LCDProgressBar.h"
#include "lcd/LCDSpectrum.h"
#include "lcd/LCDStreamingText.h"
#include "lcd/LCDText.h"

namespace {

constexpr char kApplicationName[] = "Velm's G15 Winamp Plugin";
constexpr int kSmallFontPoints = 7;

struct SizeClass {
    int height;
    int points;
};

SizeClass SizeClassOf(int sizeClass) {
    switch (sizeClass) {
        case 0:
            return {11, 8};
        case 2:
            return {20, 12};
        default:
            return {13, 8};
    }
}

}  // namespace

CEzLcdPage::CEzLcdPage(CEzLcd* owner, int width, int height)
    : m_owner(owner), m_width(width), m_height(height) {}

CEzLcdPage::~CEzLcdPage() {
    for (CLCDBase* item : Children())
        delete item;
}

void CEzLcdPage::OnSoftButtonDown(int button) {
    m_owner->OnSoftButtonDown(button);
}
void CEzLcdPage::OnSoftButtonUp(int button) {
    m_owner->OnSoftButtonUp(button);
}

CEzLcd::CEzLcd() {
    std::strcpy(m_applicationName, kApplicationName);
    CreatePage();
    if (m_pageCount >= 1)
        m_currentPage.store(m_pages[0], std::memory_order_relaxed);
}

CEzLcd::~CEzLcd() {
    for (CEzLcdPage* page : m_pages)
        delete page;
}

int CEzLcd::ButtonIndex(int button) {
    switch (button) {
        case 1:
            return 0;
        case 2:
            return 1;
        case 4:
            return 2;
        case 8:
            return 3;
        default:
            return -1;
    }
}

void CEzLcd::OnSoftButtonDown(int button) {
    int i = ButtonIndex(button);
    if (i >= 0)
        m_pressed[i] = TRUE;
}

void CEzLcd::OnSoftButtonUp(int button) {
    int i = ButtonIndex(button);
    if (i >= 0)
        m_pressed[i] = FALSE;
}

int CEzLcd::CreatePage() {
    auto* page = new CEzLcdPage(this, m_width, m_height);
    page->Initialize();
    page->SetStartTime(GetTickCount());
    page->SetExpiration(kNeverExpires);
    page->SetElapsed(0);
    m_pages.push_back(page);
    m_pageCount = static_cast<int>(m_pages.size());
    return m_pageCount;
}

CEzLcdPage* CEzLcd::GetPage(int index) const {
    return index >= 0 && index < m_pageCount ? m_pages[index] : nullptr;
}

BOOL CEzLcd::SelectPage(int index) {
    if (index < 0 || index >= m_pageCount)
        return FALSE;
    m_currentPage.store(m_pages[index], std::memory_order_relaxed);
    m_output.PinScreen(m_pages[index]);
    return TRUE;
}

CLCDBase* CEzLcd::CreateTextItem(CEzLcdPage* page, int kind, int sizeClass, int alignment,
                                 int width, int offsetY) {
    SizeClass size = SizeClassOf(sizeClass);
    if (kind == kTextStatic) {
        auto* text = new CLCDText;
        text->Initialize();
        text->SetOrigin(0, 0);
        text->SetTypeface("Arial");
        text->SetAlignFlags(static_cast<UINT>(alignment));
        text->SetPaintMode(OPAQUE);
        text->SetText(" ");
        text->SetSize(width, size.height);
        text->SetPointSize(size.points);
        text->SetContentOffset(0, offsetY);
        text->SetItemKind(kItemKindStaticText);
        page->AppendChild(text);
        return text;
    }
    if (kind == kTextScrolling) {
        auto* text = new CLCDStreamingText;
        text->Initialize();
        text->SetOrigin(0, 0);
        text->SetTypeface("Arial");
        text->m_alignment = static_cast<UINT>(alignment);
        text->SetText(" ");
        text->SetSeparator("       ");
        text->m_speed = 7;
        text->m_step = 7;
        text->m_startDelay = 2000;
        text->SetSize(width, size.height);
        text->SetPointSize(size.points);
        text->SetContentOffset(0, offsetY);
        text->SetItemKind(kItemKindScrollingText);
        page->AppendChild(text);
        return text;
    }
    return nullptr;
}

CLCDBase* CEzLcd::CreateSpectrumItem(CEzLcdPage* page, HWND player) {
    auto* spectrum = new CLCDSpectrum(player);
    spectrum->Initialize();
    spectrum->SetOrigin(0, 8);
    spectrum->SetSize(160, 31);
    spectrum->SetItemKind(kItemKindSpectrum);
    page->AppendChild(spectrum);
    return spectrum;
}

CLCDBase* CEzLcd::CreateBarItem(CEzLcdPage* page) {
    auto* bar = new CLCDProgressBar;
    bar->Initialize();
    bar->SetOrigin(0, 0);
    bar->SetSize(m_width, 5);
    bar->SetLimits(0, 100);
    bar->SetValue(0.0f);
    bar->SetItemKind(kItemKindProgressBar);
    bar->SetBarStyle(0);
    page->AppendChild(bar);
    return bar;
}

CLCDBase* CEzLcd::FindItem(CEzLcdPage* page, CLCDBase* item) {
    if (!page)
        return nullptr;
    for (CLCDBase* child : page->Children())
        if (child == item)
            return child;
    return nullptr;
}

HRESULT CEzLcd::SetText(CLCDBase* item, const char* text) {
    bool done = ApplyToText(FindItem(GetCurrentPage(), item),
                            [text](auto* found) { found->SetText(text); });
    return done ? S_OK : E_FAIL;
}

HRESULT CEzLcd::ApplySmallFont(CEzLcdPage* page, CLCDBase* item) {
    bool done = ApplyToText(FindItem(page, item),
                            [](auto* found) { found->SetPointSize(kSmallFontPoints); });
    return done ? S_OK : E_FAIL;
}

HRESULT CEzLcd::SetItemBarValue(CLCDBase* item, float position) {
    CLCDBase* found = FindItem(GetCurrentPage(), item);
    if (!found || found->GetItemKind() != kItemKindProgressBar)
        return E_FAIL;
    static_cast<CLCDProgressBar*>(found)->SetValue(position);
    return S_OK;
}

BOOL CEzLcd::IsButtonNewlyPressed(int button) {
    int i = ButtonIndex(button);
    return i >= 0 && m_pressed[i] && !m_pressedBefore[i];
}

void CEzLcd::Update() {
    if (m_needsFirstUpdate) {
        for (CEzLcdPage* page : m_pages)
            m_output.RegisterScreen(page);
        m_output.PinScreen(GetCurrentPage());
        LscConnectRecord context = {};
        context.applicationName = m_applicationName;
        context.connection = kNoHandle;
        context.extra1 = m_connectParameters[0];
        context.extra2 = m_connectParameters[1];
        m_needsFirstUpdate = FALSE;
        m_outputReady = SUCCEEDED(m_output.Open(&context));
    }
    if (!m_outputReady)
        return;
    for (int i = 0; i < 4; ++i)
        m_pressedBefore[i] = m_pressed[i];
    m_output.Update(GetTickCount());
    m_output.Draw();
}
