#include "sim/Simulation.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "hostwin/control/clock.h"
#include "hostwin/control/codepage.h"
#include "hostwin/control/desktop.h"
#include "hostwin/control/modules.h"
#include "hostwin/control/profile.h"
#include "hostwin/control/shell.h"
#include "sim/Commands.h"
#include "sim/ErrorOutput.h"
#include "sim/MixerEvents.h"
#include "sim/Watchdog.h"
#include "testbed/SoundCard.h"
#include "testbed/SimulatedKeyboard.h"
#include "sim/LcdEvents.h"
#include "testbed/SimulatedLcdService.h"
#include "testbed/SimulatedPlayer.h"
#include "testbed/SystemKeys.h"

namespace sim {
namespace {

// Windows' tick count some minutes after boot; any value serves, the log counts from it.
constexpr uint32_t kStartTick = 1000000;
// A western Windows, which the stand-in is unless a run says otherwise.
constexpr unsigned kWesternCodePage = 1252;
// How long init or quit may take in simulated time before the run counts as hung.
constexpr uint32_t kEntryLimitMs = 60000;

// The settings file's keys in the order the plug-in writes them; a save ends with the last.
constexpr const char* kSettingKeys[] = {
    "VU",
    "KeyboardLight",
    "KeyboardLightOffLevel",
    "LeavePlaylist",
    "LeaveVolume",
    "LeaveSettings",
    "SaveLcd",
    "SaveMkeys",
    "SaveKeyboard",
    "AlertVolume",
    "AlertSongChange",
};

std::function<void()>& FatalHook() {
    static std::function<void()> hook;
    return hook;
}

bool IsInteger(const std::string& text) {
    size_t start = !text.empty() && text[0] == '-' ? 1 : 0;
    if (start == text.size() || text.size() > 11)
        return false;
    for (size_t i = start; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

std::string TrimmedAbsolute(const std::string& dir, std::error_code& error) {
    std::string path = std::filesystem::absolute(dir, error).lexically_normal().string();
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

}  // namespace

std::string FolderNameProblem(const std::string& dir) {
    std::error_code error;
    std::string host = TrimmedAbsolute(dir, error);
    if (error)
        return error.message();
    std::string seen = control::HostPath(control::WindowsPath(host));
    if (seen == host)
        return "";
    return "the plug-in would take it for " + seen + " (Windows reads '\\' as a separator)";
}

// The LCD service is part of the desk from the start; without it the registry has no entry.
Simulation::Simulation(Options options)
    : options_(std::move(options)),
      lcd_(std::make_unique<testbed::SimulatedLcdService>(
          options_.lcdService ? testbed::LcdRegistration::Installed
                              : testbed::LcdRegistration::Missing)) {}

Simulation::~Simulation() {
    RemoveTemporaryIniDir();
    RemoveTemporaryAppDataDir();
    control::SetAnsiCodePage(kWesternCodePage);
}

bool Simulation::PrepareIniDir(std::string& problem) {
    std::error_code error;
    if (!options_.iniDir.empty()) {
        if (std::string cause = FolderNameProblem(options_.iniDir); !cause.empty()) {
            problem = "cannot use the settings folder " + options_.iniDir + ": " + cause;
            return false;
        }
        iniDir_ = TrimmedAbsolute(options_.iniDir, error);
        return true;
    }
    std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    std::string pattern = (temporary / "velm-sim-XXXXXX").string();
    std::string cause = error ? error.message() : FolderNameProblem(temporary.string());
    if (cause.empty() && !mkdtemp(pattern.data()))
        cause = std::strerror(errno);
    if (!cause.empty()) {
        problem = "cannot make a settings folder in " + temporary.string() + ": " + cause;
        return false;
    }
    iniDir_ = temporaryIniDir_ = pattern;
    return true;
}

void Simulation::RemoveTemporaryIniDir() {
    if (temporaryIniDir_.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(temporaryIniDir_, ignored);
    temporaryIniDir_.clear();
}

// A folder that is not there stays allowed: it plays a machine without one.
bool Simulation::PrepareAppDataDir(std::string& problem) {
    std::error_code error;
    std::string dir = options_.appDataDir;
    if (dir.empty()) {
        std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
        std::string pattern = (temporary / "velm-sim-appdata-XXXXXX").string();
        std::string cause = error ? error.message() : FolderNameProblem(temporary.string());
        if (cause.empty() && !mkdtemp(pattern.data()))
            cause = std::strerror(errno);
        if (!cause.empty()) {
            problem =
                "cannot make an application-data folder in " + temporary.string() + ": " + cause;
            return false;
        }
        dir = temporaryAppDataDir_ = pattern;
    }
    if (std::string cause = FolderNameProblem(dir); !cause.empty()) {
        problem = "cannot use the application-data folder " + dir + ": " + cause;
        return false;
    }
    appDataDir_ = TrimmedAbsolute(dir, error);
    control::SetAppDataFolder(control::WindowsPath(appDataDir_));
    return true;
}

void Simulation::RemoveTemporaryAppDataDir() {
    if (temporaryAppDataDir_.empty())
        return;
    control::SetAppDataFolder("");
    std::error_code ignored;
    std::filesystem::remove_all(temporaryAppDataDir_, ignored);
    temporaryAppDataDir_.clear();
}

// The settings file named apart from where the run's folders are, so that a script logs the
// same on every run: "VelmG15.ini" beside the DLL, "%APPDATA%\VelmG15\VelmG15.ini" per user.
std::string Simulation::LoggedSettingsPath(const std::string& file) const {
    std::string host = control::HostPath(file);
    std::pair<std::string, std::string> folders[] = {{iniDir_, ""}, {appDataDir_, "%APPDATA%\\"}};
    if (appDataDir_.size() > iniDir_.size())
        std::swap(folders[0], folders[1]);  // the deeper folder first, where one holds the other
    for (const auto& [folder, name] : folders) {
        if (host.compare(0, folder.size() + 1, folder + "/") != 0)
            continue;
        std::string rest = name + host.substr(folder.size() + 1);
        std::replace(rest.begin(), rest.end(), '/', '\\');
        return rest;
    }
    return file;
}

// Every report written to the keyboard becomes a "light" event.
void Simulation::WatchKeyboard() {
    keyboard_->SetWriteObserver([this](int selector, int value) {
        if (!log_.Wants("light"))
            return;
        log_.Write(Event(Now(), "light").Add("selector", selector).Add("value", value));
    });
}

// A full save of the settings ends with the last key; the event then carries the eleven
// values as the file holds them.
void Simulation::WatchSettingsFile() {
    control::SetProfileWriteObserver(
        [this](const std::string& file, const std::string& section, const std::string& key) {
            if (section != "General" || key != kSettingKeys[std::size(kSettingKeys) - 1])
                return;
            Event event(Now(), "settings");
            event.Add("path", LoggedSettingsPath(file));
            for (const char* name : kSettingKeys) {
                char value[64];
                GetPrivateProfileStringA("General", name, "", value, sizeof value, file.c_str());
                if (IsInteger(value))
                    event.AddRaw(name, value);
                else
                    event.Add(name, std::string(value));
            }
            log_.Write(event);
        });
}

uint32_t Simulation::Now() const {
    return GetTickCount() - kStartTick;
}

void Simulation::FindPluginState() {
    pluginState_ = reinterpret_cast<const ScreenState*>(
        reinterpret_cast<void*>(GetProcAddress(module_, "g_screenState")));
}

int Simulation::PluginScreen() const {
    return pluginState_ ? pluginState_->currentScreen.load() : -1;
}

int Simulation::PluginPriority() const {
    return pluginState_ ? pluginState_->outputPriority.load() : -1;
}

// Logged as they change, at the moment the world comes to rest after the change.
void Simulation::NoteScreenChange() {
    int screen = PluginScreen();
    int priority = PluginPriority();
    if (screen == loggedScreen_ && priority == loggedPriority_)
        return;
    loggedScreen_ = screen;
    loggedPriority_ = priority;
    if (log_.Wants("screen"))
        log_.Write(Event(Now(), "screen").Add("screen", screen).Add("priority", priority));
}

bool Simulation::LastFrame(std::vector<unsigned char>& pixels) const {
    testbed::LcdShownFrame frame;
    if (!lcd_->LastFrame(frame))
        return false;
    pixels = std::move(frame.pixels);
    return true;
}

int Simulation::Fail(const std::string& message, int status) {
    PrintFault(message);
    return status;
}

void Simulation::Hang(const std::string& message) {
    // The driver and the watchdog may both find the hang; the first one reports it.
    static std::atomic<bool> reported{false};
    if (reported.exchange(true))
        for (;;)
            pause();
    if (FatalHook())
        FatalHook()();
    PrintFault(message);  // which first writes out what the log holds: the exit would lose it
    // Only the files: a stuck thread may hold the stand-in's locks, or a stream's.
    std::error_code ignored;
    for (const std::string& dir : {temporaryIniDir_, temporaryAppDataDir_})
        if (!dir.empty())
            std::filesystem::remove_all(dir, ignored);
    std::_Exit(3);
}

void Simulation::HangUnseenByTheClock() {
    Hang(std::string("the plug-in hung ") + stage_.load() +
         ": the simulated world did not come to rest in " +
         std::to_string(Watchdog::kLimitSeconds) + " s of real time");
}

void Simulation::AtRest() {
    watchdog_->Beat();
    NoteScreenChange();
    for (auto& listener : restListeners_)
        listener(Now());
}

bool Simulation::Advance(long long ms) {
    Watchdog::Watch watch(*watchdog_);
    if (!control::AdvanceClock(static_cast<uint32_t>(ms), [this] { AtRest(); }))
        Hang("the simulated world did not come to rest (a hang)");
    return true;
}

// False with the cause when the module cannot be loaded or is no plug-in.
bool Simulation::LoadPlugin(std::string& cause) {
    module_ = LoadLibraryA(options_.pluginPath.c_str());
    if (!module_) {
        // The dynamic loader's own words, without the path they start with.
        const char* loader = dlerror();
        cause = loader ? loader : "it cannot be loaded";
        if (cause.rfind(options_.pluginPath + ": ", 0) == 0)
            cause.erase(0, options_.pluginPath.size() + 2);
        return false;
    }
    using GetPlugin = PluginRecord* (*)();
    // Through void (*)(), the one function type a cast from FARPROC may go without a warning.
    auto get = reinterpret_cast<GetPlugin>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "winampGetGeneralPurposePlugin")));
    record_ = get ? get() : nullptr;
    if (!record_) {
        cause = "it gives no plug-in record (winampGetGeneralPurposePlugin)";
        return false;
    }
    FindPluginState();
    record_->playerWindow = player_->Window();
    record_->moduleInstance = module_;
    control::SetModuleFileName(module_, control::WindowsPath(iniDir_ + "/gen_g15_velm.dll"));
    return true;
}

// The player calls its plug-ins on its own thread; the simulated world keeps moving while
// the entry runs, since quit waits for the display thread's last pass.
bool Simulation::CallOnPlayerThread(std::function<void()> entry) {
    Watchdog::Watch watch(*watchdog_);
    player_->CallOnPlayerThread(std::move(entry));
    return control::AdvanceUntil(
        [this] {
            watchdog_->Beat();
            return !player_->CallsPending();
        },
        kEntryLimitMs);
}

void Simulation::SetFatalHook(std::function<void()> hook) {
    FatalHook() = std::move(hook);
}

void Simulation::AddRestListener(std::function<void(uint32_t)> listener) {
    restListeners_.push_back(std::move(listener));
}

void Simulation::AddFrameListener(
    std::function<void(uint32_t, const testbed::LcdShownFrame&)> listener) {
    frameListeners_.push_back(std::move(listener));
}

int Simulation::Run(const std::vector<Command>& commands) {
    return Run([&commands](Simulation& simulation) {
        for (const Command& command : commands)
            if (!FindCommand(command.name)->run(simulation, command))
                return 1;
        return 0;
    });
}

int Simulation::Run(const std::function<int(Simulation&)>& body) {
    log_.KeepOnly(options_.logEvents);
    if (!log_.Open(options_.logPath))
        return Fail(log_.Error(), 2);
    if (std::string problem; !PrepareIniDir(problem))
        return Fail(problem, 2);
    if (std::string problem; !PrepareAppDataDir(problem))
        return Fail(problem, 2);
    control::UseManualClock(kStartTick);
    mixer_ = std::make_unique<testbed::SoundCard>(options_.mixer);
    LogMixerWrites(*mixer_, log_, [this] { return Now(); });
    if (options_.keyboard) {
        keyboard_ = std::make_unique<testbed::SimulatedKeyboard>();
        WatchKeyboard();
    }
    WatchSettingsFile();
    LogLcdEvents(
        *lcd_, log_, [this] { return Now(); },
        [this](const testbed::LcdShownFrame& frame) {
            OwnWork pictures;
            for (auto& listener : frameListeners_)
                listener(Now(), frame);
        });
    control::SetAnsiCodePage(options_.ansiCodePage);
    player_ = options_.playlist ? std::make_unique<testbed::SimulatedPlayer>(*options_.playlist)
                                : std::make_unique<testbed::SimulatedPlayer>();
    player_->SetWideTitles(!options_.oldPlayer);
    if (options_.playerVolume >= 0)
        player_->SetVolume(options_.playerVolume);
    systemKeys_ = std::make_unique<testbed::SystemKeys>(*mixer_, player_.get());
    player_->SetMessageObserver([this](const testbed::PlayerMessage& m) {
        if (!log_.Wants("player"))
            return;
        Event event(Now(), "player");
        event.Add("msg", m.name).Add("wparam", m.wparam).Add("lparam", m.lparam);
        if (m.resultIsNumber)
            event.AddRaw("result", m.result);
        else
            event.Add("result", m.result);
        log_.Write(event);
    });
    if (std::string cause; !LoadPlugin(cause)) {
        systemKeys_.reset();
        player_.reset();
        return Fail("cannot load the plug-in " + options_.pluginPath + ": " + cause, 2);
    }

    // From here the watchdog judges hangs, knowing what the simulator's own writing is; the
    // clock's own limit would call a log reader that paused a hang of the plug-in.
    watchdog_ = std::make_unique<Watchdog>([this] { HangUnseenByTheClock(); });
    uint32_t clockLimit = control::SetIdleTimeout(0);
    PluginRecord* record = record_;
    log_.Write(Event(Now(), "init"));
    stage_ = "in init";
    if (!CallOnPlayerThread([record] { record->init(); }))
        Hang("init did not return");
    NoteScreenChange();

    stage_ = "during the run";
    int status = body(*this);

    stage_ = "in quit";
    if (!CallOnPlayerThread([record] { record->quit(); }))
        Hang("quit did not return");
    log_.Write(Event(Now(), "quit"));
    TearDown();
    control::SetIdleTimeout(clockLimit);
    if (!log_.Close())
        return Fail(log_.Error(), status ? status : 1);
    return status;
}

// The player's thread is waited for here: watched too, since it may be the one that is stuck.
void Simulation::TearDown() {
    stage_ = "at the end of the run";
    {
        Watchdog::Watch watch(*watchdog_);
        FreeLibrary(module_);
        systemKeys_.reset();
        player_.reset();
        mixer_.reset();
        control::SetProfileWriteObserver(nullptr);
        keyboard_.reset();
    }
    watchdog_.reset();
}

}  // namespace sim
