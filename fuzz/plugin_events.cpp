// A random sequence of what can happen around the plug-in, run in the testbed on the
// hand-driven clock: soft buttons, media and Ctrl keys, volumes, tracks, playlists of every
// size (0 and 1 among them), a player answering nonsense, the screen saver, the LCD unplugged
// and its service failing. After every step the plug-in's state must hold its invariants;
// a crash, a hang or a bad memory access is a finding as well. One input is a few simulated
// seconds between an init and a quit, so that the fuzzer gets many runs a second.
#include <windows.h>

#include <stdlib.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "display/ScreenState.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/TempFolder.h"
#include "hostwin/control/clock.h"
#include "hostwin/control/desktop.h"
#include "hostwin/control/modules.h"
#include "lights/LightEffects.h"
#include "player/PlayerMessages.h"
#include "player/PlayerText.h"
#include "plugin/Plugin.h"
#include "settings/Settings.h"
#include "support/FreshlyLoaded.h"
#include "support/PluginInvariants.h"
#include "testbed/SimulatedKeyboard.h"
#include "testbed/SimulatedLcdService.h"
#include "testbed/SoundCard.h"
#include "testbed/SimulatedPlayer.h"

namespace {

constexpr int kMaxSteps = 32;
constexpr uint32_t kPassMs = 50;
const DWORD kKeys[] = {VK_VOLUME_UP, VK_VOLUME_DOWN, VK_MEDIA_PLAY_PAUSE,
                       VK_LCONTROL,  VK_RCONTROL,    'A'};
const DWORD kCodes[] = {ERROR_NO_MORE_ITEMS,        ERROR_SERVICE_NOT_ACTIVE,
                        ERROR_DEVICE_NOT_CONNECTED, ERROR_ALREADY_INITIALIZED,
                        RPC_S_SERVER_UNAVAILABLE,   ERROR_INVALID_HANDLE};
const int kListSizes[] = {0, 1, 2, 3, 4, 5, 9, 11, 100};
const int kNonsense[] = {INT_MIN, -1, 0, 1, 255, 256, INT_MAX - 1, INT_MAX};

// What the player answers instead of the truth, by function number; a length of -1 means no
// override.
struct Nonsense {
    int playlistLength = -1;
    int playlistPosition = INT_MIN;
    bool positionSet = false;
    int trackLength = 0;
    bool trackLengthSet = false;
    int volume = 0;
    bool volumeSet = false;
    bool nullTitles = false;
    // Units the player hands out as its caption or its entries' wide titles, as they come: lone
    // surrogates, controls, and at most the 511 a title is read to, without a terminator when
    // unterminated is set.
    std::vector<WCHAR> wideText;
    bool wideCaption = false;
    bool wideEntries = false;
    bool unterminated = false;
};

// The caption into the plug-in's buffer of size units, as a window procedure answers
// WM_GETTEXT; a careless one fills the buffer without a terminator.
LRESULT AnswerCaption(const Nonsense& n, WPARAM size, LPARAM buffer) {
    auto* out = reinterpret_cast<WCHAR*>(buffer);
    if (!out || size == 0)
        return 0;
    size_t room = n.unterminated ? size : size - 1;
    size_t count = std::min(room, n.wideText.size());
    std::copy_n(n.wideText.data(), count, out);
    if (count < size)
        out[count] = 0;
    return static_cast<LRESULT>(count);
}

// The desk, made once per process; each input starts the plug-in afresh on it.
struct Desk {
    std::unique_ptr<testbed::SimulatedLcdService> service;
    std::unique_ptr<testbed::SoundCard> mixer;
    std::unique_ptr<testbed::SimulatedKeyboard> keyboard;
    std::unique_ptr<testbed::SimulatedPlayer> player;
    std::string folder;
    std::shared_ptr<Nonsense> nonsense = std::make_shared<Nonsense>();

