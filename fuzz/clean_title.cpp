// A caption as any player may give it, in UTF-16 units (lone surrogates, controls and all, up
// to the 511 that the caption's buffer takes), taken into UTF-8 and cleaned. The UTF-8 is
// well-formed and ends within its buffer however small that is, and cleaning only ever cuts,
// so what is left is a piece of the caption.
#include <cstring>
#include <string>
#include <vector>

#include "display/Alerts.h"
#include "display/NowPlayingScreen.h"
#include "fuzz/FuzzInput.h"
#include "player/PlayerText.h"

namespace {

bool WellFormedUtf8(const char* text) {
    int length = static_cast<int>(std::strlen(text));
    return length == 0 ||
           MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, nullptr, 0) > 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    // The buffer the caller gives: mostly the title's own, sometimes one too small for it.
    int bufferSize = in.Pick(4) ? kTitleSize : 1 + in.Pick(64);
    std::vector<WCHAR> wide;
    while (!in.Empty() && wide.size() < kPlayerTextChars - 1) {
        int unit = in.Byte() << 8;
        unit |= in.Byte();
        wide.push_back(static_cast<WCHAR>(unit));
    }
    std::vector<char> title(static_cast<size_t>(bufferSize) + 1, '\x7f');
    int written = WideToUtf8(wide.data(), static_cast<int>(wide.size()), title.data(), bufferSize);
    fuzz::Expect(written >= 0 && written < bufferSize && title[written] == '\0',
                 "the UTF-8 does not end within its buffer");
    fuzz::Expect(title[bufferSize] == '\x7f', "a byte past the buffer was written");
    fuzz::Expect(WellFormedUtf8(title.data()), "the UTF-8 is not well-formed: a character was cut");
    fuzz::Expect(bufferSize < kTitleSize || wide.empty() || written > 0,
                 "a caption was lost in a buffer big enough for it");

    std::string caption = title.data();
    CleanTitle(title.data());
    size_t cleaned = std::strlen(title.data());
    fuzz::Expect(cleaned <= caption.size(), "the cleaned title grew");
    fuzz::Expect(caption.find(title.data()) != std::string::npos,
                 "the cleaned title \"" + std::string(title.data()) + "\" is no piece of \"" +
                     caption + "\"");
    return 0;
}
