// Code pages: text between the 8-bit code pages and UTF-16.
//
// The ANSI code page is 1252 unless a test or the simulator sets another
// (hostwin/control/codepage.h). Code pages 1250, 1251, 1252, 932 and the others that glibc's
// iconv knows convert as Windows converts them, with two differences: a character that does not
// fit becomes the default character at once, as with WC_NO_BEST_FIT_CHARS (Windows first tries
// a look-alike, "A" for U+0100), and the few bytes of code page 932 that are neither a character
// nor a lead byte (0xA0, 0xFD to 0xFF) come back as U+00A0 and U+00FD to U+00FF.
#pragma once

#include "windef.h"

#ifdef __cplusplus
extern "C" {
#endif

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_NO_BEST_FIT_CHARS 0x00000400

// Invalid input (bytes that are no character, an unpaired surrogate) becomes U+FFFD, or '?' in
// an 8-bit code page; with MB_ERR_INVALID_CHARS or WC_ERR_INVALID_CHARS the call fails instead
// with ERROR_NO_UNICODE_TRANSLATION. A length of -1 takes the string with its terminator; an
// output size of 0 asks for the size needed. For CP_UTF8 the default character and
// lpUsedDefaultChar must be null.
int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar);
int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCCH lpDefaultChar,
                               LPBOOL lpUsedDefaultChar);
UINT WINAPI GetACP(void);

#ifdef __cplusplus
}
#endif
