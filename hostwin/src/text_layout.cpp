#include "hostwin_private.h"

#include <algorithm>

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
    int baseline = y + m.ascent;
    for (int i = line.begin; i < line.end; ++i) {
        const GlyphImage& g = font.Glyph(s[i], scratch);
        for (int row = 0; row < g.rows; ++row) {
            int py = baseline - g.top + row;
            if (clipped && (py < clip.top || py >= clip.bottom))
                continue;
            const unsigned char* ink = g.ink.data() + row * g.width;
            for (int col = 0; col < g.width; ++col) {
                if (!ink[col])
                    continue;
                int px = x + g.left + col;
                if (clipped && (px < clip.left || px >= clip.right))
                    continue;
                target.PlotInk(px, py);
            }
        }
        x += g.drawAdvance;
    }
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
    thread_local TextLayout layout;
    if (length < 0)
        length = lstrlenW(text);
    int leftMargin = params ? params->iLeftMargin : 0;
    int rightMargin = params ? params->iRightMargin : 0;
    int left = rect.left + leftMargin;
    int right = rect.right - rightMargin;
    LayOutText(font, text, length, right - left, format, layout);
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
                 layout.scratch, *target);
    }
    return lines * lineHeight;
}

}  // namespace hostwin
