#include "sim/Desk.h"

#include <algorithm>

#include "hostwin/control/clock.h"
#include "hostwin/control/desktop.h"
#include "sim/Commands.h"
#include "sim/Script.h"
#include "sim/Simulation.h"
#include "testbed/SimulatedKeyboard.h"
#include "testbed/SimulatedLcdService.h"
#include "testbed/SoundCard.h"

namespace sim {
namespace {

// How long a tapped soft button is drawn down, in simulated ms.
constexpr uint32_t kPressShownMs = 250;
// Another program's turn of a system volume in the interactive mode: a tenth.
constexpr int kOtherProgramStep = 65535 / 10;

}  // namespace

const char* ScreenName(Screen screen) {
    switch (screen) {
        case Screen::NowPlaying:
            return "now playing";
        case Screen::Volume:
            return "volume";
        case Screen::Playlist:
            return "playlist";
        case Screen::Settings:
            return "settings";
        default:
            return "unknown";
    }
}

std::array<SoftButtonView, 4> SoftButtonsOn(Screen screen) {
    std::array<SoftButtonView, 4> buttons{{
        {"Now playing", screen == Screen::NowPlaying, false},
        {"Playlist", screen == Screen::Playlist, false},
        {"Volume", false, false},
        {"Settings", false, false},
    }};
    if (screen == Screen::Volume)
        buttons[2] = {"Next volume", true, false};
    if (screen == Screen::Settings)
        buttons[3] = {"First setting", true, false};
    return buttons;
}

Desk::Desk(Simulation& simulation) : simulation_(simulation) {}

// The keyboard's keys go the way of the script's key commands, so that they are logged alike
// and reach the hooks and, when passed on, the simulated system.
void Desk::Command(const std::string& line) {
    std::vector<sim::Command> commands = ParseScript(line, false);
    ScriptError error;
    if (commands.size() == 1 &&
        CheckScript(commands, {simulation_.player().PlaylistLength()}, error))
        FindCommand(commands[0].name)->run(simulation_, commands[0]);
}

void Desk::Track(int step) {
    testbed::SimulatedPlayer& player = simulation_.player();
    int count = player.PlaylistLength();
    if (count == 0)
        return;
    player.PlayEntry(std::clamp(player.CurrentEntry() + step, 0, count - 1));
}

void Desk::TurnSystemVolume(bool wave, int step) {
    testbed::SoundCardLine line =
        wave ? testbed::SoundCardLine::Wave : testbed::SoundCardLine::Master;
    testbed::SoundCard& mixer = simulation_.mixer();
    long long value = static_cast<long long>(mixer.Volume(line)) + step;
    mixer.SetVolume(line, static_cast<DWORD>(std::clamp(value, 0LL, 65535LL)));
}

void Desk::Act(Action action) {
    testbed::SimulatedLcdService& lcd = simulation_.lcdService();
    switch (action) {
        case Action::Soft1:
        case Action::Soft2:
        case Action::Soft3:
        case Action::Soft4: {
            int n = static_cast<int>(action) - static_cast<int>(Action::Soft1);
            lcd.Tap(1u << n);
            pressedAt_[n] = simulation_.Now();
            pressed_[n] = true;
            break;
        }
        case Action::VolumeUp:
            Command("key volup");
            break;
        case Action::VolumeDown:
            Command("key voldown");
            break;
        case Action::PlayPause:
            Command("key play");
            break;
        case Action::LeftCtrl:
            leftCtrl_ = !leftCtrl_;
            Command(leftCtrl_ ? "ctrl left down" : "ctrl left up");
            break;
        case Action::RightCtrl:
            rightCtrl_ = !rightCtrl_;
            Command(rightCtrl_ ? "ctrl right down" : "ctrl right up");
            break;
        case Action::NextTrack:
            Track(1);
            break;
        case Action::PreviousTrack:
            Track(-1);
            break;
        case Action::ScreenSaver:
            control::SetScreenSaverRunning(!control::ScreenSaverRunning());
            break;
        case Action::WaveUp:
            TurnSystemVolume(true, kOtherProgramStep);
            break;
        case Action::WaveDown:
            TurnSystemVolume(true, -kOtherProgramStep);
            break;
        case Action::MasterUp:
            TurnSystemVolume(false, kOtherProgramStep);
            break;
        case Action::MasterDown:
            TurnSystemVolume(false, -kOtherProgramStep);
            break;
        case Action::Replug:
            if (lcd.Plugged())
                lcd.Unplug();
            else
                lcd.Plug();
            break;
        case Action::None:
        case Action::Quit:
            break;
    }
}

DeskView Desk::View() const {
    DeskView view;
    view.now = simulation_.Now();
    testbed::SimulatedLcdService& lcd = simulation_.lcdService();
    view.lcdService = lcd.Registration() == testbed::LcdRegistration::Installed;
    view.lcdPlugged = lcd.Plugged();
    testbed::LcdShownFrame frame;
    view.hasFrame = lcd.Displayed(frame);
    view.lcd = view.hasFrame ? MaskOf(frame.pixels) : LitMask(kLcdWidth * kLcdHeight, 0);
    view.priority = view.hasFrame ? frame.priority : 0;
    int screen = simulation_.PluginScreen();
    view.screen = screen >= 0 && screen <= 3 ? static_cast<Screen>(screen) : Screen::Unknown;
    view.buttons = SoftButtonsOn(view.screen);
    for (int n = 0; n < 4; ++n)
        view.buttons[n].down = pressed_[n] && view.now - pressedAt_[n] < kPressShownMs;
    if (testbed::SimulatedKeyboard* keyboard = simulation_.keyboard()) {
        view.keyboard = true;
        view.mkeys = keyboard->Mkeys();
        view.light1 = keyboard->Selector1();
        view.light2 = keyboard->Selector2();
    }
    view.leftCtrl = leftCtrl_;
    view.rightCtrl = rightCtrl_;
    testbed::SimulatedPlayer& player = simulation_.player();
    view.entries = player.PlaylistLength();
    int entry = player.CurrentEntry();
    view.entry = view.entries ? entry + 1 : 0;
    testbed::Entry playing = player.EntryAt(entry);
    view.title = playing.title;
    view.state = player.State();
    view.elapsedMs = player.ElapsedMs();
    view.lengthSeconds = playing.lengthSeconds;
    view.playerVolume = player.Volume();
    testbed::SoundCard& mixer = simulation_.mixer();
    view.mixer = mixer.Present();
    view.wave = mixer.Volume(testbed::SoundCardLine::Wave);
    view.master = mixer.Volume(testbed::SoundCardLine::Master);
    view.saver = control::ScreenSaverRunning();
    return view;
}

}  // namespace sim
