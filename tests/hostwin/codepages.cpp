// What Windows does with text between UTF-16, UTF-8 and the 8-bit code pages: what the plug-in
// reads from the player, keeps inside and hands to the ANSI calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/WideText.h"

namespace {

std::vector<BYTE> Bytes(const std::string& text) {
    return std::vector<BYTE>(text.begin(), text.end());
}

std::string Hex(const std::string& bytes) {
    std::string out;
    char byte[4];
    for (unsigned char b : bytes) {
        snprintf(byte, sizeof byte, "%02X ", b);
        out += byte;
    }
    return out;
}

// The UTF-16 units MultiByteToWideChar makes of some bytes, written out; "fails" with the error.
std::string Decoded(UINT codePage, const std::string& bytes, DWORD flags = 0) {
    WCHAR out[64];
    SetLastError(0);
    int n =
        MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), out, 64);
    if (n == 0)
        return "fails " + std::to_string(GetLastError());
    return Units(out, n);
}

// The bytes WideCharToMultiByte makes of some UTF-16 units, and whether it used the default.
struct Encoded {
    std::string bytes;
    BOOL usedDefault;
};
Encoded Encode(UINT codePage, const std::vector<WCHAR>& units, DWORD flags = 0,
               const char* defaultChar = nullptr) {
    char out[64];
    BOOL used = -1;
    int n = WideCharToMultiByte(codePage, flags, units.data(), static_cast<int>(units.size()), out,
                                sizeof out, defaultChar, &used);
    return {std::string(out, n > 0 ? n : 0), used};
}

TEST(CodePages, Utf8RoundTripsEveryScript) {
    const std::string text = "Łódź Ελληνικά Кириллица 日本語 한국어 \xF0\x9F\x98\x80";
    WideText wide = Wide(text);
    ASSERT_EQ(wide.size(), 34u) << "one unit a character, two for the one beyond the BMP";
    EXPECT_EQ(wide[0], 0x0141);
    EXPECT_EQ(wide[5], 0x0395);
    EXPECT_EQ(wide[28], 0xD55C);
    EXPECT_EQ(wide[32], 0xD83D);
    EXPECT_EQ(wide[33], 0xDE00);
    EXPECT_EQ(Utf8(wide), text);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0), 35)
        << "-1 counts the terminator, and a size of 0 asks for the size";
}

