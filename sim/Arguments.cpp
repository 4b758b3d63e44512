#include "sim/Arguments.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "hostwin/control/codepage.h"
#include "sim/Commands.h"
#include "sim/Log.h"
#include "sim/Watchdog.h"

namespace sim {
namespace {

constexpr size_t kHelpWidth = 80;

struct OptionSpec {
    const char* name;   // "--script", "-e"
    const char* alias;  // "-h" for --help; null for none
    const char* value;  // "FILE"; null for an option without a value
    const char* needs;  // what the value must be, for the message when it is missing
    const char* help;
    // Takes the option with its value ("" for one without); returns false when the value is not
    // what it needs.
    bool (*apply)(Arguments& a, const std::string& value);
};

bool ReadVolume(Arguments& a, const std::string& v) {
    if (v.empty() || v.size() > 3 || v.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(v) > 255)
        return false;
    a.options.playerVolume = std::stoi(v);
    return true;
}

// One the stand-in can convert through, checked here so that a bad one is refused before the
// plug-in is loaded.
bool ReadCodePage(Arguments& a, const std::string& v) {
    if (v.empty() || v.size() > 5 || v.find_first_not_of("0123456789") != std::string::npos)
        return false;
    unsigned codePage = static_cast<unsigned>(std::stoul(v));
    UINT previous = GetACP();
    bool known = codePage != CP_UTF8 && control::SetAnsiCodePage(codePage);
    control::SetAnsiCodePage(previous);
    a.options.ansiCodePage = codePage;
    return known;
}

bool ReadLogEvents(Arguments& a, const std::string& v) {
    a.options.logEvents.clear();
    for (size_t at = 0; at <= v.size();) {
        size_t comma = std::min(v.find(',', at), v.size());
        std::string name = v.substr(at, comma - at);
        if (!LogEventNames().count(name))
            return false;
        a.options.logEvents.insert(name);
        at = comma + 1;
    }
    return true;
}

constexpr OptionSpec kOptions[] = {
    {"--script", nullptr, "FILE", "a file",
     "run the commands in FILE, one per line ('-' reads them from standard input), UTF-8 "
     "text or UTF-16 with its mark; --script and -e may be given more than once, and all of "
     "them run, in the order given",
     [](Arguments& a, const std::string& v) {
         a.script.push_back({true, v});
         return true;
     }},
    {"-e", nullptr, "COMMANDS", "commands", "run COMMANDS, separated by ';'",
     [](Arguments& a, const std::string& v) {
         a.script.push_back({false, v});
         return true;
     }},
    {"--demo", nullptr, nullptr, nullptr,
     "the built-in tour: on the desk in a terminal, else logged to standard output",
     [](Arguments& a, const std::string&) {
         a.demo = true;
         return true;
     }},
    {"--playlist", nullptr, "FILE", "a file",
     "the player plays FILE, an M3U or extended M3U playlist",
     [](Arguments& a, const std::string& v) {
         a.playlistPath = v;
         return true;
     }},
    {"--png", nullptr, "DIR", "a folder",
     "write each frame that differs from the one before as DIR/frame-NNNN.png; DIR is made "
     "if need be, in a folder that exists, and the frames an earlier run left there are "
     "removed first",
     [](Arguments& a, const std::string& v) {
         a.pngDir = v;
         return true;
     }},
    {"--gif", nullptr, "FILE", "a file",
     "write the run as an animated GIF, each frame shown for as long as it was",
     [](Arguments& a, const std::string& v) {
         a.gifPath = v;
         return true;
     }},
    {"--log", nullptr, "FILE", "a file",
     "write the event log to FILE ('-' for standard output); a simulated hour on the "
     "now-playing screen logs about 565 MB, nine tenths of it frames",
     [](Arguments& a, const std::string& v) {
         a.options.logPath = v;
         return true;
     }},
    {"--log-events", nullptr, "LIST", "a list of events, e.g. screen,key,settings",
     "log only the events in LIST, separated by ',' (init and quit always), of: init, quit, "
     "player, screen, lcd, frame, buttons, key, mixer, light, settings; with "
     "screen,key,settings,light a simulated hour logs about 4 MB",
     ReadLogEvents},
    {"--plugin", nullptr, "PATH", "a path",
     "the plug-in module (default: gen_g15_velm.so beside velm-sim)",
     [](Arguments& a, const std::string& v) {
         a.options.pluginPath = v;
         return true;
     }},
    {"--ini", nullptr, "DIR", "a folder",
     "the DLL's folder, where VelmG15.ini lives; it must exist, and may be read-only, and "
     "its path may not hold a '\\' (default: a fresh temporary folder, removed at the end)",
     [](Arguments& a, const std::string& v) {
         a.options.iniDir = v;
         return true;
     }},
    {"--appdata", nullptr, "DIR", "a folder",
     "the user's application-data folder, where the settings go when the DLL's folder takes "
     "no file; it must exist, and its path may not hold a '\\' (default: a fresh temporary "
     "folder, removed at the end)",
     [](Arguments& a, const std::string& v) {
         a.options.appDataDir = v;
         return true;
     }},
    {"--no-keyboard", nullptr, nullptr, nullptr,
     "no G15 on the HID bus: no light is read or written",
     [](Arguments& a, const std::string&) {
         a.options.keyboard = false;
         return true;
     }},
    {"--no-mixer", nullptr, nullptr, nullptr, "a machine without any audio mixer device",
     [](Arguments& a, const std::string&) {
         a.options.mixer = false;
         return true;
     }},
    {"--no-lcd-service", nullptr, nullptr, nullptr,
     "run without the keyboard's LCD service installed",
     [](Arguments& a, const std::string&) {
         a.options.lcdService = false;
         return true;
     }},
    {"--player-volume", nullptr, "V", "a number from 0 to 255",
     "the player's volume (0 to 255) when the plug-in starts", ReadVolume},
    {"--old-player", nullptr, nullptr, nullptr,
     "a player from before Unicode titles: it gives its playlist's titles only in the ANSI "
     "code page, '?' for what that lacks",
     [](Arguments& a, const std::string&) {
         a.options.oldPlayer = true;
         return true;
     }},
    {"--ansi-code-page", nullptr, "CP", "a Windows code page such as 1250, 1251, 1252 or 932",
     "the system's ANSI code page (default 1252, a western Windows): 1250 central European, "
     "1251 Cyrillic, 932 Japanese, ...",
     ReadCodePage},
    {"--help", "-h", nullptr, nullptr, "show this text and exit",
     [](Arguments& a, const std::string&) {
         a.help = true;
         return true;
     }},
    {"--version", nullptr, nullptr, nullptr, "show the version and exit",
     [](Arguments& a, const std::string&) {
         a.version = true;
         return true;
     }},
};

const OptionSpec* FindOption(const std::string& name) {
    for (const OptionSpec& spec : kOptions)
        if (name == spec.name || (spec.alias && name == spec.alias))
            return &spec;
    return nullptr;
}

// Lays text out in lines of at most kHelpWidth columns: the first after `first`, the others
// indented by `indent` columns.
std::string Wrap(const std::string& first, size_t indent, const std::string& text) {
    std::string out = first, line;
    size_t room = kHelpWidth - indent;
    auto flush = [&](bool last) {
        out += line + "\n";
        if (!last)
            out += std::string(indent, ' ');
        line.clear();
    };
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find(' ', at);
        std::string word = text.substr(at, end == std::string::npos ? end : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.size() + 1 + word.size() > room)
            flush(false);
        line += (line.empty() ? "" : " ") + word;
    }
    flush(true);
    return out;
}

// Two columns: the usage padded to width, then the help wrapped under its own column.
std::string Entry(const std::string& usage, size_t width, const std::string& help) {
    std::string first = "  " + usage;
    first += std::string(width + 4 - first.size(), ' ');
    return Wrap(first, width + 4, help);
}

std::string OptionUsage(const OptionSpec& spec) {
    std::string usage = spec.alias ? std::string(spec.alias) + ", " + spec.name : spec.name;
    return spec.value ? usage + " " + spec.value : usage;
}

// Standard input can be read once: '-' may go to one of --script and --playlist.
std::string StandardInputTwice(const Arguments& a) {
    std::vector<std::string> readers;
    for (const ScriptPart& part : a.script)
        if (part.file && part.text == "-")
            readers.push_back("--script");
    if (a.playlistPath == "-")
        readers.push_back("--playlist");
    if (readers.size() < 2)
        return "";
    return readers[0] + " and " + readers[1] +
           " both ask for standard input ('-'), which can be read once";
}

}  // namespace

