#include "hostwin_private.h"

#include <algorithm>
#include <string>

namespace hostwin {
namespace {

bool IsLineEnd(char16_t c) {
    return c == u'\n' || c == u'\r';
}

// Copies the text, taking out the '&' that marks a prefix ("&&" stands for one '&').
void TakeOutPrefixes(const char16_t* text, int length, bool keep, std::u16string& shown) {
    shown.clear();
    for (int i = 0; i < length; ++i) {
        if (!keep && text[i] == u'&' && i + 1 < length)
            ++i;
        shown += text[i];
    }
}

// Appends the lines of one paragraph [begin, end) of the shown text. With word breaking a line
// takes the characters that fit, then goes back to the last space among them (which it keeps);
// a word wider than the whole line stands alone on its line. Spaces after a line's end are
// skipped and belong to no line. (This is where GDI under Wine breaks, to the character.)
void BreakParagraph(TextFont& font, const std::u16string& s, int begin, int end, int wrapWidth,
                    UINT format, TextLayout& layout) {
    bool wrap = (format & DT_WORDBREAK) && !(format & DT_SINGLELINE);
    // Spaces that end a line would shift centred or right-aligned text.
    bool trimSpaces = (format & (DT_CENTER | DT_RIGHT)) != 0;
    int pos = begin;
    for (;;) {
        int fitEnd = pos;
        for (int width = 0; fitEnd < end; ++fitEnd) {
            width += font.Glyph(s[fitEnd], layout.scratch).advance;
            if (wrap && width > wrapWidth)
                break;
        }
        int lineEnd = fitEnd;
        int next = fitEnd;
        if (fitEnd < end) {
            int space = fitEnd - 1;
            while (space >= pos && s[space] != ' ')
                --space;
            if (space >= pos) {
                lineEnd = next = space + 1;
            } else {
                while (lineEnd < end && s[lineEnd] != ' ')
                    ++lineEnd;
                next = lineEnd;
            }
            while (next < end && s[next] == ' ')
                ++next;
        }
        if (trimSpaces && fitEnd < end)
            while (lineEnd > pos && s[lineEnd - 1] == ' ')
                --lineEnd;
        layout.lines.push_back(
            {pos, lineEnd, font.Width(s.data() + pos, lineEnd - pos, layout.scratch)});
        if (next >= end)
            return;
        pos = next;
    }
}

// Left edge of a line inside the formatting rectangle.
int LineLeft(UINT format, int left, int right, int width) {
    if (format & DT_CENTER)
        return left + (right - left - width) / 2;
    if (format & DT_RIGHT)
        return right - width;
    return left;
}

void DrawLine(TextFont& font, const std::u16string& s, const TextLine& line, int x, int y,
              const RECT& clip, bool clipped, bool opaque, GlyphImage& scratch,
              TextTarget& target) {
    const FontMetrics& m = font.Metrics();
    if (opaque) {
        RECT cell = {x, y, x + line.width, y + m.height};
        if (clipped) {
            cell.left = std::max(cell.left, clip.left);
            cell.top = std::max(cell.top, clip.top);
            cell.right = std::min(cell.right, clip.right);
            cell.bottom = std::min(cell.bottom, clip.bottom);
        }
        if (cell.left < cell.right && cell.top < cell.bottom)
            target.FillBackground(cell);
    }
    // Ink lands within the formatting rectangle (unless DT_NOCLIP) and the target's bounds:
    // each glyph is cut to that once, not tested pixel by pixel.
    RECT bounds = target.InkBounds();
    if (clipped) {
        bounds.left = std::max(bounds.left, clip.left);
        bounds.top = std::max(bounds.top, clip.top);
        bounds.right = std::min(bounds.right, clip.right);
        bounds.bottom = std::min(bounds.bottom, clip.bottom);
    }
    if (bounds.left >= bounds.right || bounds.top >= bounds.bottom)
        return;
    int baseline = y + m.ascent;
    for (int i = line.begin; i < line.end; ++i) {
        const GlyphImage& g = font.Glyph(s[i], scratch);
        int left = x + g.left;
        int top = baseline - g.top;
        x += g.drawAdvance;
        int firstCol = std::max(0, static_cast<int>(bounds.left) - left);
        int endCol = std::min(g.width, static_cast<int>(bounds.right) - left);
        if (firstCol >= endCol)
            continue;
        int firstRow = std::max(0, static_cast<int>(bounds.top) - top);
        int endRow = std::min(g.rows, static_cast<int>(bounds.bottom) - top);
        if (firstRow < endRow)
            target.PlotInk(left + firstCol, top + firstRow,
                           g.ink.data() + firstRow * g.width + firstCol, g.width, endCol - firstCol,
                           endRow - firstRow);
    }
}

// The layouts of the texts laid out last on this thread. A display draws the same few texts
// frame after frame (and measures them before it draws them); each is laid out once while it
// stays among the last kRememberedLayouts, and the glyphs' advances are not added up again.
// A layout depends on the font, the text, the flags that break and trim lines and take out
// prefixes, and the width only where lines are broken at words. Fonts are never freed
// (TextFont::Get keeps every one it made), so a font's address names it for good.
constexpr int kRememberedLayouts = 16;
constexpr UINT kLayoutFlags = DT_SINGLELINE | DT_WORDBREAK | DT_CENTER | DT_RIGHT | DT_NOPREFIX;

struct RememberedLayout {
    const TextFont* font = nullptr;
    UINT flags = 0;
    int wrapWidth = 0;
    std::u16string text;
    TextLayout layout;
};

struct LayoutMemory {
    RememberedLayout entries[kRememberedLayouts];
    int used = 0;
    int nextToReplace = 0;
    int lastFound = 0;
    GlyphImage scratch;  // where glyphs that the font does not keep are drawn from
};

// This thread's. Not inlined, so that the thread-local variable's address is looked up once
// per call of DrawText, not once for every use.
[[gnu::noinline]] LayoutMemory& ThreadLayoutMemory() {
    thread_local LayoutMemory memory;
    return memory;
}

bool Matches(const RememberedLayout& entry, const TextFont& font, UINT flags, int wrapWidth,
             const char16_t* text, int length) {
    return entry.font == &font && entry.flags == flags && entry.wrapWidth == wrapWidth &&
           entry.text.size() == static_cast<size_t>(length) &&
           (length == 0 || std::char_traits<char16_t>::compare(entry.text.data(), text,
                                                               static_cast<size_t>(length)) == 0);
}

const TextLayout& LayOutRemembered(LayoutMemory& memory, TextFont& font, const char16_t* text,
                                   int length, int wrapWidth, UINT format) {
    UINT flags = format & kLayoutFlags;
    bool wrap = (flags & DT_WORDBREAK) && !(flags & DT_SINGLELINE);
    if (!wrap)
        wrapWidth = 0;
    // The entry found last is tried first: a text is often measured and then drawn at once.
    for (int n = 0; n < memory.used; ++n) {
        int i = (memory.lastFound + n) % memory.used;
        if (Matches(memory.entries[i], font, flags, wrapWidth, text, length)) {
            memory.lastFound = i;
            return memory.entries[i].layout;
        }
    }
    int i = memory.nextToReplace;
    memory.nextToReplace = (i + 1) % kRememberedLayouts;
    if (memory.used < kRememberedLayouts)
        ++memory.used;
    RememberedLayout& entry = memory.entries[i];
    entry.font = &font;
    entry.flags = flags;
    entry.wrapWidth = wrapWidth;
    if (length > 0)
        entry.text.assign(text, static_cast<size_t>(length));
    else
        entry.text.clear();
    LayOutText(font, text, length, wrapWidth, format, entry.layout);
    memory.lastFound = i;
    return entry.layout;
}

}  // namespace

void LayOutText(TextFont& font, const char16_t* text, int length, int wrapWidth, UINT format,
                TextLayout& layout) {
    TakeOutPrefixes(text, length, (format & DT_NOPREFIX) != 0, layout.shown);
    layout.lines.clear();
    layout.maxWidth = 0;
    const std::u16string& s = layout.shown;
    int n = static_cast<int>(s.size());
    if (n == 0)
        return;
    if (format & DT_SINGLELINE) {
        BreakParagraph(font, s, 0, n, wrapWidth, format, layout);
    } else {
        int start = 0;
        for (int i = 0; i <= n; ++i) {
            if (i < n && !IsLineEnd(s[i]))
                continue;
            BreakParagraph(font, s, start, i, wrapWidth, format, layout);
            if (i + 1 < n && s[i] == '\r' && s[i + 1] == '\n')
                ++i;
            start = i + 1;
            if (start == n)
                break;  // a final line end opens no further line
        }
    }
    for (const TextLine& line : layout.lines)
        layout.maxWidth = std::max(layout.maxWidth, line.width);
}

int DrawTextWithFont(TextFont& font, const char16_t* text, int length, RECT& rect, UINT format,
                     DRAWTEXTPARAMS* params, bool opaque, TextTarget* target) {
    LayoutMemory& memory = ThreadLayoutMemory();
    if (length < 0)
        length = lstrlenW(text);
    int leftMargin = params ? params->iLeftMargin : 0;
    int rightMargin = params ? params->iRightMargin : 0;
    int left = rect.left + leftMargin;
    int right = rect.right - rightMargin;
    const TextLayout& layout = LayOutRemembered(memory, font, text, length, right - left, format);
    if (params) {
        params->uiLengthDrawn = 0;
        for (const TextLine& line : layout.lines)
            params->uiLengthDrawn += line.end - line.begin;
    }
    int lineHeight = font.Metrics().height;
    int lines = static_cast<int>(layout.lines.size());
    if (format & DT_CALCRECT) {
        if (lines == 0) {
            rect.right = rect.left;
            rect.bottom = rect.top;
            return lineHeight;
        }
        rect.right = rect.left + layout.maxWidth + leftMargin + rightMargin;
        rect.bottom = rect.top + lines * lineHeight;
        return lines * lineHeight;
    }
    if (!target)
        return lines * lineHeight;
    bool clipped = !(format & DT_NOCLIP);
    for (int i = 0; i < lines; ++i) {
        const TextLine& line = layout.lines[i];
        int x = LineLeft(format, left, right, line.width);
        DrawLine(font, layout.shown, line, x, rect.top + i * lineHeight, rect, clipped, opaque,
                 memory.scratch, *target);
    }
    return lines * lineHeight;
}

}  // namespace hostwin
