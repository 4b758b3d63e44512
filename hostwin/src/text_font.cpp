#include "hostwin_private.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_OUTLINE_H
#include <strings.h>

#include <cmath>
#include <map>
#include <tuple>

namespace hostwin {
namespace {

// Where the Windows faces the product asks for live on a Debian desk: Wine's own Tahoma,
// Liberation Sans in Arial's metrics. Other faces fall back to Liberation Sans, as Wine does.
constexpr const char* kWineFontDir = "/usr/share/wine/fonts";
constexpr const char* kFallbackFamily = "Liberation Sans";

struct Alias {
    const char* windows;
    const char* family;
};
constexpr Alias kAliases[] = {
    {"Arial", "Liberation Sans"},
    {"Helvetica", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
    {"MS Shell Dlg", "Tahoma"},
    {"MS Shell Dlg 2", "Tahoma"},
};

// Windows-1252 characters 0x80..0x9F as Unicode; the rest of the 8-bit range is Latin-1.
constexpr unsigned short kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

unsigned CodePoint(unsigned char c) {
    return (c >= 0x80 && c < 0xA0) ? kCp1252High[c - 0x80] : c;
}

std::mutex g_libraryMu;
FT_Library g_library = nullptr;
FcConfig* g_fonts = nullptr;

bool InitLibrariesLocked() {
    if (g_library)
        return true;
    if (FT_Init_FreeType(&g_library) != 0)
        return false;
    g_fonts = FcInitLoadConfigAndFonts();
    FcConfigAppFontAddDir(g_fonts, reinterpret_cast<const FcChar8*>(kWineFontDir));
    return true;
}

// The file of a family, or false when fontconfig has no face of that family.
bool FindFamily(const std::string& family, int weight, bool italic, std::string& file, int& index) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight > 0 ? weight : 400));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(g_fonts, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(g_fonts, pattern, &result);
    FcPatternDestroy(pattern);
    bool found = false;
    FcChar8* matchedFamily = nullptr;
    FcChar8* path = nullptr;
    if (match && FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch &&
        strcasecmp(reinterpret_cast<char*>(matchedFamily), family.c_str()) == 0 &&
        FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
        file = reinterpret_cast<char*>(path);
        index = 0;
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        found = true;
    }
    if (match)
        FcPatternDestroy(match);
    return found;
}

std::string FamilyFor(const std::string& faceName) {
    for (const Alias& alias : kAliases)
        if (strcasecmp(alias.windows, faceName.c_str()) == 0)
            return alias.family;
    return faceName;
}

// Rounds a 26.6 fixed-point value to whole pixels.
int Round26Dot6(long value) {
    return static_cast<int>((value + 32) >> 6);
}

}  // namespace

std::shared_ptr<TextFont> TextFont::Get(const std::string& faceName, int logicalHeight, int weight,
                                        bool italic) {
    static std::map<std::tuple<std::string, int, int, bool>, std::shared_ptr<TextFont>> cache;
    std::lock_guard<std::mutex> lk(g_libraryMu);
    if (!InitLibrariesLocked())
        return nullptr;
    std::string key = faceName;
    for (char& c : key)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    auto& slot = cache[{key, logicalHeight, weight, italic}];
    if (slot)
        return slot;
    std::string file;
    int index = 0;
    if (!FindFamily(FamilyFor(faceName), weight, italic, file, index) &&
        !FindFamily(kFallbackFamily, weight, italic, file, index) &&
        !FindFamily("DejaVu Sans", weight, italic, file, index))
        return nullptr;
    std::shared_ptr<TextFont> font(new TextFont);
    if (!font->Load(file, index, logicalHeight, weight))
        return nullptr;
    slot = font;
    return font;
}

TextFont::~TextFont() {
    for (std::atomic<GlyphImage*>& glyph : glyphs_)
        delete glyph.load(std::memory_order_relaxed);
    std::lock_guard<std::mutex> lk(g_libraryMu);
    if (face_)
        FT_Done_Face(static_cast<FT_Face>(face_));
}

