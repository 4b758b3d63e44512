// velm-sim: runs the plug-in inside the simulated desk, shows it on the terminal or logs what
// it does, and draws pictures of its LCD.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "hostwin/control/modules.h"
#include "sim/Commands.h"
#include "sim/Desk.h"
#include "sim/Interactive.h"
#include "sim/Pictures.h"
#include "sim/Playlist.h"
#include "sim/Script.h"
#include "sim/Simulation.h"
#include "sim/Tour.h"
#include "testbed/LcdServiceCore.h"

namespace {

struct OptionHelp {
    const char* usage;
    const char* help;
};

constexpr OptionHelp kOptions[] = {
    {"--script FILE", "run the commands in FILE, one per line ('#' starts a comment)"},
    {"-e COMMANDS", "run COMMANDS, separated by ';'"},
    {"--demo", "the built-in tour: on the desk in a terminal, else logged to standard output"},
    {"--playlist FILE", "the player plays FILE, an M3U or extended M3U playlist"},
    {"--png DIR", "write each frame that differs from the one before as DIR/frame-NNNN.png"},
    {"--gif FILE", "write the run as an animated GIF, each frame shown for as long as it was"},
    {"--log FILE", "write the event log to FILE ('-' for standard output)"},
    {"--plugin PATH", "the plug-in module (default: gen_g15_velm.so beside velm-sim)"},
    {"--ini DIR", "the DLL's folder, where VelmG15.ini lives (default: a fresh temporary one)"},
    {"--appdata DIR", "the user's application-data folder (default: a fresh temporary one)"},
    {"--no-keyboard", "no G15 on the HID bus: no light is read or written"},
    {"--no-mixer", "a machine without any audio mixer device"},
    {"--no-lcd-service", "run without the keyboard's LCD service installed"},
    {"--player-volume V", "the player's volume (0 to 255) when the plug-in starts"},
    {"--help", "show this text"},
};

void PrintHelp() {
    std::printf(
        "usage: velm-sim [OPTION]...\n"
        "\n"
        "Runs the gen_g15_velm plug-in in a simulated desk (player, keyboard, mixer, LCD\n"
        "service, clock). In a terminal, without a script, it shows the desk and its keys work\n"
        "it; with a script it runs the script on a simulated clock and logs what the plug-in\n"
        "does as JSON Lines.\n"
        "\n"
        "options:\n");
    for (const auto& option : kOptions)
        std::printf("  %-18s %s\n", option.usage, option.help);
    std::printf("\ncommands:\n");
    int width = 0;
    for (const auto& spec : sim::Commands())
        width = std::max(width, int(std::strlen(spec.usage)));
    for (const auto& spec : sim::Commands())
        std::printf("  %-*s  %s\n", width, spec.usage, spec.help);
    std::printf(
        "\nkeys of the desk: F1-F4 or 1-4 soft buttons, Up/Down volume keys, Space play/pause,\n"
        "[ and ] hold or release left and right Ctrl, n/p next or previous track, s screen\n"
        "saver, w/W and m/M wave and master volume up/down, u unplug or plug the LCD, q quit\n");
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "velm-sim: %s (try --help)\n", message.c_str());
    return 2;
}

std::string DefaultPluginPath() {
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path = control::HostPath(std::string(self, n));
    size_t slash = path.rfind('/');
    return (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) +
           "/gen_g15_velm.so";
}

struct Arguments {
    sim::Options options;
    std::string script;
    bool semicolons = false;
    bool haveScript = false;
    bool demo = false;
    std::string playlistPath;
    std::string pngDir;
    std::string gifPath;
};

