// M3U playlists: what the reader takes from them, the faults it names, and velm-sim's use.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "sim/Log.h"
#include "sim/Playlist.h"
#include "support/SimRunner.h"

namespace {

std::vector<testbed::Entry> Read(const std::string& text, bool utf8 = false) {
    std::vector<testbed::Entry> entries;
    sim::PlaylistError error;
    EXPECT_TRUE(sim::ReadM3u(text, utf8, entries, error))
        << "line " << error.line << ", column " << error.column << ": " << error.message;
    return entries;
}

sim::PlaylistError Fault(const std::string& text, bool utf8 = false) {
    std::vector<testbed::Entry> entries;
    sim::PlaylistError error;
    EXPECT_FALSE(sim::ReadM3u(text, utf8, entries, error)) << "expected a fault in: " << text;
    return error;
}

void ExpectEntry(const testbed::Entry& entry, const std::string& title, int seconds) {
    EXPECT_EQ(entry.title, title);
    EXPECT_EQ(entry.lengthSeconds, seconds) << "length of " << title;
}

TEST(M3u, ExtendedEntriesGiveTitleAndLengthPlainOnesTheFileName) {
    auto entries = Read(
        "#EXTM3U\r\n"
        "#EXTINF:185,Velm Quartet - Morning on the Lake\r\n"
        "music/Velm Quartet/01 Morning.mp3\r\n"
        "\r\n"
        "# a remark between entries\r\n"
        "../other/Backlight Serenade.ogg\r\n"
        "#EXTINF:-1,Radio Stream\r\n"
        "http://example.invalid/stream\r\n"
        "  #EXTINF: 59.7 tvg-id=\"x\", Nine Volts - M1 M2 M3 \r\n"
        "C:\\Music\\Nine Volts\\m1m2m3.flac\r\n"
        "#EXTINF:12,\r\n"
        "D:\\Music\\No Title Given.wav\r\n"
        "#EXTINF:-5,Negative\r\n"
        "n.mp3\r\n");
    ASSERT_EQ(entries.size(), 6u);
    ExpectEntry(entries[0], "Velm Quartet - Morning on the Lake", 185);
    ExpectEntry(entries[1], "Backlight Serenade", 0);  // the player knows no length yet
    ExpectEntry(entries[2], "Radio Stream", 0);        // -1: a length nobody knows
    ExpectEntry(entries[3], "Nine Volts - M1 M2 M3", 59);
    ExpectEntry(entries[4], "No Title Given", 12);
    ExpectEntry(entries[5], "Negative", 0);  // any negative length is unknown
}

TEST(M3u, TitleFromPathKeepsWhatItCannotShorten) {
    EXPECT_EQ(sim::TitleFromPath("a/b.c/song"), "song");
    EXPECT_EQ(sim::TitleFromPath(".hidden"), ".hidden");
    EXPECT_EQ(sim::TitleFromPath("dir/"), "dir/") << "no file name: the path itself";
}

// Titles reach the player as UTF-8 with every character: from UTF-8 as they are, from an older
// player's Windows-1252 converted.
TEST(M3u, TitlesInEveryEncodingBecomeUtf8) {
    // "Björk – Jóga € 日本" in UTF-8: an en dash and the euro sign, and characters beyond
    // any 8-bit code page.
    const std::string title =
        "Bj\xC3\xB6rk \xE2\x80\x93 J\xC3\xB3ga \xE2\x82\xAC \xE6\x97\xA5\xE6\x9C\xAC";
    std::string text = "#EXTINF:200," + title + "\nsong.mp3\n";
    auto utf8 = Read(text, true);
    ASSERT_EQ(utf8.size(), 1u);
    EXPECT_EQ(utf8[0].title, title);
    EXPECT_EQ(Read("\xEF\xBB\xBF" + text, false)[0].title, title) << "after the UTF-8 mark";
    EXPECT_EQ(Read(text, false)[0].title, title) << "an .m3u that is well-formed UTF-8";
    auto western = Read("#EXTINF:1,Bj\xF6rk \x96 \x80\nx.mp3\n", false);
    ASSERT_EQ(western.size(), 1u);
    EXPECT_EQ(western[0].title, "Bj\xC3\xB6rk \xE2\x80\x93 \xE2\x82\xAC")
        << "an .m3u that is no UTF-8 is Windows-1252";
    sim::PlaylistError broken = Fault("#EXTINF:1,ab\xC3\nz.mp3\n", true);
    EXPECT_EQ(broken.line, 1);
    EXPECT_EQ(broken.column, 13);
    EXPECT_NE(broken.message.find("not a text file"), std::string::npos) << broken.message;
}

TEST(M3u, MalformedInfoLinesAreNamedByLineAndColumn) {
    sim::PlaylistError notNumber = Fault("#EXTM3U\n#EXTINF:abc,Title\nsong.mp3\n");
    EXPECT_EQ(notNumber.line, 2);
    EXPECT_EQ(notNumber.column, 9);
    EXPECT_NE(notNumber.message.find("'abc'"), std::string::npos) << notNumber.message;

    sim::PlaylistError glued = Fault("song.mp3\n  #EXTINF:12x,Title\n");
    EXPECT_EQ(glued.line, 2);
    EXPECT_EQ(glued.column, 11) << "counted in the line as written, blanks included";

    sim::PlaylistError noComma = Fault("#EXTINF:12 Title\n");
    EXPECT_EQ(noComma.line, 1);
    EXPECT_NE(noComma.message.find("','"), std::string::npos) << noComma.message;

    Fault("#EXTINF:-,x\n");
    Fault("#EXTINF:,x\n");

    sim::PlaylistError binary =
        Fault(std::string("\x7F"
                          "ELF\x02\x01\n\0\0",
                          9));
    EXPECT_EQ(binary.line, 1);
    EXPECT_EQ(binary.column, 1);
    EXPECT_EQ(binary.message, "not a text file (it holds the byte 0x7F)");
}

TEST(M3u, TheLogWritesThePlayersTextAsUtf8) {
    EXPECT_EQ(sim::JsonString("\xE2\x80\x93 Caf\xC3\xA9 \xE6\x97\xA5\xC2\x81\x01\xFF\""),
              "\"\xE2\x80\x93 Caf\xC3\xA9 \xE6\x97\xA5\\u0081\\u0001\\ufffd\\\"\"")
        << "characters as they are; controls, C1 ones too, by their code; a stray byte as U+FFFD";
}

using simrunner::RunSim;
using simrunner::SimRun;

TEST(M3u, VelmSimPlaysThePlaylistOrRefusesItBeforeLoadingThePlugin) {
    std::string dir = ::testing::TempDir();
    std::string good = dir + "/good" + std::to_string(getpid()) + ".m3u";
    std::string bad = dir + "/bad" + std::to_string(getpid()) + ".m3u";
    good += "8";  // UTF-8, with an en dash
    std::ofstream(good)
        << "#EXTM3U\n#EXTINF:3,First Song\na.mp3\n#EXTINF:100,Second \xE2\x80\x93 Song\nb.mp3\n";
    std::ofstream(bad) << "#EXTM3U\n\n#EXTINF:1:30,Title\na.mp3\n";

    SimRun run = RunSim("--playlist " + good + " -e 'wait 3500' --log -");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("\"result\":\"1. First Song - Winamp\""), std::string::npos)
        << "expected the first entry's caption";
    EXPECT_NE(run.output.find("\"result\":\"2. Second \xE2\x80\x93 Song - Winamp\""),
              std::string::npos)
        << "expected the player to move on after the 3 s of the first entry, its dash in UTF-8";

    // A plug-in path that cannot load shows that the refusal comes first.
    SimRun missing = RunSim("--plugin /no/plugin.so --playlist /no/such/list.m3u -e 'wait 1'");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.output.find("/no/such/list.m3u"), std::string::npos) << missing.output;
    EXPECT_EQ(missing.output.find("plug-in"), std::string::npos) << missing.output;

    SimRun malformed = RunSim("--plugin /no/plugin.so --playlist " + bad + " -e 'wait 1'");
    EXPECT_EQ(malformed.status, 2);
    EXPECT_NE(malformed.output.find(bad + ": line 3, column 9: '1:30'"), std::string::npos)
        << malformed.output;
    std::remove(good.c_str());
    std::remove(bad.c_str());
}

}  // namespace
