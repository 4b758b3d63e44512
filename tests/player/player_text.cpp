// The player's texts into UTF-8: whole characters only, whatever the room, and nothing
// malformed passed on.
#include <gtest/gtest.h>

#include <string>

#include "hostwin/control/codepage.h"
#include "player/PlayerText.h"

namespace {

std::string Utf8Of(const std::u16string& wide, int size) {
    std::string out(static_cast<size_t>(size), '\x7f');
    int written = WideToUtf8(wide.data(), static_cast<int>(wide.size()), out.data(), size);
    EXPECT_EQ(out[static_cast<size_t>(written)], '\0') << "the terminator follows the text";
    return out.substr(0, static_cast<size_t>(written));
}

TEST(PlayerText, ACutFallsBetweenCharactersNeverInOne) {
    const std::u16string title = u"a\u00e9\u65e5\U0001F3B5";  // 1, 2, 3 and 4 bytes
    EXPECT_EQ(Utf8Of(title, 11), "a\xC3\xA9\xE6\x97\xA5\xF0\x9F\x8E\xB5");
    EXPECT_EQ(Utf8Of(title, 10), "a\xC3\xA9\xE6\x97\xA5") << "no room for the whole note";
    EXPECT_EQ(Utf8Of(title, 6), "a\xC3\xA9");
    EXPECT_EQ(Utf8Of(title, 2), "a");
    EXPECT_EQ(Utf8Of(title, 1), "");
}

TEST(PlayerText, LoneSurrogatesBecomeTheReplacementCharacter) {
    EXPECT_EQ(Utf8Of(u"\xD800x\xDC00", 16), "\xEF\xBF\xBDx\xEF\xBF\xBD");
}

TEST(PlayerText, AnOldPlayersTitleIsReadInTheAnsiCodePage) {
    char out[16];
    AnsiToUtf8("\x80 \xE0", 3, out, sizeof out);
    EXPECT_STREQ(out, "\xE2\x82\xAC \xC3\xA0") << "Windows-1252";
    ASSERT_TRUE(control::SetAnsiCodePage(1251));
    AnsiToUtf8("\xE0", 1, out, sizeof out);
    control::SetAnsiCodePage(1252);
    EXPECT_STREQ(out, "\xD0\xB0") << "Cyrillic a in Windows-1251";
}

}  // namespace