// Returns -1 when the arguments are fine, else the exit status.
int ParseArguments(int argc, char** argv, Arguments& a) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return 0;
        } else if (arg == "--script") {
            std::string file;
            if (!value(file))
                return UsageError("--script needs a file");
            std::ifstream in(file);
            if (!in)
                return UsageError("cannot read the script " + file);
            std::stringstream text;
            text << in.rdbuf();
            a.script = text.str();
            a.haveScript = true;
            a.semicolons = false;
        } else if (arg == "-e") {
            if (!value(a.script))
                return UsageError("-e needs commands");
            a.semicolons = true;
            a.haveScript = true;
        } else if (arg == "--demo") {
            a.demo = true;
        } else if (arg == "--playlist") {
            if (!value(a.playlistPath))
                return UsageError("--playlist needs a file");
        } else if (arg == "--png") {
            if (!value(a.pngDir) || a.pngDir.empty())
                return UsageError("--png needs a folder");
        } else if (arg == "--gif") {
            if (!value(a.gifPath) || a.gifPath.empty())
                return UsageError("--gif needs a file");
        } else if (arg == "--log") {
            if (!value(a.options.logPath))
                return UsageError("--log needs a file");
        } else if (arg == "--no-mixer") {
            a.options.mixer = false;
        } else if (arg == "--plugin") {
            if (!value(a.options.pluginPath))
                return UsageError("--plugin needs a path");
        } else if (arg == "--ini") {
            if (!value(a.options.iniDir) || a.options.iniDir.empty())
                return UsageError("--ini needs a folder");
        } else if (arg == "--appdata") {
            if (!value(a.options.appDataDir) || a.options.appDataDir.empty())
                return UsageError("--appdata needs a folder");
        } else if (arg == "--no-keyboard") {
            a.options.keyboard = false;
        } else if (arg == "--no-lcd-service") {
            a.options.lcdService = false;
        } else if (arg == "--player-volume") {
            std::string volume;
            if (!value(volume) || volume.empty() || volume.size() > 3 ||
                volume.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(volume) > 255)
                return UsageError("--player-volume needs a number from 0 to 255");
            a.options.playerVolume = std::stoi(volume);
        } else {
            return UsageError("unknown option '" + arg + "'");
        }
    }
    if (a.demo && a.haveScript)
        return UsageError("--demo runs its own script: drop it or the script");
    return -1;
}

bool OnTerminal() {
    return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
}

}  // namespace

int main(int argc, char** argv) {
    Arguments a;
    a.options.pluginPath = DefaultPluginPath();
    if (int status = ParseArguments(argc, argv, a); status >= 0)
        return status;

    bool interactive = OnTerminal() && (!a.haveScript || a.demo);
    if (a.demo) {
        a.script = sim::TourScript();
        if (!interactive && a.options.logPath.empty())
            a.options.logPath = "-";
    }
    if (!a.haveScript && !a.demo && !interactive)
        return UsageError("nothing to run: give --script, -e or --demo, or start it in a terminal");
    if (interactive && a.options.logPath == "-")
        return UsageError("the desk needs the terminal: give --log a file");

    std::vector<sim::Command> commands = sim::ParseScript(a.script, a.semicolons);
    sim::ScriptError error;
    if (!sim::CheckScript(commands, error)) {
        std::fprintf(stderr, "velm-sim: line %d, column %d: %s\n", error.line, error.column,
                     error.message.c_str());
        return 2;
    }

    if (!a.playlistPath.empty()) {
        std::vector<testbed::Entry> entries;
        sim::PlaylistError bad;
        if (!sim::ReadM3uFile(a.playlistPath, entries, bad)) {
            if (bad.line == 0)
                return UsageError(bad.message);
            std::fprintf(stderr, "velm-sim: line %d, column %d: %s\n", bad.line, bad.column,
                         bad.message.c_str());
            return 2;
        }
        a.options.playlist = std::move(entries);
    } else if (a.demo) {
        a.options.playlist = sim::TourPlaylist();
    }

    sim::PngSeries pngs;
    sim::GifRecorder gif;
    std::string problem;
    if (!a.pngDir.empty() && !pngs.Open(a.pngDir, problem))
        return UsageError(problem);
    if (!a.gifPath.empty() && !gif.Open(a.gifPath, problem))
        return UsageError(problem);

    sim::Simulation simulation(a.options);
    if (!a.pngDir.empty() || !a.gifPath.empty())
        simulation.AddFrameListener([&](uint32_t t, const testbed::LcdShownFrame& frame) {
            sim::LitMask mask = sim::MaskOf(frame.pixels);
            if (!a.pngDir.empty())
                pngs.Add(mask);
            if (!a.gifPath.empty())
                gif.Add(t, mask);
        });

    int status;
    if (interactive) {
        sim::Desk desk(simulation);
        status = simulation.Run(
            [&](sim::Simulation& s) { return sim::RunInteractive(s, desk, commands, a.script); });
    } else {
        status = simulation.Run(commands);
    }

    if (!a.pngDir.empty()) {
        if (!pngs.Error().empty()) {
            std::fprintf(stderr, "velm-sim: %s\n", pngs.Error().c_str());
            status = status ? status : 1;
        }
    }
    if (!a.gifPath.empty() && !gif.Close(simulation.Now(), problem)) {
        std::fprintf(stderr, "velm-sim: %s\n", problem.c_str());
        status = status ? status : 1;
    }
    return status;
}
