// Fonts for GDI text: a LOGFONT's face name, height and weight select a FreeType face (found
// with fontconfig) at a pixel size, with the fonts linked to that face for the characters it
// lacks; glyphs are rendered monochrome and hinted.
#pragma once

#include <array>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace hostwin {

struct GlyphImage {
    int left = 0;  // ink's left edge, from the pen position
    int top = 0;   // ink's top row, above the baseline
    int width = 0;
    int rows = 0;
    int advance = 0;                 // whole pixels: what text measures
    int drawAdvance = 0;             // whole pixels: how far the pen moves when the glyph is drawn
    std::vector<unsigned char> ink;  // width * rows, 1 where lit
};

struct FontMetrics {
    int ascent = 0;
    int descent = 0;
    int height = 0;  // ascent + descent: one line of text
    int internalLeading = 0;
    int aveCharWidth = 0;
    int maxCharWidth = 0;
};

class TextFont {
public:
    // Shared by every font created with the same face name, height and weight.
    static std::shared_ptr<TextFont> Get(const std::string& faceName, int logicalHeight, int weight,
                                         bool italic);
    ~TextFont();

    const FontMetrics& Metrics() const { return metrics_; }
    const std::string& FamilyName() const { return family_; }
    // The glyph that stands for one UTF-16 unit: the face's own, else that of the first linked
    // font that has one, else the face's missing-glyph box. Each unit is looked up alone, a
    // surrogate too, as GDI under Wine looks them up: a pair shows two boxes, and a font that
    // maps a lone surrogate (Baekmuk Dotum maps U+D800 to a blank) shows what it maps.
    //
    // Glyphs are kept once rendered, keyed by the unit (the font is already one face at one
    // size and weight), as GDI keeps them: looking a kept glyph up takes no lock and allocates
    // nothing, and a kept glyph is never moved or freed while the font lives. Every unit below
    // 256 is kept, and up to kMaxKeptGlyphs others; past that bound any further unit is rendered
    // into `scratch` on every call, and what comes back is valid until scratch is used again.
    // Nothing is evicted: another thread may still be reading a kept glyph.
    static constexpr int kMaxKeptGlyphs = 4096;
    const GlyphImage& Glyph(char16_t c, GlyphImage& scratch) {
        if (const GlyphPage* page = pages_[c >> 8].load(std::memory_order_acquire))
            if (const GlyphImage* glyph = page->slots[c & 0xFF].load(std::memory_order_acquire))
                return *glyph;
        return KeepGlyph(c, scratch);
    }
    int Width(const char16_t* text, int length, GlyphImage& scratch);
    // The glyph of Glyph, rendered afresh and not kept: what a kept glyph must equal.
    void RenderUncached(char16_t c, GlyphImage& out);
    // The number of glyphs of units from 256 up that the font keeps.
    int KeptBeyondFirst256();
    // The linked fonts, in the order they are searched.
    const std::vector<std::shared_ptr<TextFont>>& Links() const { return links_; }

private:
    TextFont() = default;
    static std::shared_ptr<TextFont> Open(const std::string& file, int index, int logicalHeight,
                                          int weight);
    bool Load(const std::string& file, int index, int logicalHeight, int weight);
    void LinkFonts(int logicalHeight, int weight);
    const GlyphImage& KeepGlyph(char16_t c, GlyphImage& scratch);
    void Render(char16_t c, GlyphImage& out);
    void RenderIndex(unsigned index, GlyphImage& out);
    static void RasterizeOutline(void* outline, GlyphImage& out);  // FT_Outline*
    static void CopyBitmap(void* slot, GlyphImage& out);           // FT_GlyphSlot

    void* face_ = nullptr;  // FT_Face
    std::string family_;
    FontMetrics metrics_;
    bool emboldened_ = false;
    std::vector<std::shared_ptr<TextFont>> links_;
    bool linked_ = false;  // the links have been read (a face selected under two names is one font)
    // The kept glyphs: 256 pages of 256 slots, a page made when the first glyph of its range
    // is kept. Pages and glyphs are set once, under mu_, and read without the lock after that
    // (text is measured and drawn a glyph at a time, on any thread); both stay until the font
    // goes. A deque does not move its elements as it grows.
    struct GlyphPage {
        std::array<std::atomic<const GlyphImage*>, 256> slots = {};
    };
    std::mutex mu_;  // keeping a glyph
    std::array<std::atomic<GlyphPage*>, 256> pages_ = {};
    std::deque<GlyphPage> pageStore_;
    std::deque<GlyphImage> glyphStore_;
    int keptBeyondFirst256_ = 0;
};

// --- fontlink.cpp: the fonts linked to a face, as the registry lists them.

struct FontLink {
    std::string file;  // a file name, found wherever fontconfig knows fonts
    std::string face;  // the family in that file; may be empty
};

// The SystemLink list of a face (by its family name, as GDI under Wine keys it). Each entry is
// "file,face" with optional scaling values after, which GDI under Wine ignores and so does this.
std::vector<FontLink> SystemLinksOf(const std::string& family);

struct DefaultSystemLink {
    const char* family;
    std::vector<const char*> entries;
};
// What the stand-in's registry holds when it starts and after it is cleared: the fonts that
// scripts/setup installs, the same that tests/wine/fontlink.reg puts in the Wine test prefixes.
const std::vector<DefaultSystemLink>& DefaultSystemLinks();
extern const char* const kSystemLinkKey;

}  // namespace hostwin
