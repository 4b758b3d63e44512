#include "lcd/LCDStreamingText.h"

#include <cmath>
#include <iterator>

#include "lcd/LCDText.h"

CLCDStreamingText::CLCDStreamingText() = default;

CLCDStreamingText::~CLCDStreamingText() {
    RemoveAllPieces();
    ReleaseFont(m_font);
}

HRESULT CLCDStreamingText::Initialize() {
    m_state = 0;
    m_startDelay = 2000;
    m_speed = 7;
    m_step = 7;
    m_elapsed = 0;
    m_lastTick = GetTickCount();
    m_remainder = 0.0f;
    m_rebuildPending = FALSE;
    m_currentPiece = nullptr;
    m_font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (m_font)
        SetPointSize(8);
    return S_OK;
}

void CLCDStreamingText::SetFontDescription(const LOGFONTA& lf) {
    ReleaseFont(m_font);
    m_font = CreateFontIndirectA(&lf);
}

void CLCDStreamingText::SetTypeface(const char* face) {
    if (!face)
        return;
    LOGFONTA lf = DescribeFont(m_font);
    SetFaceName(lf, face);
    SetFontDescription(lf);
}

void CLCDStreamingText::SetPointSize(int points) {
    LOGFONTA lf = DescribeFont(m_font);
    lf.lfHeight = PointSizeToHeight(points);
    SetFontDescription(lf);
}

void CLCDStreamingText::SetText(const char* text) {
    if (!text || m_text == text)
        return;
    m_text = text;
    m_rebuildPending = TRUE;
    RestartTiming();
}

void CLCDStreamingText::SetSeparator(const char* gap) {
    if (!gap || m_gapText == gap)
        return;
    m_gapText = gap;
    m_rebuildPending = TRUE;
}

void CLCDStreamingText::RestartTiming() {
    m_state = 0;
    m_elapsed = 0;
    m_lastTick = GetTickCount();
    m_remainder = 0.0f;
    m_currentPiece = nullptr;
    m_rebuildPending = TRUE;
    RemoveAllPieces();
    AddTextPiece(m_text.c_str());
}

void CLCDStreamingText::OnUpdate(DWORD timestamp) {
    m_elapsed = timestamp - m_lastTick;
}

void CLCDStreamingText::SetOrigin(int x, int y) {
    POINT pt = {x, y};
    CLCDBase::SetOrigin(x, y);
    SetOrigin(pt);
}

// Moving the item along both axes starts the marquee over; along one axis only the first piece
// follows (the program places its texts before they scroll).
void CLCDStreamingText::SetOrigin(POINT pt) {
    CLCDBase::SetOrigin(pt.x, pt.y);
    CLCDText* first = FirstPiece();
    if (!first)
        return;
    POINT before = first->GetOrigin();
    first->SetOrigin(pt.x, pt.y);
    if (before.x != pt.x && before.y != pt.y)
        RestartTiming();
}

void CLCDStreamingText::Show(BOOL visible) {
    CLCDCollection::Show(visible);
}

int CLCDStreamingText::AddTextPiece(const char* text) {
    auto* piece = new CLCDText;
    piece->Initialize();
    piece->SetText(text);
    piece->SetOrigin(GetOrigin().x, GetOrigin().y);
    piece->SetContentOffset(GetContentOffset().x, GetContentOffset().y);
    piece->SetSize(GetWidth(), GetHeight());
    piece->SetPaintMode(OPAQUE);
    piece->SetFontDescription(DescribeFont(m_font));
    m_rebuildPending = TRUE;
    AppendChild(piece);
    if (!m_currentPiece)
        m_currentPiece = piece;
    return PieceCount() - 1;
}

void CLCDStreamingText::RemoveAllPieces() {
    for (CLCDBase* piece : ChildList())
        delete piece;
    ChildList().clear();
}

void CLCDStreamingText::OnDraw(CLCDGfx& gfx) {
    if (m_rebuildPending) {
        RebuildPieces(gfx);
        m_rebuildPending = FALSE;
        return;
    }
    if (m_state == 0) {
        if (m_elapsed > m_startDelay) {
            m_state = 1;
            m_elapsed = 0;
            m_lastTick = GetTickCount();
        }
        CLCDCollection::OnDraw(gfx);
        return;
    }
    float increment = static_cast<float>(static_cast<DWORD>(m_speed * m_elapsed)) / 1000.0f;
    m_lastTick = GetTickCount();
    if (PieceCount() > 1) {
        float total = increment + m_remainder;
        if (total < 0.0f)
            total = 0.0f;
        if (total >= static_cast<float>(m_step)) {
            float whole = std::trunc(total);
            m_remainder = total - whole;
            ScrollBy(-static_cast<int>(whole));
        } else {
            m_remainder = total;
        }
    }
    CLCDCollection::OnDraw(gfx);
}

int CLCDStreamingText::RebuildPieces(CLCDGfx& gfx) {
    CLCDText* first = FirstPiece();
    if (!first)
        return 0;
    first->SetFontDescription(DescribeFont(m_font));
    CLCDCollection::OnDraw(gfx);
    if (first->GetLineExtent().cx > GetWidth()) {
        first->SetAlignFlags(0);
        AddTextPiece(m_gapText.c_str());
        AddTextPiece(m_text.c_str());
        AddTextPiece(m_gapText.c_str());
    } else {
        first->SetAlignFlags(m_alignment);
    }
    first->Invert(IsInverted());
    CLCDCollection::OnDraw(gfx);
    LayOutPieces();
    return 1;
}

// Pieces abut: each starts where the one before it ends, the first keeps its offset.
void CLCDStreamingText::LayOutPieces() {
    if (PieceCount() < 2)
        return;
    int position = 0;
    for (CLCDBase* child : ChildList()) {
        auto* piece = static_cast<CLCDText*>(child);
        piece->SetContentSize(piece->GetLineExtent());
        if (position == 0)
            position = piece->GetContentOffset().x;
        piece->SetContentOffset(position, piece->GetContentOffset().y);
        position += piece->GetLineExtent().cx;
    }
}

// After a long pause between frames (another screen was shown) the jump can be many times the
// line's length; moved as it is, every piece would land far off to the left and come back
// only one piece a jump, leaving the box blank for a long while. Whole turns of the line
// change nothing in what is shown, so only the rest of the jump is made.
void CLCDStreamingText::ScrollBy(int dx) {
    int turn = RepeatWidth();
    if (turn > 0 && -dx >= turn)
        dx = -(-dx % turn);
    for (CLCDBase* piece : ChildList()) {
        POINT offset = piece->GetContentOffset();
        piece->SetContentOffset(offset.x + dx, offset.y);
    }
    if (!m_currentPiece)
        return;
    int x = m_currentPiece->GetContentOffset().x;
    if (std::abs(x) < m_currentPiece->GetLineExtent().cx)
        return;
    std::list<CLCDBase*>& pieces = ChildList();
    pieces.splice(pieces.end(), pieces, pieces.begin());
    LayOutPieces();
    m_currentPiece = FirstPiece();
}

// Text, gap, text, gap repeats after one text and one gap; any other line after its whole
// length.
int CLCDStreamingText::RepeatWidth() {
    int line = 0;
    for (CLCDBase* piece : ChildList())
        line += static_cast<CLCDText*>(piece)->GetLineExtent().cx;
    return PieceCount() == 4 ? line / 2 : line;
}

int CLCDStreamingText::PieceCount() {
    return static_cast<int>(ChildList().size());
}

CLCDText* CLCDStreamingText::Piece(int index) {
    return static_cast<CLCDText*>(*std::next(ChildList().begin(), index));
}
