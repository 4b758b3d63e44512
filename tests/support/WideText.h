// WCHAR strings for tests that build both on the stand-in (WCHAR is char16_t) and for Windows
// (WCHAR is wchar_t), where an L"..." literal would be right on one side only: they are made from
// UTF-8 source text through MultiByteToWideChar, and read back through WideCharToMultiByte.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

using WideText = std::basic_string<WCHAR>;

inline WideText Wide(const std::string& utf8) {
    if (utf8.empty())
        return WideText();
    int length = static_cast<int>(utf8.size());
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    WideText text(n > 0 ? n : 0, WCHAR(0));
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, text.data(), n);
    return text;
}

inline std::string Utf8(const WCHAR* text, int length) {
    if (length <= 0)
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string utf8(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), n, nullptr, nullptr);
    return utf8;
}

inline std::string Utf8(const WideText& text) {
    return Utf8(text.data(), static_cast<int>(text.size()));
}

// UTF-16 units written out, for messages: "0041 D800".
inline std::string Units(const WCHAR* text, int length) {
    std::string out;
    char unit[8];
    for (int i = 0; i < length; ++i) {
        snprintf(unit, sizeof unit, "%s%04X", i ? " " : "", static_cast<unsigned>(text[i]));
        out += unit;
    }
    return out;
}
