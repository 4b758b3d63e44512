// The text of INI files in the encodings the profile functions know, told by the file's first
// bytes as Wine tells them (our referee): the UTF-8 mark, the UTF-16 mark in either byte order,
// or else the ANSI code page. A file keeps its mark and encoding whenever it is written. Text with
// a mark is held as UTF-8, so that lines no call touches go back to the file as they came; only the
// names and values passing through the ANSI calls are converted.
#include "hostwin_private.h"

#include <string>

namespace hostwin {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The character at pos, which moves past it; a byte that starts no well-formed sequence is
// one replacement character.
char32_t NextUtf8(const std::string& text, size_t& pos) {
    unsigned char lead = static_cast<unsigned char>(text[pos++]);
    int more = lead < 0x80   ? 0
               : lead < 0xC2 ? -1
               : lead < 0xE0 ? 1
               : lead < 0xF0 ? 2
               : lead < 0xF5 ? 3
                             : -1;
    if (more < 0)
        return kReplacement;
    if (more == 0)
        return lead;
    char32_t c = lead & (0x3F >> more);
    size_t end = pos + more;
    if (end > text.size())
        return kReplacement;
    for (size_t i = pos; i < end; ++i) {
        unsigned char next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80)
            return kReplacement;
        c = (c << 6) | (next & 0x3F);
    }
    pos = end;
    return c;
}

std::string DecodeUtf16(const std::string& bytes, size_t start, bool bigEndian) {
    auto unitAt = [&](size_t i) -> char16_t {
        unsigned char first = static_cast<unsigned char>(bytes[i]);
        unsigned char second = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (first << 8) | second : (second << 8) | first;
    };
    std::string text;
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        char32_t c = unitAt(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
            char16_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(text, c);
    }
    return text;
}

std::string EncodeUtf16(const std::string& text, bool bigEndian) {
    std::string bytes;
    auto appendUnit = [&](char32_t unit) {
        char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    };
    appendUnit(0xFEFF);
    for (size_t pos = 0; pos < text.size();) {
        char32_t c = NextUtf8(text, pos);
        if (c >= 0x10000) {
            appendUnit(0xD800 + ((c - 0x10000) >> 10));
            appendUnit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            appendUnit(c);
        }
    }
    return bytes;
}

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

bool StartsWith(const std::string& bytes, const char* mark) {
    return bytes.compare(0, std::char_traits<char>::length(mark), mark) == 0;
}

}  // namespace

ProfileText DecodeProfileFile(const std::string& bytes) {
    if (StartsWith(bytes, kUtf8Mark))
        return {ProfileEncoding::Utf8, bytes.substr(3)};
    if (StartsWith(bytes, "\xFF\xFE"))
        return {ProfileEncoding::Utf16Le, DecodeUtf16(bytes, 2, false)};
    if (StartsWith(bytes, "\xFE\xFF"))
        return {ProfileEncoding::Utf16Be, DecodeUtf16(bytes, 2, true)};
    return {ProfileEncoding::Ansi, bytes};
}

std::string EncodeProfileFile(const ProfileText& file) {
    switch (file.encoding) {
        case ProfileEncoding::Utf8:
            return kUtf8Mark + file.text;
        case ProfileEncoding::Utf16Le:
            return EncodeUtf16(file.text, false);
        case ProfileEncoding::Utf16Be:
            return EncodeUtf16(file.text, true);
        case ProfileEncoding::Ansi:
            break;
    }
    return file.text;
}

std::string ProfileTextFromAnsi(const std::string& ansi, ProfileEncoding encoding) {
    if (encoding == ProfileEncoding::Ansi)
        return ansi;
    std::u16string wide;
    AnsiToWide(ansi.data(), static_cast<int>(ansi.size()), wide);
    std::string text;
    for (char16_t unit : wide)
        AppendUtf8(text, unit);  // a code page gives no surrogates
    return text;
}

std::string ProfileTextToAnsi(const std::string& text, ProfileEncoding encoding) {
    if (encoding == ProfileEncoding::Ansi)
        return text;
    std::u16string wide;
    for (size_t pos = 0; pos < text.size();) {
        char32_t c = NextUtf8(text, pos);
        if (c >= 0x10000) {
            wide += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            wide += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            wide += static_cast<char16_t>(c);
        }
    }
    std::string ansi(static_cast<size_t>(AnsiLengthOf(wide.data(), static_cast<int>(wide.size()))),
                     '\0');
    WideToAnsiInto(wide.data(), static_cast<int>(wide.size()), ansi.data(),
                   static_cast<int>(ansi.size()));
    return ansi;
}

}  // namespace hostwin
