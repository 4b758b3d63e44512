// The now-playing screen: its time texts, the bar's position, and the whole frame.
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "display/NowPlayingScreen.h"
#include "support/DisplayHarness.h"
#include "support/FrameArt.h"

namespace {

std::string TrackLength(int seconds) {
    char text[32];
    FormatTrackLength(seconds, text, sizeof text);
    return text;
}

std::string PlayTime(int ms) {
    char text[32];
    FormatPlayTime(ms, text, sizeof text);
    return text;
}

TEST(NowPlayingTimes, TrackLengthsAsMinutesAndTwoDigitSeconds) {
    EXPECT_EQ(TrackLength(185), "3:05");
    EXPECT_EQ(TrackLength(59), "0:59");
    EXPECT_EQ(TrackLength(3600), "60:00");
    EXPECT_EQ(TrackLength(0), "");
    EXPECT_EQ(TrackLength(-7), "");
    // A length whose milliseconds do not fit 32 bits wraps as the player's count would.
    EXPECT_EQ(TrackLength(INT_MAX), "");
}

TEST(NowPlayingTimes, ElapsedTimeCutsToWholeSeconds) {
    EXPECT_EQ(PlayTime(61500), "1:01");
    EXPECT_EQ(PlayTime(999), "0:00");
    EXPECT_EQ(PlayTime(0), "");
    EXPECT_EQ(PlayTime(-1), "");
    EXPECT_EQ(PlayTime(INT_MAX), "35791:23");
    // Scaled in single precision this would round up to 16000 s and show 266:40.
    EXPECT_EQ(PlayTime(15999999), "266:39");
}

TEST(NowPlayingTimes, BarPositionIsThePercentagePlayedAndAlwaysANumber) {
    EXPECT_FLOAT_EQ(TrackPositionPercent(92500, 185), 50.0f);
    EXPECT_FLOAT_EQ(TrackPositionPercent(0, 185), 0.0f);
    EXPECT_FLOAT_EQ(TrackPositionPercent(5000, 0), 0.0f) << "a track of length 0";
    EXPECT_FLOAT_EQ(TrackPositionPercent(0, 0), 0.0f);
    EXPECT_LT(TrackPositionPercent(5000, -10), 0.0f) << "negative: the bar clamps it";
}

class NowPlaying : public DisplayHarness {
protected:
    frameart::Art LastFrame() {
        testbed::LcdShownFrame frame;
        bool shown = service->LastFrame(frame);
        EXPECT_TRUE(shown);
        return shown ? frameart::FromPixels(frame.pixels.data(), 160, 43, 160) : frameart::Art();
    }
};

// A steady screen is the same on every run and every machine with the set-up's fonts.
TEST_F(NowPlaying, SteadyScreenMatchesItsReferenceFrame) {
    Start();
    Run(4900);
    frameart::Art frame = LastFrame();
    testbed::LcdShownFrame last;
    ASSERT_TRUE(service->LastFrame(last));
    EXPECT_EQ(last.application, "Velm's G15 Winamp Plugin")
        << "the name the LCD service lists the plug-in under";
    // Prints the frame, for a new reference after a deliberate change of the screen.
    if (std::getenv("VELM_DUMP_FRAME"))
        std::fputs(frameart::Show(frame).c_str(), stderr);
    frameart::Art reference = frameart::Read(VELM_TEST_DATA "/now_playing.txt");
    ASSERT_EQ(reference.size(), 43u) << "reference frame missing";
    EXPECT_TRUE(frameart::Same(reference, frame));
}

TEST_F(NowPlaying, HalfWayThroughTheTrackTheBarIsHalfFull) {
    player->SetPlaylist({{"Short", 20}, {"Next", 20}});
    Start();
    Run(10000 - 100);
    frameart::Art art = LastFrame();
    // The bar: 114 wide at x 23; filled columns 0 to 56 of it at 50.
    EXPECT_EQ(art[40].substr(23, 57), std::string(57, '#'));
    EXPECT_EQ(art[40].substr(23 + 57, 10), std::string(10, '.'));
}

TEST_F(NowPlaying, TrackOfLengthZeroShowsNoTotalAndAnEmptyBar) {
    player->SetPlaylist({{"Endless Stream", 0}});
    Start();
    Run(3000);
    frameart::Art art = LastFrame();
    EXPECT_EQ(art[40].substr(24, 112), std::string(112, '.')) << "the bar stays empty";
    for (int y = 37; y < 43; ++y)
        EXPECT_EQ(art[y].substr(137, 23), std::string(23, '.')) << "no total time, row " << y;
    bool elapsedShown = false;
    for (int y = 37; y < 43; ++y)
        if (art[y].substr(0, 23).find('#') != std::string::npos)
            elapsedShown = true;
    EXPECT_TRUE(elapsedShown) << "the elapsed time still counts";
}

}  // namespace
