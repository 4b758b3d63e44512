// Fonts for GDI text: a LOGFONT's face name, height and weight select a FreeType face (found
// with fontconfig) at a pixel size; glyphs are rendered monochrome and hinted, once, and kept.
#pragma once

#include <array>
#include <atomic>
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
    // The glyph of one 8-bit (Windows-1252) character, rendered on first use.
    const GlyphImage& Glyph(unsigned char c);
    int Width(const char* text, int length);

private:
    TextFont() = default;
    bool Load(const std::string& file, int index, int logicalHeight, int weight);
    void Render(unsigned char c, GlyphImage& out);

    void* face_ = nullptr;  // FT_Face
    std::string family_;
    FontMetrics metrics_;
    bool emboldened_ = false;
    std::mutex mu_;  // rendering a glyph
    // Owned; set once, when the glyph is first rendered, and read without the lock after that:
    // text is measured and drawn a glyph at a time.
    std::array<std::atomic<GlyphImage*>, 256> glyphs_ = {};
};

}  // namespace hostwin
