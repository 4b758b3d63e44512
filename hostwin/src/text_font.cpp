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

// The file of a linked font: a face of the link's family in a file of the link's name, else any
// face of that family, else (a link that names no family) any face in a file of that name.
bool FindLinkedFile(const FontLink& link, std::string& file, int& index) {
    FcPattern* pattern = FcPatternCreate();
    if (!link.face.empty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(link.face.c_str()));
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, nullptr);
    FcFontSet* fonts = FcFontList(g_fonts, pattern, objects);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    bool found = false;
    for (int i = 0; fonts && i < fonts->nfont; ++i) {
        FcChar8* path = nullptr;
        if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &path) != FcResultMatch)
            continue;
        std::string candidate = reinterpret_cast<char*>(path);
        std::string name = candidate.substr(candidate.rfind('/') + 1);
        bool sameName = strcasecmp(name.c_str(), link.file.c_str()) == 0;
        if (found && !sameName)
            continue;
        if (!sameName && link.face.empty())
            continue;
        file = candidate;
        index = 0;
        FcPatternGetInteger(fonts->fonts[i], FC_INDEX, 0, &index);
        found = true;
        if (sameName)
            break;
    }
    if (fonts)
        FcFontSetDestroy(fonts);
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
    std::shared_ptr<TextFont> font = Open(file, index, logicalHeight, weight);
    if (!font)
        return nullptr;
    font->LinkFonts(logicalHeight, weight);
    slot = font;
    return font;
}

// One face of one file at one size, shared by the fonts that select it or link to it. Library
// lock held.
std::shared_ptr<TextFont> TextFont::Open(const std::string& file, int index, int logicalHeight,
                                         int weight) {
    static std::map<std::tuple<std::string, int, int, int>, std::shared_ptr<TextFont>> opened;
    auto& slot = opened[{file, index, logicalHeight, weight}];
    if (!slot) {
        std::shared_ptr<TextFont> font(new TextFont);
        if (!font->Load(file, index, logicalHeight, weight))
            return nullptr;
        slot = font;
    }
    return slot;
}

// A linked font is asked for at the size the face was asked for, and links to nothing itself.
// The links are read from the registry once, when the font is first made. Library lock held.
void TextFont::LinkFonts(int logicalHeight, int weight) {
    if (linked_)
        return;
    linked_ = true;
    for (const FontLink& link : SystemLinksOf(family_)) {
        std::string file;
        int index = 0;
        if (!FindLinkedFile(link, file, index))
            continue;
        if (auto linked = Open(file, index, logicalHeight, weight); linked && linked.get() != this)
            links_.push_back(linked);
    }
}

TextFont::~TextFont() {
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

// Control characters are never looked for in the linked fonts (GDI under Wine does not), so
// they show the face's own box even where a linked font draws a picture of them. Library lock
// held.
void TextFont::Render(char16_t c, GlyphImage& out) {
    if (FT_UInt index = FT_Get_Char_Index(static_cast<FT_Face>(face_), c))
        return RenderIndex(index, out);
    if (c >= 0x20)
        for (const auto& link : links_)
            if (FT_UInt index = FT_Get_Char_Index(static_cast<FT_Face>(link->face_), c))
                return link->RenderIndex(index, out);
    RenderIndex(0, out);
}

void TextFont::RenderIndex(unsigned index, GlyphImage& out) {
    out.left = out.top = out.width = out.rows = out.advance = out.drawAdvance = 0;
    out.ink.clear();
    auto face = static_cast<FT_Face>(face_);
    // Text is measured with the outline hinted for the normal target, and drawn with the
    // face's embedded bitmap strike where it has one at this size, else with the outline hinted
    // for monochrome; the two advances may differ by a pixel. That is how GDI under Wine
    // measures and draws these faces, pixel for pixel.
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0)
        return;
    out.advance = Round26Dot6(face->glyph->advance.x) + (emboldened_ ? 1 : 0);
    if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO) != 0)
        return;
    out.drawAdvance = Round26Dot6(face->glyph->advance.x) + (emboldened_ ? 1 : 0);
    // A bold weight of a face that has no bold style is made by thickening the outline by a
    // pixel, which also widens every advance by one.
    if (emboldened_ && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE)
        FT_Outline_EmboldenXY(&face->glyph->outline, 64, 0);
    if (face->glyph->format == FT_GLYPH_FORMAT_OUTLINE)
        RasterizeOutline(&face->glyph->outline, out);
    else if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) == 0)
        CopyBitmap(face->glyph, out);
}

