#include "player/PlayerText.h"

namespace {

bool IsHighSurrogate(WCHAR unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(WCHAR unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Without the last character: two units for a surrogate pair, else one.
int DropLastCharacter(const WCHAR* wide, int length) {
    if (length >= 2 && IsLowSurrogate(wide[length - 1]) && IsHighSurrogate(wide[length - 2]))
        return length - 2;
    return length - 1;
}

int Utf8Length(const WCHAR* wide, int length) {
    return length > 0 ? WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr)
                      : 0;
}

}  // namespace

int WideToUtf8(const WCHAR* wide, int length, char* out, int size) {
    if (size <= 0)
        return 0;
    while (length > 0 && Utf8Length(wide, length) > size - 1)
        length = DropLastCharacter(wide, length);
    int written =
        length > 0 ? WideCharToMultiByte(CP_UTF8, 0, wide, length, out, size - 1, nullptr, nullptr)
                   : 0;
    out[written] = '\0';
    return written;
}

int AnsiToUtf8(const char* ansi, int length, char* out, int size) {
    WCHAR wide[kPlayerTextChars];
    if (length > kPlayerTextChars)
        length = kPlayerTextChars;
    int units =
        length > 0 ? MultiByteToWideChar(CP_ACP, 0, ansi, length, wide, kPlayerTextChars) : 0;
    return WideToUtf8(wide, units, out, size);
}
