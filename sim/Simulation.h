// The simulated desk: hostwin's hand-driven clock, the testbed player, and the plug-in loaded
// from its module exactly as the player loads it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "display/ScreenState.h"
#include "plugin/PluginRecord.h"
#include "sim/Log.h"
#include "sim/Script.h"
#include "testbed/SimulatedPlayer.h"

namespace testbed {
class SimulatedKeyboard;
class SoundCard;
class SimulatedLcdService;
struct LcdShownFrame;
class SystemKeys;
}  // namespace testbed

namespace sim {

class Watchdog;

struct Options {
    std::string pluginPath;
    std::string logPath;
    bool mixer = true;  // false: a machine without any mixer device
    // The folder that plays the DLL's folder, where the settings file lives; "" for a fresh
    // temporary folder that is removed at the end.
    std::string iniDir;
    // The user's application-data folder, where the settings go when the DLL's folder takes
    // no write; "" for a fresh temporary folder that is removed at the end.
    std::string appDataDir;
    bool keyboard = true;    // a G15 on the simulated HID bus
    bool lcdService = true;  // false: the LCD service is not installed (--no-lcd-service)
    // The player's playlist (--playlist); the testbed's own when not given.
    std::optional<std::vector<testbed::Entry>> playlist;
    int playerVolume = -1;  // the player's volume at the start; -1 for the player's own
    // The events the log keeps (--log-events); empty for every one.
    std::set<std::string> logEvents;
    // A player from before Unicode titles (--old-player), and the system's ANSI code page
    // (--ansi-code-page), through which such a player's titles and every A call go.
    bool oldPlayer = false;
    unsigned ansiCodePage = 1252;
};

// Why the plug-in cannot be given this host folder, or "" when it can: its name, as Windows
// reads it, must lead back to it (a '\' in a Linux folder name would part it in two).
std::string FolderNameProblem(const std::string& dir);

class Simulation {
public:
    explicit Simulation(Options options);
    ~Simulation();

    // Loads the plug-in, runs init, the commands and quit. Returns the exit status.
    int Run(const std::vector<Command>& commands);
    // The same with body in place of the commands; body's result is the exit status.
    int Run(const std::function<int(Simulation&)>& body);

    // Before Run: each frame the LCD service is shown, with its simulated time.
    void AddFrameListener(std::function<void(uint32_t t, const testbed::LcdShownFrame&)> l);
    // Before Run: called whenever the simulated world comes to rest within a wait, with the
    // simulated time.
    void AddRestListener(std::function<void(uint32_t now)> listener);
    // Runs when the simulated world hangs, just before the process ends.
    static void SetFatalHook(std::function<void()> hook);

    // For the commands.
    testbed::SimulatedPlayer& player() { return *player_; }
    testbed::SoundCard& mixer() { return *mixer_; }
    testbed::SimulatedLcdService& lcdService() { return *lcd_; }
    testbed::SimulatedKeyboard* keyboard() { return keyboard_.get(); }  // null with --no-keyboard
    bool Advance(long long ms);
    uint32_t Now() const;  // simulated ms since the start
    void Write(const Event& event) { log_.Write(event); }

    // The plug-in's state as its module shows it; -1 when the module does not show it.
    int PluginScreen() const;
    int PluginPriority() const;
    // The pixels of the last frame the LCD service was shown; false when there was none.
    bool LastFrame(std::vector<unsigned char>& pixels) const;

private:
    bool LoadPlugin(std::string& cause);
    void FindPluginState();
    void NoteScreenChange();
    bool PrepareIniDir(std::string& problem);
    void RemoveTemporaryIniDir();
    bool PrepareAppDataDir(std::string& problem);
    void RemoveTemporaryAppDataDir();
    std::string LoggedSettingsPath(const std::string& file) const;
    void WatchKeyboard();
    void WatchSettingsFile();
    bool CallOnPlayerThread(std::function<void()> entry);
    void AtRest();
    int Fail(const std::string& message, int status);
    // Reports the hang and ends the process with status 3: a thread that does not come back
    // cannot be waited for, nor the plug-in unloaded under it.
    [[noreturn]] void Hang(const std::string& message);
    void HangUnseenByTheClock();
    void TearDown();

    Options options_;
    Log log_;
    std::unique_ptr<testbed::SimulatedPlayer> player_;
    std::unique_ptr<testbed::SoundCard> mixer_;
    std::unique_ptr<testbed::SimulatedKeyboard> keyboard_;
    std::string iniDir_;               // host path
    std::string temporaryIniDir_;      // removed at the end when set
    std::string appDataDir_;           // host path
    std::string temporaryAppDataDir_;  // removed at the end when set
    HMODULE module_ = nullptr;
    PluginRecord* record_ = nullptr;
    const ScreenState* pluginState_ = nullptr;
    int loggedScreen_ = -1;
    int loggedPriority_ = -1;
    std::unique_ptr<testbed::SimulatedLcdService> lcd_;
    std::vector<std::function<void(uint32_t, const testbed::LcdShownFrame&)>> frameListeners_;
    std::vector<std::function<void(uint32_t)>> restListeners_;
    std::unique_ptr<Watchdog> watchdog_;
    // What the driver waits for: "in init", "during the run", "in quit".
    std::atomic<const char*> stage_{"in init"};
    std::unique_ptr<testbed::SystemKeys> systemKeys_;  // where the keys the hooks pass go
};

}  // namespace sim
