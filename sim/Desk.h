// The simulated desk as the interactive mode shows it and as its keys change it: the LCD with
// the soft buttons under it and their meaning on the screen shown, the M-key LEDs and the two
// backlights, the player, the system volumes, the screen saver and the output priority.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "sim/Pictures.h"
#include "testbed/SimulatedPlayer.h"

namespace sim {

class Simulation;

// The plug-in's screens by their page numbers.
enum class Screen { Unknown = -1, NowPlaying = 0, Volume = 1, Playlist = 2, Settings = 3 };
const char* ScreenName(Screen screen);  // "now playing", "volume", ...

// What a key of the interactive mode does.
enum class Action {
    None,
    Soft1,
    Soft2,
    Soft3,
    Soft4,
    VolumeUp,  // the keyboard's volume keys and play/pause key
    VolumeDown,
    PlayPause,
    LeftCtrl,  // held down, or released when held
    RightCtrl,
    NextTrack,  // the player moves on or back, as a user at the player would
    PreviousTrack,
    ScreenSaver,  // starts or ends
    WaveUp,       // another program turns a system volume by a tenth
    WaveDown,
    MasterUp,
    MasterDown,
    Replug,  // the LCD is unplugged, or plugged back in
    Quit,
};

struct SoftButtonView {
    const char* label;
    bool current;  // pressing it keeps the screen shown
    bool down;     // pressed a moment ago
};

struct DeskView {
    uint32_t now = 0;        // simulated ms since the start
    bool lcdService = true;  // installed
    bool lcdPlugged = true;
    bool hasFrame = false;
    LitMask lcd;
    unsigned priority = 0;
    Screen screen = Screen::Unknown;
    std::array<SoftButtonView, 4> buttons{};
    bool keyboard = false;
    int mkeys = 0;  // a set bit darkens its LED
    int light1 = 0;
    int light2 = 0;  // level in the upper four bits
    bool leftCtrl = false, rightCtrl = false;
    int entry = 0;  // from 1
    int entries = 0;
    std::string title;
    testbed::PlayState state = testbed::PlayState::Stopped;
    int elapsedMs = 0;
    int lengthSeconds = 0;
    int playerVolume = 0;
    bool mixer = false;
    unsigned wave = 0, master = 0;
    bool saver = false;
    std::string caption;   // what the script playing says it shows
    bool touring = false;  // a script plays, and the keys are not the user's yet
};

// The soft buttons' meanings on a screen (Unknown: their usual meanings).
std::array<SoftButtonView, 4> SoftButtonsOn(Screen screen);

class Desk {
public:
    // Before the simulation runs.
    explicit Desk(Simulation& simulation);
    Desk(const Desk&) = delete;
    Desk& operator=(const Desk&) = delete;

    // While the simulation runs, between two advances of its clock.
    void Act(Action action);
    DeskView View() const;

private:
    void Command(const std::string& line);
    void Track(int step);
    void TurnSystemVolume(bool wave, int step);

    Simulation& simulation_;
    bool leftCtrl_ = false, rightCtrl_ = false;
    std::array<uint32_t, 4> pressedAt_{};
    std::array<bool, 4> pressed_{};
};

}  // namespace sim
