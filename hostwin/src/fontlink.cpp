// Font linking as Windows sets it up: for each face, the fonts that supply the characters it
// lacks, listed in the registry. The stand-in's registry starts with the fonts that
// scripts/setup installs from Debian, chosen to be legible at the two sizes the LCD's screens
// draw text in (9 pixels for the playlist's rows, 16 for the title):
//
// - Liberation Sans, for Tahoma's Greek (Wine's Tahoma has Latin and Cyrillic, but no Greek):
//   a sans serif hinted for small sizes, close to Tahoma in form.
// - Baekmuk Dotum, for Hangul, Kana and the Han characters of Korean's national set: of the
//   Debian fonts tried, its Hangul stays readable at 9 pixels, and its Kana and Han do too.
// - Unifont, for the rest of the Basic Multilingual Plane (the Han of Chinese and Japanese that
//   Dotum lacks, the rarer Hangul syllables): drawn on a 16-pixel grid, so its glyphs are sharp
//   at the title's size and still readable at 9.
//
// Liberation Sans, in which Arial and the faces that are not installed are drawn, links to the
// same two for what it lacks. Arial itself is not listed: GDI under Wine takes a listed face
// that is not installed to be its first linked font.
#include <cstring>

#include "hostwin_private.h"

namespace hostwin {

const char* const kSystemLinkKey =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink";

const std::vector<DefaultSystemLink>& DefaultSystemLinks() {
    static const std::vector<DefaultSystemLink> links = {
        {"Tahoma",
         {"LiberationSans-Regular.ttf,Liberation Sans", "dotum.ttf,Baekmuk Dotum",
          "unifont.otf,Unifont"}},
        {"Liberation Sans", {"dotum.ttf,Baekmuk Dotum", "unifont.otf,Unifont"}},
    };
    return links;
}

std::vector<FontLink> SystemLinksOf(const std::string& family) {
    std::vector<FontLink> links;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSystemLinkKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return links;
    DWORD type = 0;
    DWORD size = 0;
    std::vector<char> data;
    if (RegQueryValueExA(key, family.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_MULTI_SZ) {
        data.resize(size + 2, '\0');
        RegQueryValueExA(key, family.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &size);
    }
    RegCloseKey(key);
    for (size_t at = 0; at < data.size() && data[at]; at += std::strlen(&data[at]) + 1) {
        std::string entry = &data[at];
        size_t comma = entry.find(',');
        FontLink link;
        link.file = entry.substr(0, comma);
        if (comma != std::string::npos)
            link.face = entry.substr(comma + 1, entry.find(',', comma + 1) - comma - 1);
        if (!link.file.empty() || !link.face.empty())
            links.push_back(link);
    }
    return links;
}

}  // namespace hostwin