// An outline is filled into the box of whole pixels around it, as GDI under Wine fills it:
// FreeType's own rendering trims that box by the pixel centres and drops the last row of some
// glyphs (Dotum's Katakana at 9 pixels). Library lock held.
void TextFont::RasterizeOutline(void* outlinePointer, GlyphImage& out) {
    auto* outline = static_cast<FT_Outline*>(outlinePointer);
    FT_BBox box;
    FT_Outline_Get_CBox(outline, &box);
    FT_Pos left = box.xMin & -64;
    FT_Pos bottom = box.yMin & -64;
    FT_Pos right = (box.xMax + 63) & -64;
    FT_Pos top = (box.yMax + 63) & -64;
    out.left = static_cast<int>(left >> 6);
    out.top = static_cast<int>(top >> 6);
    out.width = static_cast<int>((right - left) >> 6);
    out.rows = static_cast<int>((top - bottom) >> 6);
    int pitch = (out.width + 7) / 8;
    thread_local std::vector<unsigned char> bits;
    bits.assign(static_cast<size_t>(pitch) * out.rows, 0);
    FT_Bitmap bitmap = {};
    bitmap.rows = static_cast<unsigned>(out.rows);
    bitmap.width = static_cast<unsigned>(out.width);
    bitmap.pitch = pitch;
    bitmap.buffer = bits.data();
    bitmap.pixel_mode = FT_PIXEL_MODE_MONO;
    bitmap.num_grays = 2;
    FT_Outline_Translate(outline, -left, -bottom);
    if (out.width > 0 && out.rows > 0)
        FT_Outline_Get_Bitmap(g_library, outline, &bitmap);
    out.ink.assign(static_cast<size_t>(out.width) * out.rows, 0);
    for (int y = 0; y < out.rows; ++y)
        for (int x = 0; x < out.width; ++x)
            out.ink[y * out.width + x] = (bits[y * pitch + (x >> 3)] >> (7 - (x & 7))) & 1;
}

// A glyph of an embedded bitmap strike, as it is.
void TextFont::CopyBitmap(void* slotPointer, GlyphImage& out) {
    auto slot = static_cast<FT_GlyphSlot>(slotPointer);
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

// Glyph found no glyph kept: another thread may be keeping it just now.
const GlyphImage& TextFont::KeepGlyph(char16_t c, GlyphImage& scratch) {
    std::atomic<GlyphPage*>& pageSlot = pages_[c >> 8];
    std::lock_guard<std::mutex> lk(mu_);
    GlyphPage* page = pageSlot.load(std::memory_order_relaxed);
    if (page)
        if (const GlyphImage* glyph = page->slots[c & 0xFF].load(std::memory_order_relaxed))
            return *glyph;
    bool beyond = c >= 256;
    if (beyond && keptBeyondFirst256_ >= kMaxKeptGlyphs) {
        RenderUncached(c, scratch);
        return scratch;
    }
    GlyphImage& glyph = glyphStore_.emplace_back();
    {
        std::lock_guard<std::mutex> library(g_libraryMu);
        Render(c, glyph);
    }
    if (beyond)
        ++keptBeyondFirst256_;
    if (!page) {
        page = &pageStore_.emplace_back();
        pageSlot.store(page, std::memory_order_release);
    }
    page->slots[c & 0xFF].store(&glyph, std::memory_order_release);
    return glyph;
}

void TextFont::RenderUncached(char16_t c, GlyphImage& out) {
    std::lock_guard<std::mutex> library(g_libraryMu);
    Render(c, out);
}

int TextFont::KeptBeyondFirst256() {
    std::lock_guard<std::mutex> lk(mu_);
    return keptBeyondFirst256_;
}

int TextFont::Width(const char16_t* text, int length, GlyphImage& scratch) {
    int width = 0;
    for (int i = 0; i < length; ++i)
        width += Glyph(text[i], scratch).advance;
    return width;
}

}  // namespace hostwin
