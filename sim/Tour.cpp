#include "sim/Tour.h"

#include "sim/Playlist.h"

namespace sim {
namespace {

// The first track is short, so that the player moves on by itself during the tour.
constexpr char kTourPlaylist[] =
    "#EXTM3U\n"
    "#EXTINF:16,Velm Quartet - Morning on the Lake\n"
    "music/Velm Quartet/Morning on the Lake.mp3\n"
    "#EXTINF:242,The Soft Buttons - Backlight Serenade\n"
    "music/The Soft Buttons/Backlight Serenade.mp3\n"
    "#EXTINF:59,Nine Volts - M1 M2 M3\n"
    "music/Nine Volts/M1 M2 M3.mp3\n"
    "#EXTINF:3600,Lisa Marquee - A Title Long Enough To Scroll Across The Little Screen\n"
    "music/Lisa Marquee/A Title Long Enough.mp3\n"
    "#EXTINF:131,Tahoma Seven - Small Print\n"
    "music/Tahoma Seven/Small Print.mp3\n";

constexpr char kTourScript[] =
    "# Now playing: title, times, position bar, spectrum; the M-key LEDs follow the music.\n"
    "wait 3000\n"
    "# The playlist screen, the playing entry highlighted.\n"
    "soft 2\n"
    "wait 1500\n"
    "# The volume screen: the player's volume, then wave, then master.\n"
    "soft 3\n"
    "wait 1000\n"
    "soft 3\n"
    "wait 1000\n"
    "soft 3\n"
    "wait 1000\n"
    "soft 1\n"
    "wait 1500\n"
    "# Another program turns the master volume: a volume alert, gone after 3 s.\n"
    "volume master 52428\n"
    "wait 4000\n"
    "# The first track ends by itself: a song alert.\n"
    "wait 3000\n"
    "# The long title scrolls.\n"
    "track 4\n"
    "wait 4000\n"
    "# The settings list.\n"
    "soft 4\n"
    "wait 2000\n"
    "soft 1\n"
    "wait 2000\n";

}  // namespace

const char* TourScript() {
    return kTourScript;
}

std::vector<testbed::Entry> TourPlaylist() {
    std::vector<testbed::Entry> entries;
    PlaylistError ignored;
    ReadM3u(kTourPlaylist, false, entries, ignored);
    return entries;
}

}  // namespace sim
