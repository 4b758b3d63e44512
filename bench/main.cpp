// The benchmarks, or with --callgrind-pass a single now-playing pass for callgrind to count:
// the world is set up and warmed up uncounted, then the collection is switched on for exactly
// one pass of this thread. --callgrind-pass japanese scrolls a Japanese title of 60 characters
// instead of the Latin one, --callgrind-pass latin a Latin title as wide as that, and
// --callgrind-pass playlist counts a pass of the playlist screen.
#include <benchmark/benchmark.h>
#include <valgrind/callgrind.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "bench/BenchWorld.h"
#include "display/ScreenState.h"

namespace {

// 60 characters, kana and kanji: "The Velm string quartet - songs of morning and night on the
// lake, ...".
const char kJapaneseTitle[] =
    "\u30f4\u30a7\u30eb\u30e0\u5f26\u697d\u56db\u91cd\u594f\u56e3 - \u6e56"
    "\u306e\u671d\u3068\u591c\u306e\u6b4c\u3001\u9759\u304b\u306a\u5c71\u3068"
    "\u9060\u3044\u6d77\u306e\u7269\u8a9e\u3001\u6625\u590f\u79cb\u51ac\u306e"
    "\u5c0f\u3055\u306a\u5149\u3068\u5f71\u3092\u96c6\u3081\u305f\u66f2\u96c6"
    "\u3001\u7b2c\u4e00\u5dfb\u3088\u308a\u5341\u4e8c\u66f2\u3002";

// How wide the title font draws a UTF-8 text, in pixels.
int TitleWidth(const std::string& text) {
    LOGFONTA lf = {};
    lf.lfHeight = -9;
    std::strcpy(lf.lfFaceName, "Tahoma");
    HFONT font = CreateFontIndirectA(&lf);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    std::u16string wide(text.size(), u'\0');
    int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    wide.data(), static_cast<int>(wide.size()));
    SIZE size = {0, 0};
    GetTextExtentPoint32W(dc, wide.data(), units, &size);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(font);
    return size.cx;
}

// A Latin title at least as wide as the Japanese one, and no wider than one more word.
std::string LatinTitleAsWideAsTheJapanese() {
    int wanted = TitleWidth(kJapaneseTitle);
    std::string title = "Lisa Marquee -";
    for (int i = 0; TitleWidth(title) < wanted; ++i)
        title += i % 2 ? " Scroll" : " Across";
    return title;
}

int CountOnePass(const char* titles) {
    bench::BenchWorld& world = bench::BenchWorld::Get();
    if (std::strcmp(titles, "japanese") == 0)
        world.SetTitle(kJapaneseTitle);
    else if (std::strcmp(titles, "latin") == 0)
        world.SetTitle(LatinTitleAsWideAsTheJapanese().c_str());
    world.Show(std::strcmp(titles, "playlist") == 0 ? kPlaylistScreen : kNowPlayingScreen);
    world.WarmUp(400);
    world.NextTick();
    CALLGRIND_TOGGLE_COLLECT;
    world.Pass();
    CALLGRIND_TOGGLE_COLLECT;
    bench::BenchWorld::TearDown();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--callgrind-pass") == 0)
        return CountOnePass(argc == 3 ? argv[2] : "");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bench::BenchWorld::TearDown();
    return 0;
}
