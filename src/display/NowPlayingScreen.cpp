#include "display/NowPlayingScreen.h"

#include <windows.h>

#include <cstring>

namespace {

// Cuts the suffix off when the title is longer than it and ends with it.
void CutSuffix(char* title, const char* suffix) {
    size_t length = std::strlen(title);
    size_t suffixLength = std::strlen(suffix);
    if (length > suffixLength && lstrcmpA(title + length - suffixLength, suffix) == 0)
        title[length - suffixLength] = '\0';
}

}  // namespace

void CleanTitle(char* title) {
    CutSuffix(title, " - Winamp");
    CutSuffix(title, " - Winamp [Paused]");
    const char* rest = title;
    while (*rest >= '0' && *rest <= '9') ++rest;
    if (rest[0] == '.' && rest[1] == ' ') std::memmove(title, rest + 2, std::strlen(rest + 2) + 1);
}
