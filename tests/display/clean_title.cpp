// The player's caption becomes the title the screen shows.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "display/NowPlayingScreen.h"

namespace {

std::string Cleaned(const char* caption) {
    char title[512];
    std::strncpy(title, caption, sizeof title - 1);
    title[sizeof title - 1] = '\0';
    CleanTitle(title);
    return title;
}

TEST(CleanTitle, DropsPlaylistNumberAndPlayerSuffix) {
    EXPECT_EQ(Cleaned("12. Artist - Song - Winamp"), "Artist - Song");
    EXPECT_EQ(Cleaned("12. Artist - Song - Winamp [Paused]"), "Artist - Song");
    EXPECT_EQ(Cleaned("3. Song - Winamp"), "Song");
    EXPECT_EQ(Cleaned("Song - Winamp"), "Song");
    EXPECT_EQ(Cleaned("4. \xE6\x97\xA5\xE6\x9C\xAC - Winamp [Paused]"), "\xE6\x97\xA5\xE6\x9C\xAC")
        << "a title in UTF-8";
}

TEST(CleanTitle, KeepsWhatDoesNotMatchExactly) {
    EXPECT_EQ(Cleaned(" - Winamp"), " - Winamp") << "exactly the suffix is not cut";
    EXPECT_EQ(Cleaned(" - Winamp [Paused]"), " - Winamp [Paused]");
    EXPECT_EQ(Cleaned("12.Song"), "12.Song") << "no blank after the full stop";
    EXPECT_EQ(Cleaned("Song - winamp"), "Song - winamp") << "the suffix is compared with case";
    EXPECT_EQ(Cleaned(""), "");
}

TEST(CleanTitle, FullStopAndBlankWithoutDigitsAreDropped) {
    EXPECT_EQ(Cleaned(". Song"), "Song");
    EXPECT_EQ(Cleaned("7. "), "");
}

TEST(CleanTitle, OnlyTheLeadingNumberGoes) {
    EXPECT_EQ(Cleaned("1. 2. Two Numbers - Winamp"), "2. Two Numbers");
    EXPECT_EQ(Cleaned("99 Luftballons - Winamp"), "99 Luftballons");
}

}  // namespace
