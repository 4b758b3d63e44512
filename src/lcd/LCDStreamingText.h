// A one-line text that scrolls as an endless marquee when it is wider than its box: pieces of
// text and gap placed side by side, moved left in whole-pixel jumps.
#pragma once

#include <windows.h>

#include <string>

#include "lcd/LCDCollection.h"

class CLCDText;

class CLCDStreamingText : public CLCDCollection {
public:
    CLCDStreamingText();
    ~CLCDStreamingText() override;

    HRESULT Initialize() override;
    void SetOrigin(POINT pt) override;
    void SetOrigin(int x, int y) override;
    void Show(BOOL visible) override;
    void RestartTiming() override;
    void OnDraw(CLCDGfx& gfx) override;
    void OnUpdate(DWORD timestamp) override;

    void SetText(const char* text);
    void SetSeparator(const char* gap);
    void SetTypeface(const char* face);
    void SetPointSize(int points);

    // Written directly by the owner.
    DWORD m_startDelay = 2000;  // ms the text stands still after a restart
    DWORD m_speed = 7;          // pixels per second
    DWORD m_step = 7;           // the smallest jump, in pixels
    UINT m_alignment = 0;       // DrawText alignment of a text that fits

    // Exposed for tests of the marquee.
    int PieceCount();
    CLCDText* Piece(int index);
    int State() const { return m_state; }
    float Remainder() const { return m_remainder; }

private:
    int AddTextPiece(const char* text);
    void RemoveAllPieces();
    int RebuildPieces(CLCDGfx& gfx);
    void LayOutPieces();
    void ScrollBy(int dx);
    int RepeatWidth();
    void SetFontDescription(const LOGFONTA& lf);
    CLCDText* FirstPiece() { return PieceCount() ? Piece(0) : nullptr; }

    DWORD m_elapsed = 0;
    DWORD m_lastTick = 0;
    int m_state = 0;  // 0 waiting for the start delay, 1 scrolling
    BOOL m_rebuildPending = FALSE;
    CLCDText* m_currentPiece = nullptr;
    std::string m_text;
    std::string m_gapText = "   ";
    HFONT m_font = nullptr;
    float m_remainder = 0.0f;
};
