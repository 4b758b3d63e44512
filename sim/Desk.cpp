#include "sim/Desk.h"

#include <algorithm>

#include "hostwin/control/clock.h"
#include "hostwin/control/desktop.h"
#include "sim/Simulation.h"
#include "testbed/Keyboard.h"
#include "testbed/LcdService.h"
#include "testbed/Mixer.h"

namespace sim {
namespace {

// How long a tapped soft button is drawn down, in simulated ms.
constexpr uint32_t kPressShownMs = 250;
// Windows turns the master volume by 2 % for each press of a volume key that nobody took.
constexpr int kSystemVolumeStep = 65535 / 50;
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

Desk::Desk(Simulation& simulation) : simulation_(simulation) {
    hwc::SetPassedKeySink([this](DWORD vk, bool down) { OnPassedKey(vk, down); });
}

Desk::~Desk() {
    hwc::SetPassedKeySink(nullptr);
}

// What the rest of the desktop does with a media key the plug-in let pass: Windows turns the
// master volume, and the player pauses or plays.
void Desk::OnPassedKey(DWORD vk, bool down) {
    if (!down)
        return;
    if (vk == VK_VOLUME_UP || vk == VK_VOLUME_DOWN) {
        testbed::Mixer& mixer = simulation_.mixer();
        long long value = mixer.Volume(testbed::MixerLine::Master);
        value += vk == VK_VOLUME_UP ? kSystemVolumeStep : -kSystemVolumeStep;
        mixer.SetVolume(testbed::MixerLine::Master,
                        static_cast<DWORD>(std::clamp(value, 0LL, 65535LL)));
    } else if (vk == VK_MEDIA_PLAY_PAUSE) {
        testbed::Player& player = simulation_.player();
        switch (player.State()) {
            case testbed::PlayState::Playing:
                player.SetPaused(true);
                break;
            case testbed::PlayState::Paused:
                player.SetPaused(false);
                break;
            case testbed::PlayState::Stopped:
                player.Play();
                break;
        }
    }
}

void Desk::Key(DWORD vk) {
    hwc::InjectKey(vk, true);
    hwc::InjectKey(vk, false);
}

void Desk::Ctrl(DWORD vk, bool& held) {
    held = !held;
    hwc::InjectKey(vk, held);
}

void Desk::Track(int step) {
    testbed::Player& player = simulation_.player();
    int count = player.PlaylistLength();
    if (count == 0)
        return;
    player.PlayEntry(std::clamp(player.CurrentEntry() + step, 0, count - 1));
}

void Desk::TurnSystemVolume(bool wave, int step) {
    testbed::MixerLine line = wave ? testbed::MixerLine::Wave : testbed::MixerLine::Master;
    testbed::Mixer& mixer = simulation_.mixer();
    long long value = static_cast<long long>(mixer.Volume(line)) + step;
    mixer.SetVolume(line, static_cast<DWORD>(std::clamp(value, 0LL, 65535LL)));
}

void Desk::Act(Action action) {
    testbed::LcdService& lcd = simulation_.lcdService();
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
            Key(VK_VOLUME_UP);
            break;
        case Action::VolumeDown:
            Key(VK_VOLUME_DOWN);
            break;
        case Action::PlayPause:
            Key(VK_MEDIA_PLAY_PAUSE);
            break;
        case Action::LeftCtrl:
            Ctrl(VK_LCONTROL, leftCtrl_);
            break;
        case Action::RightCtrl:
            Ctrl(VK_RCONTROL, rightCtrl_);
            break;
        case Action::NextTrack:
            Track(1);
            break;
        case Action::PreviousTrack:
            Track(-1);
            break;
        case Action::ScreenSaver:
            hwc::SetScreenSaverRunning(!hwc::ScreenSaverRunning());
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
    testbed::LcdService& lcd = simulation_.lcdService();
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
    if (testbed::Keyboard* keyboard = simulation_.keyboard()) {
        view.keyboard = true;
        view.mkeys = keyboard->Mkeys();
        view.light1 = keyboard->Selector1();
        view.light2 = keyboard->Selector2();
    }
    view.leftCtrl = leftCtrl_;
    view.rightCtrl = rightCtrl_;
    testbed::Player& player = simulation_.player();
    view.entries = player.PlaylistLength();
    int entry = player.CurrentEntry();
    view.entry = view.entries ? entry + 1 : 0;
    testbed::Entry playing = player.EntryAt(entry);
    view.title = playing.title;
    view.state = player.State();
    view.elapsedMs = player.ElapsedMs();
    view.lengthSeconds = playing.lengthSeconds;
    view.playerVolume = player.Volume();
    testbed::Mixer& mixer = simulation_.mixer();
    view.mixer = mixer.Present();
    view.wave = mixer.Volume(testbed::MixerLine::Wave);
    view.master = mixer.Volume(testbed::MixerLine::Master);
    view.saver = hwc::ScreenSaverRunning();
    return view;
}

}  // namespace sim