    Desk() {
        control::UseManualClock(1000000);
        folder = fuzz::TempFolder("events");
        service = std::make_unique<testbed::SimulatedLcdService>();
        mixer = std::make_unique<testbed::SoundCard>(true);
        keyboard = std::make_unique<testbed::SimulatedKeyboard>();
        player = std::make_unique<testbed::SimulatedPlayer>();
        g_plugin.playerWindow = player->Window();
        g_plugin.moduleInstance =
            control::RegisterNamedModule(control::WindowsPath(folder + "/gen_g15_velm.dll"));
        std::shared_ptr<Nonsense> answers = nonsense;
        player->SetAnswerOverride([answers](UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
            const Nonsense& n = *answers;
            if (msg == WM_GETTEXT && n.wideCaption) {
                result = AnswerCaption(n, wp, lp);
                return true;
            }
            if (msg != WM_USER)
                return false;
            if (lp == kPlayerPlaylistLength && n.playlistLength >= 0)
                result = n.playlistLength;
            else if (lp == kPlayerPlaylistPosition && n.positionSet)
                result = n.playlistPosition;
            else if (lp == kPlayerPlayTime && wp == 1 && n.trackLengthSet)
                result = n.trackLength;
            else if (lp == kPlayerVolume && static_cast<int>(wp) == kPlayerQueryVolume &&
                     n.volumeSet)
                result = n.volume;
            else if ((lp == kPlayerEntryTitle || lp == kPlayerEntryTitleWide) && n.nullTitles)
                result = 0;
            else if (lp == kPlayerEntryTitleWide && n.wideEntries)
                result = reinterpret_cast<LRESULT>(n.wideText.data());
            else
                return false;
            return true;
        });
    }

    // The desk as it stands between inputs: everything working, nothing pending.
    void Reset() {
        *nonsense = Nonsense();
        player->SetWideTitles(true);
        service->ClearFailures();
        service->Plug();
        service->Release(15);
        control::SetScreenSaverRunning(false);
        testbed::SimulatedPlayer::SetVisualMode(testbed::VisualMode::Music);
        player->SetPlaylist(testbed::SimulatedPlayer::DefaultPlaylist());
        player->SetVolume(200);
    }

