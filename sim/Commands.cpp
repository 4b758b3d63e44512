#include "sim/Commands.h"

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "hostwin/control/desktop.h"
#include "sim/ErrorOutput.h"
#include "sim/Pictures.h"
#include "sim/Simulation.h"
#include "testbed/SoundCard.h"
#include "testbed/SimulatedLcdService.h"
#include "testbed/SimulatedPlayer.h"
#include "sim/Log.h"

namespace sim {
namespace {

// A whole non-negative decimal number within [low, high].
bool ParseNumber(const std::string& text, long long low, long long high, long long& value) {
    if (text.empty() || text.size() > 12)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    value = std::strtoll(text.c_str(), nullptr, 10);
    return value >= low && value <= high;
}

std::function<std::string(const Command&)> Numbers(size_t count, long long low, long long high) {
    return [=](const Command& c) -> std::string {
        if (c.args.size() != count)
            return "expects " + std::to_string(count) + " argument" + (count == 1 ? "" : "s");
        long long value;
        for (const auto& arg : c.args)
            if (!ParseNumber(arg, low, high, value))
                return "'" + arg + "' is not a number from " + std::to_string(low) + " to " +
                       std::to_string(high);
        return "";
    };
}

std::function<std::string(const Command&)> OneOf(std::vector<std::string> choices) {
    return [=](const Command& c) -> std::string {
        std::string list;
        for (const auto& choice : choices)
            list += (list.empty() ? "" : "|") + choice;
        if (c.args.size() != 1)
            return "expects one of " + list;
        for (const auto& choice : choices)
            if (c.args[0] == choice)
                return "";
        return "'" + c.args[0] + "' is not one of " + list;
    };
}

std::string NoArguments(const Command& c) {
    return c.args.empty() ? "" : "takes no arguments";
}

long long Number(const std::string& text) {
    return std::strtoll(text.c_str(), nullptr, 10);
}

// Soft button N (1 to 4) as its bit.
DWORD SoftButtonBit(const Command& c) {
    return 1u << (Number(c.args[0]) - 1);
}

std::string CheckService(const Command& c) {
    if (c.args.size() == 1 && c.args[0] == "restart")
        return "";
    if (c.args.empty() || c.args[0] != "fail" || c.args.size() != 3)
        return "expects 'fail ENTRY CODE' or 'restart'";
    if (testbed::LcdEntryByName(c.args[1]) < 0) {
        std::string entries;
        for (int e = 0; e < testbed::kLcdEntryCount; ++e)
            entries += (e ? "|" : "") + std::string(testbed::LcdEntryName(e));
        return "'" + c.args[1] + "' is not one of " + entries;
    }
    long long code;
    if (!ParseNumber(c.args[2], 0, 0xFFFFFFFFLL, code))
        return "'" + c.args[2] + "' is not a result code from 0 to 4294967295";
    return "";
}

bool RunService(Simulation& s, const Command& c) {
    if (c.args[0] == "restart")
        s.lcdService().Restart();
    else
        s.lcdService().FailNext(testbed::LcdEntryByName(c.args[1]),
                                static_cast<DWORD>(Number(c.args[2])));
    return true;
}

std::string CheckSnapshot(const Command& c) {
    if (c.rest.empty())
        return "expects a file name";
    std::filesystem::path folder = std::filesystem::path(c.rest).parent_path();
    std::error_code error;
    if (!folder.empty() && !std::filesystem::is_directory(folder, error))
        return "there is no folder " + folder.string();
    return "";
}

// The frame on the LCD now, as a picture; a run whose LCD shows nothing fails here.
bool RunSnapshot(Simulation& s, const Command& c) {
    testbed::LcdShownFrame frame;
    std::string error;
    if (!s.lcdService().Displayed(frame))
        error = "the LCD shows no frame";
    else
        WritePng(c.rest, PictureOf(MaskOf(frame.pixels)), error);
    if (error.empty())
        return true;
    PrintFault(Where(c) + ": snapshot: " + error);
    return false;
}

std::string CheckExpect(const Command& c) {
    long long value;
    if (c.args.empty())
        return "expects screen N, priority P, lit X Y or dark X Y";
    const std::string& what = c.args[0];
    // Only what the plug-in can show, so that an expectation that can never hold is found
    // before the run.
    if (what == "screen") {
        if (c.args.size() != 2 || !ParseNumber(c.args[1], 0, 3, value))
            return "'screen' expects one number from 0 to 3";
        return "";
    }
    if (what == "priority") {
        if (c.args.size() != 2 || !ParseNumber(c.args[1], 0, 255, value) ||
            (value != 128 && value != 255))
            return "'priority' expects 128 (ordinary) or 255 (an alert)";
        return "";
    }
    if (what == "lit" || what == "dark") {
        if (c.args.size() != 3 || !ParseNumber(c.args[1], 0, 159, value) ||
            !ParseNumber(c.args[2], 0, 42, value))
            return "'" + what + "' expects a column from 0 to 159 and a row from 0 to 42";
        return "";
    }
    return "'" + what + "' is not one of screen, priority, lit, dark";
}

// A failed expectation ends the run with status 1 and says what came instead.
bool Expectation(const Command& c, bool held, const std::string& came) {
    if (held)
        return true;
    PrintFault(Where(c) + ": expected " + c.rest + ", but " + came);
    return false;
}

bool RunExpect(Simulation& s, const Command& c) {
    const std::string& what = c.args[0];
    if (what == "screen" || what == "priority") {
        int expected = static_cast<int>(Number(c.args[1]));
        int actual = what == "screen" ? s.PluginScreen() : s.PluginPriority();
        return Expectation(c, actual == expected,
                           "the plug-in's " + what + " is " + std::to_string(actual));
    }
    std::vector<unsigned char> pixels;
    if (!s.LastFrame(pixels))
        return Expectation(c, false, "no frame has been shown");
    int x = static_cast<int>(Number(c.args[1]));
    int y = static_cast<int>(Number(c.args[2]));
    bool lit = pixels[static_cast<size_t>(y) * 160 + x] > 128;
    return Expectation(c, lit == (what == "lit"),
                       std::string("the pixel is ") + (lit ? "lit" : "dark"));
}

// A key pressed right after a soft button comes once the plug-in has read that button and acted
// on it (two passes), as a person presses one after the other.
void AfterPendingSoftButtons(Simulation& s) {
    if (s.lcdService().OpenDevices() > 0 && s.lcdService().TapPending())
        s.Advance(100);
}

// One key event through the low-level hooks, as the system delivers it; logged with what the
// hooks did with it.
void DeliverKey(Simulation& s, DWORD vk, const std::string& name, bool down) {
    bool swallowed = control::InjectKey(vk, down);
    s.Write(Event(s.Now(), "key")
                .Add("key", name)
                .Add("action", down ? "down" : "up")
                .Add("hook", swallowed ? "swallowed" : "passed"));
}

bool RunKey(Simulation& s, const Command& c) {
    const std::string& key = c.args[0];
    DWORD vk = key == "volup"     ? VK_VOLUME_UP
               : key == "voldown" ? VK_VOLUME_DOWN
                                  : VK_MEDIA_PLAY_PAUSE;
    AfterPendingSoftButtons(s);
    DeliverKey(s, vk, key, true);
    DeliverKey(s, vk, key, false);
    return true;
}

std::string CheckCtrl(const Command& c) {
    if (c.args.size() != 2 || (c.args[0] != "left" && c.args[0] != "right") ||
        (c.args[1] != "down" && c.args[1] != "up"))
        return "expects left|right and down|up";
    return "";
}

bool RunCtrl(Simulation& s, const Command& c) {
    AfterPendingSoftButtons(s);
    bool left = c.args[0] == "left";
    DeliverKey(s, left ? VK_LCONTROL : VK_RCONTROL, left ? "ctrl-left" : "ctrl-right",
               c.args[1] == "down");
    return true;
}

// Entries "Song 1" to "Song N", three minutes each.
bool RunPlaylist(Simulation& s, const Command& c) {
    std::vector<testbed::Entry> entries;
    long long count = Number(c.args[0]);
    for (long long i = 1; i <= count; ++i)
        entries.push_back({"Song " + std::to_string(i), 180});
    s.player().SetPlaylist(std::move(entries));
    return true;
}

std::vector<CommandSpec> MakeCommands() {
    return {
        {"expect", "expect WHAT",
         "screen N (0 to 3) | priority P (128 or 255) | lit X Y | dark X Y: the run fails "
         "(status 1) unless the plug-in shows that screen or priority, or that pixel of the last "
         "frame is lit or dark",
         CheckExpect, RunExpect},
        {"wait", "wait MS", "let MS milliseconds of simulated time pass", Numbers(1, 0, INT_MAX),
         [](Simulation& s, const Command& c) { return s.Advance(Number(c.args[0])); }},
        {"track", "track N",
         "the player plays entry N of its playlist (from 1, at most its length) from the start",
         Numbers(1, 1, INT_MAX),
         [](Simulation& s, const Command& c) {
             s.player().PlayEntry(static_cast<int>(Number(c.args[0]) - 1));
             return true;
         }},
        {"pause", "pause on|off", "the player pauses or resumes", OneOf({"on", "off"}),
         [](Simulation& s, const Command& c) {
             s.player().SetPaused(c.args[0] == "on");
             return true;
         }},
        {"stop", "stop", "the player stops", NoArguments,
         [](Simulation& s, const Command&) {
             s.player().Stop();
             return true;
         }},
        {"play", "play", "the player plays its current playlist entry from the start", NoArguments,
         [](Simulation& s, const Command&) {
             s.player().Play();
             return true;
         }},
        {"volume", "volume player|wave|master V",
         "the player's volume (0 to 255), or the system's wave or master volume as another "
         "program sets it (0 to 65535), becomes V",
         [](const Command& c) -> std::string {
             if (c.args.size() != 2)
                 return "expects 'player V', 'wave V' or 'master V'";
             if (c.args[0] != "player" && c.args[0] != "wave" && c.args[0] != "master")
                 return "'" + c.args[0] + "' is not one of player|wave|master";
             long long high = c.args[0] == "player" ? 255 : 65535;
             long long v;
             if (!ParseNumber(c.args[1], 0, high, v))
                 return "'" + c.args[1] + "' is not a number from 0 to " + std::to_string(high);
             return "";
         },
         [](Simulation& s, const Command& c) {
             auto value = Number(c.args[1]);
             if (c.args[0] == "player")
                 s.player().SetVolume(static_cast<int>(value));
             else
                 s.mixer().SetVolume(c.args[0] == "wave" ? testbed::SoundCardLine::Wave
                                                         : testbed::SoundCardLine::Master,
                                     static_cast<DWORD>(value));
             return true;
         }},
        {"title", "title TEXT",
         "the current playlist entry's title becomes TEXT (in quotes when it holds '#' or ';'; "
         "\"\" is the empty title)",
         // The player's own title may be empty, and "" gives it.
         [](const Command& c) -> std::string { return c.args.empty() ? "expects a text" : ""; },
         [](Simulation& s, const Command& c) {
             s.player().SetCurrentTitle(c.rest);
             return true;
         }},
        {"saver", "saver on|off", "the system screen saver starts or ends", OneOf({"on", "off"}),
         [](Simulation&, const Command& c) {
             control::SetScreenSaverRunning(c.args[0] == "on");
             return true;
         }},
        {"visual", "visual music|silence|loud|fault",
         "the player's visual data: its music, all zeros, a wave swinging from -128 to 127, or "
         "a data function that faults",
         OneOf({"music", "silence", "loud", "fault"}),
         [](Simulation&, const Command& c) {
             const std::string& mode = c.args[0];
             testbed::SimulatedPlayer::SetVisualMode(
                 mode == "silence" ? testbed::VisualMode::Silence
                 : mode == "loud"  ? testbed::VisualMode::Loud
                 : mode == "fault" ? testbed::VisualMode::Fault
                                   : testbed::VisualMode::Music);
             return true;
         }},
        {"unplug", "unplug", "the keyboard's LCD goes away", NoArguments,
         [](Simulation& s, const Command&) {
             s.lcdService().Unplug();
             return true;
         }},
        {"plug", "plug", "the keyboard's LCD comes back", NoArguments,
         [](Simulation& s, const Command&) {
             s.lcdService().Plug();
             return true;
         }},
        {"service", "service fail ENTRY CODE|restart",
         "the LCD service's next ENTRY call (e.g. show-frame) answers CODE, or it restarts",
         CheckService, RunService},
        {"soft", "soft N", "soft button N (1 to 4) goes down for one reading and up again",
         Numbers(1, 1, 4),
         [](Simulation& s, const Command& c) {
             s.lcdService().Tap(SoftButtonBit(c));
             return true;
         }},
        {"hold", "hold N", "soft button N (1 to 4) goes down and stays down", Numbers(1, 1, 4),
         [](Simulation& s, const Command& c) {
             s.lcdService().Hold(SoftButtonBit(c));
             return true;
         }},
        {"release", "release N", "soft button N (1 to 4) comes up", Numbers(1, 1, 4),
         [](Simulation& s, const Command& c) {
             s.lcdService().Release(SoftButtonBit(c));
             return true;
         }},
        {"snapshot", "snapshot FILE", "write the frame on the LCD now as a PNG picture",
         CheckSnapshot, RunSnapshot},
        {"key", "key volup|voldown|play",
         "the media key goes down and up through the keyboard hooks; a volume key they pass on "
         "steps the system's master volume by 2 of 100, a play key they pass on makes the player "
         "play or pause; right after a soft button the key waits the 100 ms the plug-in takes "
         "to act on it",
         OneOf({"volup", "voldown", "play"}), RunKey},
        {"ctrl", "ctrl left|right down|up", "the left or right Ctrl key goes down or up", CheckCtrl,
         RunCtrl},
        {"playlist", "playlist N",
         "the player's playlist becomes N entries, \"Song 1\" to \"Song N\", and plays the first",
         Numbers(1, 0, 100000), RunPlaylist},
    };
}

}  // namespace

const std::vector<CommandSpec>& Commands() {
    static const std::vector<CommandSpec> commands = MakeCommands();
    return commands;
}

const CommandSpec* FindCommand(const std::string& name) {
    for (const auto& spec : Commands())
        if (name == spec.name)
            return &spec;
    return nullptr;
}

std::string CheckInContext(const Command& command, ScriptContext& context) {
    if (command.name == "playlist")
        context.playlistLength = static_cast<int>(Number(command.args[0]));
    if (command.name != "track" || Number(command.args[0]) <= context.playlistLength)
        return "";
    int n = context.playlistLength;
    return "there is no entry " + command.args[0] + " in a playlist of " + std::to_string(n) +
           (n == 1 ? " entry" : " entries");
}

}  // namespace sim
