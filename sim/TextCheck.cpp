#include "sim/TextCheck.h"

#include <cstdio>

namespace sim {
namespace {

bool IsControl(unsigned char c) {
    return (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F;
}

std::string ByteName(unsigned char c) {
    char name[8];
    std::snprintf(name, sizeof name, "0x%02X", c);
    return name;
}

}  // namespace

size_t Utf8SequenceLength(std::string_view text, size_t at) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                    : lead >= 0xE0 && lead <= 0xEF ? 3
                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    // The second byte's range is narrower after these leads: no overlong forms, no surrogates,
    // nothing above U+10FFFF.
    unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (size_t k = 2; k < length; ++k)
        if ((byte(at + k) & 0xC0) != 0x80)
            return 0;
    return length;
}

bool CheckText(const std::string& text, bool utf8, TextFault& fault, const std::string& what) {
    int line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < text.size();) {
        auto c = static_cast<unsigned char>(text[i]);
        size_t length = utf8 ? Utf8SequenceLength(text, i) : 1;
        if (IsControl(c) || length == 0) {
            fault = {line, static_cast<int>(i - lineStart) + 1,
                     "not " + what + " (it holds the byte " + ByteName(c) +
                         (IsControl(c) ? ")" : ", which is not UTF-8)")};
            return false;
        }
        if (c == '\n') {
            ++line;
            lineStart = i + 1;
        }
        i += length;
    }
    return true;
}

}  // namespace sim
