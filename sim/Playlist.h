// Playlists from M3U files, so that the simulated player plays the user's own music: plain M3U
// (one path per line) and extended M3U, whose "#EXTINF:<seconds>,<title>" line gives the title
// and the length of the path that follows it.
#pragma once

#include <string>
#include <vector>

#include "testbed/SimulatedPlayer.h"

namespace sim {

struct PlaylistError {
    int line = 0;
    int column = 0;  // from 1
    std::string message;
};

// Reads the text of an M3U file into titles in UTF-8. A path without "#EXTINF" is titled by its
// file name without folder and extension, with an unknown length (0). With utf8 (a ".m3u8"
// file) or the UTF-8 mark the text must be UTF-8; otherwise it is read as UTF-8 where it is
// well-formed UTF-8 and else as Windows-1252, which older players wrote. A negative length in
// "#EXTINF" is unknown (0). False, with the place of the first fault, on a malformed "#EXTINF"
// line, a control character that no text holds, or UTF-8 text that is not well-formed.
bool ReadM3u(const std::string& text, bool utf8, std::vector<testbed::Entry>& entries,
             PlaylistError& error);

// Reads the file; a file that cannot be read is an error at line 0 whose message says why.
bool ReadM3uFile(const std::string& path, std::vector<testbed::Entry>& entries,
                 PlaylistError& error);

// What the player shows for a path without a title: the file name without folder and extension.
std::string TitleFromPath(const std::string& path);

}  // namespace sim
