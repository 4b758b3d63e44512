// DrawText's layout: lines broken at line ends and (with DT_WORDBREAK) between words, placed by
// alignment and margins, measured for DT_CALCRECT, and drawn glyph by glyph onto a target.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "text_font.h"

namespace hostwin {

struct TextLine {
    int begin;  // into TextLayout::shown
    int end;
    int width;
};

// Reused from call to call: once its buffers have grown, laying out costs no allocation.
struct TextLayout {
    std::u16string shown;  // the text as drawn (prefix characters taken out)
    std::vector<TextLine> lines;
    int maxWidth = 0;
    GlyphImage scratch;  // where glyphs that the font does not keep are rendered
};

// Where drawn text lands. Coordinates are logical; the target applies the device context's
// viewport and clip region.
class TextTarget {
public:
    virtual ~TextTarget() = default;
    virtual void FillBackground(const RECT& area) = 0;
    // Where ink may land at all (the drawable part of the device, in logical coordinates);
    // empty when nowhere. Ink is only ever plotted inside it.
    virtual RECT InkBounds() const = 0;
    // Plots the lit pixels of a block of ink `columns` wide and `rows` high, its rows `stride`
    // apart, onto the pixels from (x, y) right and down, all of them within InkBounds. A glyph
    // is plotted in one call: a call per row costs more than the row's few pixels.
    virtual void PlotInk(int x, int y, const unsigned char* ink, int stride, int columns,
                         int rows) = 0;
};

void LayOutText(TextFont& font, const char16_t* text, int length, int wrapWidth, UINT format,
                TextLayout& layout);

// The whole of DrawTextExW once the font is known: lays the text out, updates the rectangle
// for DT_CALCRECT or draws onto the target (background only when opaque). Returns the height
// of the text.
int DrawTextWithFont(TextFont& font, const char16_t* text, int length, RECT& rect, UINT format,
                     DRAWTEXTPARAMS* params, bool opaque, TextTarget* target);

}  // namespace hostwin