    void CallOnPlayerThread(void (*entry)()) {
        player->CallOnPlayerThread(entry);
        if (!control::AdvanceUntil([this] { return !player->CallsPending(); }, 10000))
            fuzz::Broken("init or quit did not return");
    }
};

Desk& TheDesk() {
    static Desk* desk = new Desk;
    return *desk;
}

std::vector<testbed::Entry> Playlist(int size) {
    std::vector<testbed::Entry> entries;
    for (int i = 0; i < size; ++i)
        entries.push_back({"Entry " + std::to_string(i), 30 + i % 7 * 60});
    return entries;
}

void SetWideText(Nonsense& n, fuzz::Input& in) {
    n.wideCaption = in.Pick(2);
    n.wideEntries = in.Pick(2);
    n.unterminated = in.Pick(2);
    size_t length = n.unterminated ? kPlayerTextChars - 1 : in.Pick(80);
    n.wideText.clear();
    while (n.wideText.size() < length) {
        int unit = in.Byte() << 8;
        unit |= in.Byte();
        n.wideText.push_back(static_cast<WCHAR>(unit));
    }
    if (!n.unterminated)
        n.wideText.push_back(0);
}

void Step(Desk& desk, fuzz::Input& in) {
    switch (in.Pick(14)) {
        case 0:
            desk.service->Tap(1u << in.Pick(4));
            break;
        case 1: {
            DWORD bit = 1u << in.Pick(4);
            if (in.Pick(2))
                desk.service->Hold(bit);
            else
                desk.service->Release(bit);
            break;
        }
        case 2:
        case 3: {
            DWORD key = kKeys[in.Pick(6)];
            bool down = in.Pick(4) != 0;
            control::InjectKey(key, down);
            if (down && in.Pick(2))
                control::InjectKey(key, false);
            break;
        }
        case 4:
            desk.player->SetVolume(in.Pick(256));
            break;
        case 5:
            desk.mixer->SetVolume(
                in.Pick(2) ? testbed::SoundCardLine::Wave : testbed::SoundCardLine::Master,
                static_cast<DWORD>(in.Range(0, 65535)));
            break;
        case 6: {
            int what = in.Pick(5);
            if (what == 0)
                desk.player->PlayEntry(in.Pick(16));
            else if (what == 1)
                desk.player->SetPaused(true);
            else if (what == 2)
                desk.player->SetPaused(false);
            else if (what == 3)
                desk.player->Stop();
            else
                desk.player->Play();
            break;
        }
        case 7:
            desk.player->SetPlaylist(Playlist(kListSizes[in.Pick(9)]));
            break;
        case 8: {
            Nonsense& n = *desk.nonsense;
            switch (in.Pick(8)) {
                case 0:
                    n.playlistLength = in.Pick(2) ? -1 : kNonsense[in.Pick(8)] & INT_MAX;
                    break;
                case 1:
                    n.positionSet = in.Pick(2);
                    n.playlistPosition = kNonsense[in.Pick(8)];
                    break;
                case 2:
                    n.trackLengthSet = in.Pick(2);
                    n.trackLength = kNonsense[in.Pick(8)];
                    break;
                case 3:
                    n.volumeSet = in.Pick(2);
                    n.volume = kNonsense[in.Pick(8)];
                    break;
                case 4:
                    n.nullTitles = !n.nullTitles;
                    break;
                case 5:
                    desk.player->SetWideTitles(in.Pick(2));  // an old player, or a new one
                    break;
                default:
                    SetWideText(n, in);
                    break;
            }
            break;
        }
        case 9:
            control::SetScreenSaverRunning(in.Pick(2));
            break;
        case 10:
            if (in.Pick(2))
                desk.service->Unplug();
            else
                desk.service->Plug();
            break;
        case 11:
            desk.service->FailNext(in.Pick(testbed::kLcdEntryCount), kCodes[in.Pick(6)]);
            break;
        case 12:
            desk.service->Restart();
            break;
        default: {
            static const testbed::VisualMode kModes[] = {
                testbed::VisualMode::Music, testbed::VisualMode::Silence, testbed::VisualMode::Loud,
                testbed::VisualMode::Fault};
            testbed::SimulatedPlayer::SetVisualMode(kModes[in.Pick(4)]);
            break;
        }
    }
}

void CheckInvariants(Desk& desk, int step) {
    std::string broken = invariants::Broken(*desk.player);
    if (!broken.empty())
        fuzz::Broken("after step " + std::to_string(step) + ": " + broken);
    testbed::LcdShownFrame frame;
    if (desk.service->LastFrame(frame))
        fuzz::Expect(frame.priority == 128 || frame.priority == 255,
                     "a frame pushed at priority " + std::to_string(frame.priority));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Desk& desk = TheDesk();
    desk.Reset();
    ResetToFreshlyLoaded();
    fuzz::Input in(data, size);
    // The settings file as the first bytes make it: each setting on or off.
    {
        std::ofstream file(desk.folder + "/VelmG15.ini", std::ios::trunc);
        file << "[General]\n";
        unsigned bits = in.Byte() << 8;
        bits |= in.Byte();
        for (int i = 0; i < kSettingCount; ++i)
            file << kSettingsTable[i].key << "=" << ((bits >> i) & 1) << "\n";
    }
    desk.CallOnPlayerThread([] { g_plugin.init(); });
    for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) {
        Step(desk, in);
        uint32_t wait = kPassMs * (1 + in.Pick(4));
        if (!control::AdvanceClock(wait))
            fuzz::Broken("the world hung after step " + std::to_string(step));
        CheckInvariants(desk, step);
    }
    desk.CallOnPlayerThread([] { g_plugin.quit(); });
    fuzz::Expect(control::LiveThreadCount() == 1, "the display thread outlived quit");
    fuzz::Expect(control::HookCount() == 0, "the hook outlived quit");
    // Left as found, not only set at the start: libFuzzer runs an input again, and scans the
    // whole heap for leaks, each time one allocates more than it frees, and a desk left holding
    // the input's playlist or answers made a third of the inputs look so.
    desk.Reset();
    return 0;
}
