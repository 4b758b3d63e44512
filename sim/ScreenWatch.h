// Which of its four screens the plug-in shows, judged from outside as a user would judge it
// from the LCD: by what the display thread asks the player for between reading the player's
// caption and showing its frame. The now-playing screen asks for the play times, the playlist
// screen for the playlist's length and entry titles, the volume screen for the player's volume
// or reads a mixer, and the settings screen asks nothing. The follow step, which asks the
// playlist position and then the length after a title change, is told apart by its position
// request.
#pragma once

#include <functional>
#include <mutex>
#include <string>

namespace sim {

enum class Screen { Unknown, NowPlaying, Volume, Playlist, Settings };
const char* ScreenName(Screen screen);  // "now playing", "volume", ...

class ScreenWatch {
public:
    // mixerReads counts the volume readings made through the mixer so far.
    explicit ScreenWatch(std::function<int()> mixerReads);

    // Every message the plug-in sends to the player, by its testbed name ("get-caption", ...).
    void OnPlayerMessage(const std::string& name);
    // A frame was shown: the pass that drew it is judged.
    void OnFrame();

    Screen Current() const;

private:
    std::function<int()> mixerReads_;
    mutable std::mutex mu_;
    bool inPass_ = false;  // a caption was read and its frame not yet shown
    bool followStep_ = false;
    int mixerReadsAtCaption_ = 0;
    Screen judged_ = Screen::Unknown;
    Screen current_ = Screen::Unknown;
};

}  // namespace sim
