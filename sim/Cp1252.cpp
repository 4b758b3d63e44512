#include "sim/Cp1252.h"

namespace sim {
namespace {

// The code points of Windows-1252's bytes 0x80 to 0x9F; 0 where the code page has a hole.
constexpr unsigned kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char ToCp1252(unsigned codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<char>(codePoint);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == codePoint)
            return static_cast<char>(0x80 + i);
    return '?';
}

}  // namespace

unsigned Cp1252CodePoint(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte;
}

void AppendUtf8(unsigned codePoint, std::string& out) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

std::string Utf8ToCp1252(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        auto byte = static_cast<unsigned char>(text[i]);
        int extra = byte < 0x80             ? 0
                    : (byte & 0xE0) == 0xC0 ? 1
                    : (byte & 0xF0) == 0xE0 ? 2
                    : (byte & 0xF8) == 0xF0 ? 3
                                            : -1;
        unsigned codePoint = extra == 0   ? byte
                             : extra == 1 ? byte & 0x1F
                             : extra == 2 ? byte & 0x0F
                                          : byte & 0x07;
        bool wellFormed = extra >= 0 && i + extra < text.size();
        for (int k = 1; wellFormed && k <= extra; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            wellFormed = (next & 0xC0) == 0x80;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        if (!wellFormed) {
            out += '?';
            ++i;
            continue;
        }
        out += ToCp1252(codePoint);
        i += extra + 1;
    }
    return out;
}

std::string Cp1252ToUtf8(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        unsigned codePoint = Cp1252CodePoint(c);
        AppendUtf8(codePoint ? codePoint : '?', out);
    }
    return out;
}

}  // namespace sim