// Each run of bytes that is no character becomes U+FFFD: a sequence cut short, or taken out of
// range by its second byte, as one; a byte that starts nothing, alone.
TEST(CodePages, InvalidUtf8BecomesReplacementCharacters) {
    struct {
        const char* bytes;
        const char* units;
    } cases[] = {
        {"A\xC3\xFF\x42", "0041 FFFD FFFD 0042"},
        {"\xC3", "FFFD"},
        {"\xE3\x81\x41", "FFFD 0041"},
        {"\xF0\x9F\x98", "FFFD"},
        {"\x80", "FFFD"},
        {"\xC0\x80", "FFFD FFFD"},
        {"\xE0\x80\x80", "FFFD FFFD"},
        {"\xED\xA0\x80", "FFFD FFFD"},
        {"\xF4\x90\x80\x80", "FFFD FFFD FFFD"},
        {"\xF8\x88\x80\x80\x80", "FFFD FFFD FFFD FFFD FFFD"},
        {"\xE0\xA0\x80", "0800"},
        {"\xF0\x90\x80\x80", "D800 DC00"},
    };
    for (auto& c : cases)
        EXPECT_EQ(Decoded(CP_UTF8, c.bytes), c.units) << "bytes " << Hex(c.bytes);
    EXPECT_EQ(Decoded(CP_UTF8, "A\xC3", MB_ERR_INVALID_CHARS),
              "fails " + std::to_string(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(CodePages, UnpairedSurrogatesBecomeReplacementCharactersInUtf8) {
    const std::vector<WCHAR> units = {0x41, 0xD800, 0x42, 0xDC00};
    char out[32];
    int n = WideCharToMultiByte(CP_UTF8, 0, units.data(), 4, out, sizeof out, nullptr, nullptr);
    EXPECT_EQ(std::string(out, n > 0 ? n : 0), "A\xEF\xBF\xBD\x42\xEF\xBF\xBD");
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, units.data(), 4, out, sizeof out,
                                  nullptr, nullptr),
              0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

// The 8-bit code pages map every byte: the holes of the Windows code pages become the C1 control
// of the same number. A double-byte code page takes a lead byte with whatever follows it.
TEST(CodePages, AnsiCodePagesMapTheirBytes) {
    EXPECT_EQ(GetACP(), 1252u);
    EXPECT_EQ(Decoded(CP_ACP, "\x80\x96\xE9\x81\x9D"), "20AC 2013 00E9 0081 009D");
    EXPECT_EQ(Decoded(1250, "\x8A\xB3\x81\x98"), "0160 0142 0081 0098");
    EXPECT_EQ(Decoded(1251, "\xC6\xE6\x98"), "0416 0436 0098");
    EXPECT_EQ(Decoded(932, "\x93\xFA\x96\x7B\x82\xA0\x41"), "65E5 672C 3042 0041");
    EXPECT_EQ(Decoded(932, "\x82"), "30FB") << "a lead byte at the end";
    EXPECT_EQ(Decoded(932, "\x82\x20\x41"), "30FB 0041") << "a lead byte with a trail that is none";
    EXPECT_EQ(Decoded(932, "\x82", MB_ERR_INVALID_CHARS),
              "fails " + std::to_string(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(CodePages, WhatDoesNotFitBecomesTheDefaultCharacter) {
    Encoded fits = Encode(1252, {0x43, 0x00E9, 0x20AC, 0x2013});
    EXPECT_EQ(Bytes(fits.bytes), Bytes("C\xE9\x80\x96"));
    EXPECT_FALSE(fits.usedDefault);
    Encoded japanese = Encode(CP_ACP, {0x65E5, 0x0416, 0xD55C, 0x41});
    EXPECT_EQ(japanese.bytes, "???A");
    EXPECT_TRUE(japanese.usedDefault);
    EXPECT_EQ(Encode(1252, {0x0100, 0x03B1}, WC_NO_BEST_FIT_CHARS).bytes, "??")
        << "no look-alike when asked for none";
    EXPECT_EQ(Encode(1252, {0x65E5, 0xD83D, 0xDE00}, 0, "*").bytes, "***")
        << "the default given, once for each surrogate";
    EXPECT_EQ(Bytes(Encode(1251, {0x0416, 0x0436}).bytes), Bytes("\xC6\xE6"));
    EXPECT_EQ(Bytes(Encode(1250, {0x0160, 0x0142}).bytes), Bytes("\x8A\xB3"));
    Encoded shiftJis = Encode(932, {0x65E5, 0x672C, 0x0416, 0xAC00});
    EXPECT_EQ(Bytes(shiftJis.bytes), Bytes("\x93\xFA\x96\x7B\x84\x47?"));
    EXPECT_TRUE(shiftJis.usedDefault);
}

TEST(CodePages, OutputSizesAreAskedForAndChecked) {
    const std::vector<WCHAR> units = {0x65E5, 0x672C};
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, units.data(), 2, nullptr, 0, nullptr, nullptr), 6);
    EXPECT_EQ(WideCharToMultiByte(932, 0, units.data(), 2, nullptr, 0, nullptr, nullptr), 4);
    char small[5];
    SetLastError(0);
    EXPECT_EQ(
        WideCharToMultiByte(CP_UTF8, 0, units.data(), 2, small, sizeof small, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    WCHAR one[1];
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab", 2, one, 1), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab", 0, one, 1), 0) << "nothing to convert";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
