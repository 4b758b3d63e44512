// velm-sim: runs the plug-in inside the simulated desk, shows it on the terminal or logs what
// it does, and draws pictures of its LCD.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "hostwin/control/modules.h"
#include "sim/Arguments.h"
#include "sim/Desk.h"
#include "sim/EndSignals.h"
#include "sim/ErrorOutput.h"
#include "sim/Interactive.h"
#include "sim/Pictures.h"
#include "sim/Playlist.h"
#include "sim/Progress.h"
#include "sim/RunFiles.h"
#include "sim/Script.h"
#include "sim/ScriptSource.h"
#include "sim/Simulation.h"
#include "sim/TerminalType.h"
#include "sim/Tour.h"
#include "testbed/LcdServiceCore.h"

namespace {

constexpr int kFailed = 1;    // an expectation or a write failed
constexpr int kBadInput = 2;  // usage or input, refused before the plug-in is loaded

int Refuse(const std::string& message) {
    sim::PrintFault(message);
    return kBadInput;
}

// A fault in the command line itself, which the help explains.
int UsageError(const std::string& message) {
    return Refuse(message + " (try --help)");
}

int Report(const std::string& message, int status) {
    sim::PrintFault(message);
    return status;
}

// Text that standard output must take in full.
int WriteOut(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
        return Report(std::string("cannot write to standard output: ") + std::strerror(errno),
                      kFailed);
    return 0;
}

std::string DefaultPluginPath() {
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path = control::HostPath(std::string(self, n));
    size_t slash = path.rfind('/');
    return (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) +
           "/gen_g15_velm.so";
}

bool OnTerminal() {
    return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
}

// The playlist the player starts with: --playlist's, the tour's, or the testbed's own.
int ReadPlaylist(sim::Arguments& a) {
    if (a.playlistPath.empty()) {
        if (a.demo)
            a.options.playlist = sim::TourPlaylist();
        return 0;
    }
    std::vector<testbed::Entry> entries;
    sim::PlaylistError bad;
    if (!sim::ReadM3uFile(a.playlistPath, entries, bad)) {
        if (bad.line == 0)
            return Refuse(bad.message);
        return Refuse(a.playlistPath + ": line " + std::to_string(bad.line) + ", column " +
                      std::to_string(bad.column) + ": " + bad.message);
    }
    a.options.playlist = std::move(entries);
    return 0;
}

// The demo's script is the tour; any other is every --script and -e, in the order given.
int ReadScript(const sim::Arguments& a, std::string& text, std::vector<sim::Command>& commands) {
    if (a.demo) {
        text = sim::TourScript();
        commands = sim::ParseScript(text, false);
        return 0;
    }
    if (std::string problem; !sim::LoadScript(a.script, commands, problem))
        return Refuse(problem);
    return 0;
}

int CheckScript(const sim::Arguments& a, const std::vector<sim::Command>& commands) {
    int length =
        static_cast<int>(a.options.playlist ? a.options.playlist->size()
                                            : testbed::SimulatedPlayer::DefaultPlaylist().size());
    sim::ScriptError error;
    if (sim::CheckScript(commands, {length}, error))
        return 0;
    return Refuse(sim::Where(error.origin, error.line, error.column) + ": " + error.message);
}

// Nothing the run reads or writes is written over by the simulator itself.
int CheckOverwrites(const sim::Arguments& a, const std::vector<sim::Command>& commands) {
    std::string problem = sim::OverwriteProblem(sim::FilesOfRun(a, commands), a.pngDir);
    return problem.empty() ? 0 : Refuse(problem);
}

// A settings folder that is not there would lose every save in silence; a read-only one is
// a case the plug-in handles, and stays allowed.
// A folder given for the simulated machine must be one already (it may be read-only: that is
// a machine the plug-in must cope with).
int CheckFolder(const char* what, const std::string& dir) {
    struct stat info;
    if (dir.empty())
        return 0;
    int cause = stat(dir.c_str(), &info) != 0 ? errno : S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    std::string problem = cause ? std::strerror(cause) : sim::FolderNameProblem(dir);
    if (problem.empty())
        return 0;
    return Refuse(std::string("cannot use the ") + what + " " + dir + ": " + problem);
}

// The simulated time the script asks for, for the progress of a long run.
uint64_t ScriptLength(const std::vector<sim::Command>& commands) {
    uint64_t ms = 0;
    for (const sim::Command& command : commands)
        if (command.name == "wait")
            ms += std::stoull(command.args[0]);
    return ms;
}

// The pictures' files are made before the run, so that a path that cannot be written is
// known at once.
int OpenPictures(const sim::Arguments& a, sim::PngSeries& pngs, sim::GifRecorder& gif) {
    std::string problem;
    if (!a.pngDir.empty() && !pngs.Open(a.pngDir, problem))
        return Refuse(problem);
    if (!a.gifPath.empty() && !gif.Open(a.gifPath, problem))
        return Refuse(problem);
    return 0;
}

// A write of the pictures that failed makes the run a failure, whatever else it was.
int FinishPictures(const sim::Arguments& a, sim::PngSeries& pngs, sim::GifRecorder& gif,
                   uint32_t endT, int status) {
    if (!a.pngDir.empty() && !pngs.Error().empty())
        status = Report(pngs.Error(), status ? status : kFailed);
    if (std::string problem; !a.gifPath.empty() && !gif.Close(endT, problem))
        status = Report(problem, status ? status : kFailed);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    sim::Arguments a;
    a.options.pluginPath = DefaultPluginPath();
    if (std::string usage = sim::ParseArguments(argc, argv, a); !usage.empty())
        return UsageError(usage);
    if (a.help)
        return WriteOut(sim::HelpText());
    if (a.version)
        return WriteOut(sim::VersionText());

    bool interactive = OnTerminal() && (a.script.empty() || a.demo);
    if (a.demo && !interactive && a.options.logPath.empty())
        a.options.logPath = "-";
    // A playlist that cannot be read is named before anything else is said of the run.
    if (int status = ReadPlaylist(a); status)
        return status;
    if (a.script.empty() && !a.demo && !interactive)
        return UsageError("nothing to run: give --script, -e or --demo, or start it in a terminal");
    if (interactive && a.options.logPath == "-")
        return UsageError("the desk needs the terminal: give --log a file");

    std::string script;
    std::vector<sim::Command> commands;
    if (int status = ReadScript(a, script, commands); status)
        return status;
    if (int status = CheckScript(a, commands); status)
        return status;
    if (int status = CheckOverwrites(a, commands); status)
        return status;
    if (int status = CheckFolder("settings folder", a.options.iniDir); status)
        return status;
    if (int status = CheckFolder("application-data folder", a.options.appDataDir); status)
        return status;
    if (std::string problem; interactive && !sim::TerminalCanShowDesk(problem))
        return Refuse(problem);
    sim::PngSeries pngs;
    sim::GifRecorder gif;
    if (int status = OpenPictures(a, pngs, gif); status)
        return status;

    if (!a.options.logPath.empty())
        sim::KeepLogOnSignals();
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
            [&](sim::Simulation& s) { return sim::RunInteractive(s, desk, commands, script); });
    } else {
        // Not between the lines of a log shown on the same terminal.
        bool logShown = a.options.logPath == "-" && isatty(STDOUT_FILENO);
        sim::Progress progress(sim::ErrorsOnTerminal() && !logShown, ScriptLength(commands));
        simulation.AddRestListener([&progress](uint32_t now) { progress.At(now); });
        status = simulation.Run(commands);
        progress.Done();
    }
    return FinishPictures(a, pngs, gif, simulation.Now(), status);
}