std::string ParseArguments(int argc, char** argv, Arguments& a) {
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i], name = arg, value;
        if (options && arg == "--") {
            options = false;
            continue;
        }
        if (!options || arg.size() < 2 || arg[0] != '-')
            return "unexpected argument '" + arg + "'";
        size_t equals = arg.find('=');
        bool inlineValue = arg.rfind("--", 0) == 0 && equals != std::string::npos;
        if (inlineValue) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
        }
        const OptionSpec* spec = FindOption(name);
        if (!spec)
            return "unknown option '" + name + "'";
        if (!spec->value && inlineValue)
            return name + " takes no value";
        if (spec->value && !inlineValue && i + 1 < argc)
            value = argv[++i];
        if ((spec->value && value.empty()) || !spec->apply(a, value))
            return name + " needs " + spec->needs;
        if (a.help || a.version)
            return "";
    }
    if (a.demo && !a.script.empty())
        return "--demo runs its own script: drop it or the script";
    return StandardInputTwice(a);
}

std::string HelpText() {
    std::string text =
        "usage: velm-sim [OPTION]...\n"
        "\n" +
        Wrap("", 0,
             "Runs the gen_g15_velm plug-in in a simulated desk (player, keyboard, mixer, LCD "
             "service, clock). In a terminal, without a script, it shows the desk and its keys "
             "work it; with a script it runs the script on a simulated clock and logs what the "
             "plug-in does as JSON Lines.") +
        "\n" + Wrap("", 0, "options (--option=VALUE as well as --option VALUE; -- ends them):");
    size_t width = 0;
    for (const OptionSpec& spec : kOptions)
        width = std::max(width, OptionUsage(spec).size());
    for (const OptionSpec& spec : kOptions)
        text += Entry(OptionUsage(spec), width, spec.help);

    text += "\n" + Wrap("", 0,
                        "commands (a '#' that starts a word starts a comment, to the end of the "
                        "line; in double quotes a text is taken as written, blanks, '#' and ';' "
                        "included, e.g. title \"Song #1\"):");
    width = 0;
    for (const auto& spec : Commands())
        width = std::max(width, std::strlen(spec.usage));
    for (const auto& spec : Commands())
        text += Entry(spec.usage, width, spec.help);

    text += "\n" + Wrap("", 0, "keys of the desk:") +
            Wrap("  ", 2,
                 "F1-F4 or 1-4 the soft buttons, Up and Down the volume keys, Space play/pause, "
                 "[ and ] hold or release left and right Ctrl, n and p the next or previous "
                 "track, s the screen saver, w raises and W lowers the wave volume, m raises and "
                 "M lowers the master volume (as another program would, by a tenth), u unplugs "
                 "or plugs the LCD, q quits. While --demo plays its tour only q works; then the "
                 "keys are yours.");

    static_assert(Watchdog::kLimitSeconds == 10,
                  "the help and the README give the watchdog's 10 s");
    text += "\nexit status:\n";
    const char* statuses[][2] = {
        {"0", "success"},
        {"1", "an expect failed, or writing the log, a picture or the GIF failed"},
        {"2",
         "bad usage or input (an option, the script, the playlist, a folder), found "
         "before the plug-in is loaded"},
        {"3",
         "the plug-in hung: init, quit or the simulated world did not come to rest; a thread "
         "stuck outside the simulated clock is reported after 10 s of real time"},
        {"128+N",
         "ended by signal N; on the desk SIGINT (Ctrl-C), SIGTERM and SIGHUP still "
         "run the plug-in's quit"},
    };
    for (const auto& status : statuses)
        text += Entry(status[0], 5, status[1]);
    return text;
}

std::string VersionText() {
    return std::string("velm-sim (gen_g15_velm) ") + VELM_VERSION + "\n";
}

}  // namespace sim
