// CleanTitle on any caption the player's window may carry (up to the 511 characters that the
// 512-byte buffer takes): it only ever cuts, so what is left is a piece of the caption, and it
// stays within the buffer.
#include <cstring>
#include <string>

#include "display/NowPlayingScreen.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kTitleSize = 512;
    char title[kTitleSize];
    size_t length = size < kTitleSize - 1 ? size : kTitleSize - 1;
    std::memcpy(title, data, length);
    title[length] = '\0';
    std::string caption = title;
    CleanTitle(title);
    size_t cleaned = strnlen(title, kTitleSize);
    fuzz::Expect(cleaned < kTitleSize, "the cleaned title lost its terminator");
    fuzz::Expect(cleaned <= caption.size(), "the cleaned title grew");
    fuzz::Expect(
        caption.find(title) != std::string::npos,
        "the cleaned title \"" + std::string(title) + "\" is no piece of \"" + caption + "\"");
    return 0;
}
