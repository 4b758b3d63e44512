// velm-sim: runs the plug-in inside the simulated desk and logs what it does.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "hostwin/control/modules.h"
#include "sim/Commands.h"
#include "sim/Script.h"
#include "sim/Simulation.h"

namespace {

constexpr char kDemoScript[] =
    "wait 1000\n"
    "track 2\n"
    "wait 500\n"
    "pause on\n"
    "wait 300\n"
    "pause off\n"
    "volume player 128\n"
    "wait 300\n"
    "title A Title Typed In By Hand\n"
    "wait 300\n"
    "stop\n"
    "wait 200\n"
    "play\n"
    "wait 500\n";

void PrintHelp() {
    std::printf(
        "usage: velm-sim [--script FILE | -e COMMANDS | --demo] [--log FILE] [--plugin PATH]\n"
        "                [--ini DIR] [--no-keyboard] [--no-mixer] [--no-lcd-service]\n"
        "                [--player-volume V]\n"
        "\n"
        "Runs the gen_g15_velm plug-in in a simulated desk (player, keyboard, mixer, LCD\n"
        "service, clock) and logs what it does as JSON Lines.\n"
        "\n"
        "options:\n"
        "  --script FILE   run the commands in FILE, one per line ('#' starts a comment)\n"
        "  -e COMMANDS     run COMMANDS, separated by ';'\n"
        "  --demo          run the built-in tour, logging to standard output\n"
        "  --log FILE      write the event log to FILE ('-' for standard output)\n"
        "  --plugin PATH   the plug-in module (default: gen_g15_velm.so beside velm-sim)\n"
        "  --no-mixer      a machine without any audio mixer device\n"
        "  --ini DIR       the folder that plays the DLL's folder, where VelmG15.ini lives\n"
        "                  (default: a fresh temporary folder, removed at the end)\n"
        "  --no-keyboard   no G15 on the HID bus: no light is read or written\n"
        "  --no-lcd-service  run without the keyboard's LCD service installed\n"
        "  --player-volume V  the player's volume (0 to 255) when the plug-in starts\n"
        "  --help          show this text\n"
        "\n"
        "commands:\n");
    for (const auto& spec : sim::Commands()) std::printf("  %-22s %s\n", spec.usage, spec.help);
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "velm-sim: %s (try --help)\n", message.c_str());
    return 2;
}

std::string DefaultPluginPath() {
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path = hwc::HostPath(std::string(self, n));
    size_t slash = path.rfind('/');
    return (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) +
           "/gen_g15_velm.so";
}

}  // namespace

int main(int argc, char** argv) {
    sim::Options options;
    options.pluginPath = DefaultPluginPath();
    std::string script;
    bool semicolons = false;
    bool haveScript = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return 0;
        } else if (arg == "--script") {
            std::string file;
            if (!value(file)) return UsageError("--script needs a file");
            std::ifstream in(file);
            if (!in) return UsageError("cannot read the script " + file);
            std::stringstream text;
            text << in.rdbuf();
            script = text.str();
            haveScript = true;
        } else if (arg == "-e") {
            if (!value(script)) return UsageError("-e needs commands");
            semicolons = true;
            haveScript = true;
        } else if (arg == "--demo") {
            script = kDemoScript;
            haveScript = true;
            if (options.logPath.empty()) options.logPath = "-";
        } else if (arg == "--log") {
            if (!value(options.logPath)) return UsageError("--log needs a file");
        } else if (arg == "--no-mixer") {
            options.mixer = false;
        } else if (arg == "--plugin") {
            if (!value(options.pluginPath)) return UsageError("--plugin needs a path");
        } else if (arg == "--ini") {
            if (!value(options.iniDir) || options.iniDir.empty())
                return UsageError("--ini needs a folder");
        } else if (arg == "--no-keyboard") {
            options.keyboard = false;
        } else if (arg == "--no-lcd-service") {
            options.lcdService = false;
        } else if (arg == "--player-volume") {
            std::string volume;
            if (!value(volume) || volume.empty() || volume.size() > 3 ||
                volume.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(volume) > 255)
                return UsageError("--player-volume needs a number from 0 to 255");
            options.playerVolume = std::stoi(volume);
        } else {
            return UsageError("unknown option '" + arg + "'");
        }
    }
    if (!haveScript) return UsageError("nothing to run: give --script, -e or --demo");

    std::vector<sim::Command> commands = sim::ParseScript(script, semicolons);
    sim::ScriptError error;
    if (!sim::CheckScript(commands, error)) {
        std::fprintf(stderr, "velm-sim: line %d, column %d: %s\n", error.line, error.column,
                     error.message.c_str());
        return 2;
    }
    return sim::Simulation(options).Run(commands);
}
