// The ANSI code page the control side sets: every A call converts through it. The stand-in
// starts with 1252, as the Wine prefixes do.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hostwin/control/codepage.h"
#include "support/WideText.h"

namespace {

class AnsiCodePage : public ::testing::Test {
protected:
    void TearDown() override { control::SetAnsiCodePage(1252); }
};

LRESULT CALLBACK UnicodeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(hwnd, msg, wp, lp);
}

TEST_F(AnsiCodePage, SetsWhatTheACallsConvertThrough) {
    ASSERT_TRUE(control::SetAnsiCodePage(1251));
    EXPECT_EQ(GetACP(), 1251u);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = UnicodeProc;
    const WideText name = Wide("velm code page");
    wc.lpszClassName = name.c_str();
    ASSERT_NE(RegisterClassW(&wc), 0);
    HWND window = CreateWindowExW(0, name.c_str(), Wide("Кино – 日本").c_str(), 0, 0, 0, 0, 0,
                                  HWND_MESSAGE, nullptr, nullptr, nullptr);
    char text[32] = {};
    EXPECT_EQ(GetWindowTextA(window, text, sizeof text), 9);
    EXPECT_STREQ(text, "\xCA\xE8\xED\xEE \x96 ??");
    ASSERT_TRUE(control::SetAnsiCodePage(932));
    EXPECT_EQ(GetWindowTextA(window, text, sizeof text), 15);
    EXPECT_STREQ(text, "\x84\x4B\x84\x79\x84\x7E\x84\x80 ? \x93\xFA\x96\x7B")
        << "two bytes a character, and no en dash";
    EXPECT_EQ(GetWindowTextA(window, text, 13), 11) << "a character is not cut in two";
    EXPECT_STREQ(text, "\x84\x4B\x84\x79\x84\x7E\x84\x80 ? ");
    DestroyWindow(window);
    UnregisterClassW(name.c_str(), nullptr);
}

TEST_F(AnsiCodePage, AnsiTextDrawsAsTheSameCharactersInUtf16) {
    ASSERT_TRUE(control::SetAnsiCodePage(1251));
    HDC dc = CreateCompatibleDC(nullptr);
    LOGFONTA lf = {};
    lf.lfHeight = -16;
    std::strcpy(lf.lfFaceName, "Tahoma");
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE ansi = {}, wide = {};
    GetTextExtentPoint32A(dc, "\xCA\xE8\xED\xEE", 4, &ansi);
    WideText cyrillic = Wide("Кино");
    GetTextExtentPoint32W(dc, cyrillic.c_str(), 4, &wide);
    EXPECT_EQ(ansi.cx, wide.cx);
    SIZE latin = {};
    GetTextExtentPoint32A(dc, "\xDB", 1, &ansi);
    GetTextExtentPoint32W(dc, Wide("Ы").c_str(), 1, &wide);
    GetTextExtentPoint32W(dc, Wide("Û").c_str(), 1, &latin);
    EXPECT_EQ(ansi.cx, wide.cx) << "0xDB is Ы in 1251";
    EXPECT_NE(ansi.cx, latin.cx) << "not Û as in 1252";
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
}

TEST_F(AnsiCodePage, RefusesWhatCannotBeAnAnsiCodePage) {
    EXPECT_FALSE(control::SetAnsiCodePage(CP_UTF8));
    EXPECT_FALSE(control::SetAnsiCodePage(4242));
    EXPECT_EQ(GetACP(), 1252u);
}

// Windows refuses a default character, or the flag that one was used, for UTF-8 (Wine takes
// them): the stand-in refuses as Windows documents.
TEST_F(AnsiCodePage, Utf8TakesNoDefaultCharacter) {
    const WCHAR units[] = {'A', 0xD800};
    char out[8];
    BOOL used = FALSE;
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, units, 2, out, sizeof out, nullptr, &used), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, units, 2, out, sizeof out, "?", nullptr), 0);
}

}  // namespace