// A negative height asks for that character height (the em), a positive one for that cell
// height (ascent plus descent); 0 asks for the default size. Windows takes ascent and descent
// from the OS/2 table's "win" values.
bool TextFont::Load(const std::string& file, int index, int logicalHeight, int weight) {
    FT_Face face;
    if (FT_New_Face(g_library, file.c_str(), index, &face) != 0)
        return false;
    face_ = face;
    family_ = face->family_name ? face->family_name : "";
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    long winAscent = os2 ? os2->usWinAscent : face->ascender;
    long winDescent = os2 ? os2->usWinDescent : -face->descender;
    long unitsPerEm = face->units_per_EM;
    int height = logicalHeight == 0 ? -12 : logicalHeight;
    long ppem = height < 0 ? -height
                           : static_cast<long>(std::lround(static_cast<double>(unitsPerEm) *
                                                           height / (winAscent + winDescent)));
    if (ppem < 1)
        ppem = 1;
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(ppem));
    emboldened_ = weight >= 600 && !(face->style_flags & FT_STYLE_FLAG_BOLD);
    FT_Fixed scale = face->size->metrics.y_scale;
    metrics_.ascent = Round26Dot6(FT_MulFix(winAscent, scale));
    metrics_.descent = Round26Dot6(FT_MulFix(winDescent, scale));
    metrics_.height = metrics_.ascent + metrics_.descent;
    metrics_.internalLeading = Round26Dot6(FT_MulFix(winAscent + winDescent - unitsPerEm, scale));
    long average = os2 ? os2->xAvgCharWidth : unitsPerEm / 2;
    metrics_.aveCharWidth = Round26Dot6(FT_MulFix(average, face->size->metrics.x_scale));
    metrics_.maxCharWidth = Round26Dot6(face->size->metrics.max_advance);
    return true;
}

void TextFont::Render(unsigned char c, GlyphImage& out) {
    auto face = static_cast<FT_Face>(face_);
    // Text is measured with the outline hinted for the normal target, and drawn with the
    // face's embedded bitmap strike where it has one at this size, else with the outline hinted
    // for monochrome; the two advances may differ by a pixel. That is how GDI under Wine
    // measures and draws these faces, pixel for pixel.
    if (FT_Load_Char(face, CodePoint(c), FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0)
        return;
    out.advance = Round26Dot6(face->glyph->advance.x) + (emboldened_ ? 1 : 0);
    if (FT_Load_Char(face, CodePoint(c), FT_LOAD_TARGET_MONO) != 0)
        return;
    out.drawAdvance = Round26Dot6(face->glyph->advance.x) + (emboldened_ ? 1 : 0);
    // A bold weight of a face that has no bold style is made by thickening the outline by a
    // pixel, which also widens every advance by one.
    if (emboldened_ && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE)
        FT_Outline_EmboldenXY(&face->glyph->outline, 64, 0);
    if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) != 0)
        return;
    FT_GlyphSlot slot = face->glyph;
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    out.width = static_cast<int>(slot->bitmap.width);
    out.rows = static_cast<int>(slot->bitmap.rows);
    out.ink.assign(static_cast<size_t>(out.width) * out.rows, 0);
    bool gray = slot->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY;
    for (int y = 0; y < out.rows; ++y) {
        const unsigned char* row = slot->bitmap.buffer + y * slot->bitmap.pitch;
        for (int x = 0; x < out.width; ++x)
            out.ink[y * out.width + x] = gray ? row[x] >= 128 : (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
}

const GlyphImage& TextFont::Glyph(unsigned char c) {
    std::atomic<GlyphImage*>& slot = glyphs_[c];
    if (GlyphImage* glyph = slot.load(std::memory_order_acquire))
        return *glyph;
    std::lock_guard<std::mutex> lk(mu_);
    GlyphImage* glyph = slot.load(std::memory_order_relaxed);
    if (!glyph) {
        glyph = new GlyphImage;
        {
            std::lock_guard<std::mutex> library(g_libraryMu);
            Render(c, *glyph);
        }
        slot.store(glyph, std::memory_order_release);
    }
    return *glyph;
}

int TextFont::Width(const char* text, int length) {
    int width = 0;
    for (int i = 0; i < length; ++i)
        width += Glyph(static_cast<unsigned char>(text[i])).advance;
    return width;
}

}  // namespace hostwin
