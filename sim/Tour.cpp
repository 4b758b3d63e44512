#include "sim/Tour.h"

#include "sim/Playlist.h"

namespace sim {
namespace {

constexpr char kTourPlaylist[] =
    "#EXTM3U\n"
    "#EXTINF:185,Velm Quartet - Morning on the Lake\n"
    "music/Velm Quartet/Morning on the Lake.mp3\n"
    "#EXTINF:242,The Soft Buttons - Backlight Serenade\n"
    "music/The Soft Buttons/Backlight Serenade.mp3\n"
    "#EXTINF:59,Nine Volts - M1 M2 M3\n"
    "music/Nine Volts/M1 M2 M3.mp3\n"
    "#EXTINF:3600,Lisa Marquee - A Title Long Enough To Scroll Across The Little Screen\n"
    "music/Lisa Marquee/A Title Long Enough.mp3\n"
    "#EXTINF:131,Tahoma Seven - Small Print\n"
    "music/Tahoma Seven/Small Print.mp3\n"
    "#EXTINF:214,\u30f4\u30a7\u30eb\u30e0\u56db\u91cd\u594f - \u6e56\u306e\u671d\n"
    "music/velm-jp.mp3\n"
    "#EXTINF:198,\u039a\u03bf\u03c5\u03b1\u03c1\u03c4\u03ad\u03c4\u03bf \u0392\u03b5\u03bb\u03bc - "
    "\u03a0\u03c1\u03c9\u03b9\u03bd\u03cc\n"
    "music/velm-el.mp3\n"
    "#EXTINF:240,\u041a\u0432\u0430\u0440\u0442\u0435\u0442 \u0412\u0435\u043b\u044c\u043c - "
    "\u0423\u0442\u0440\u043e\n"
    "music/velm-ru.mp3\n"
    "#EXTINF:176,\ubca8\ub984 \uc0ac\uc911\uc8fc - \ud638\uc218\uc758 \uc544\uce68\n"
    "music/velm-ko.mp3\n";

// About half a minute of simulated time; each comment is the caption of the commands below it.
constexpr char kTourScript[] =
    "# Now playing: title, times, position bar, spectrum; the M-key LEDs follow the music.\n"
    "wait 3000\n"
    "# The playlist: the volume keys move the highlight, play/pause plays it.\n"
    "soft 2\n"
    "wait 1200\n"
    "key volup\n"
    "wait 500\n"
    "key volup\n"
    "wait 800\n"
    "# A song alert: the new title comes at the raised priority.\n"
    "key play\n"
    "wait 1500\n"
    "# The volume screen: the volume keys step the player's volume.\n"
    "soft 3\n"
    "wait 800\n"
    "key voldown\n"
    "wait 250\n"
    "key voldown\n"
    "wait 250\n"
    "key voldown\n"
    "wait 800\n"
    "# Button 3 again: the wave volume, then the master volume.\n"
    "soft 3\n"
    "wait 1000\n"
    "soft 3\n"
    "wait 1000\n"
    "soft 1\n"
    "wait 1500\n"
    "# Another program turns the master volume: a volume alert, gone after 3 s.\n"
    "volume master 52428\n"
    "wait 4000\n"
    "# The settings list; both Ctrl keys held show its two hidden items.\n"
    "soft 4\n"
    "wait 1000\n"
    "ctrl left down\n"
    "ctrl right down\n"
    "wait 300\n"
    "key volup\n"
    "wait 200\n"
    "key volup\n"
    "wait 200\n"
    "key volup\n"
    "wait 200\n"
    "key volup\n"
    "wait 200\n"
    "key volup\n"
    "wait 200\n"
    "key volup\n"
    "wait 200\n"
    "key volup\n"
    "wait 200\n"
    "key volup\n"
    "wait 200\n"
    "key volup\n"
    "wait 200\n"
    "key volup\n"
    "wait 200\n"
    "wait 1000\n"
    "# Ctrl released: the list pulls back to the items it always shows.\n"
    "ctrl left up\n"
    "ctrl right up\n"
    "wait 1500\n"
    "# Back to now playing; a long title scrolls.\n"
    "soft 1\n"
    "track 4\n"
    "wait 6000\n"
    "# Titles in every script: a Japanese one comes at the raised priority.\n"
    "track 6\n"
    "wait 3500\n"
    "# The playlist in Japanese, Greek, Cyrillic and Korean.\n"
    "track 9\n"
    "soft 2\n"
    "wait 2500\n";

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
