// The simulated desk: hostwin's hand-driven clock, the testbed player, and the plug-in loaded
// from its module exactly as the player loads it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "plugin/PluginRecord.h"
#include "sim/Log.h"
#include "sim/Script.h"

namespace testbed {
class Player;
class LcdService;
}

namespace sim {

struct Options {
    std::string pluginPath;
    std::string logPath;
    bool lcdService = true;  // false: the LCD service is not installed (--no-lcd-service)
};

class Simulation {
public:
    explicit Simulation(Options options);
    ~Simulation();

    // Loads the plug-in, runs init, the commands and quit. Returns the exit status.
    int Run(const std::vector<Command>& commands);

    // For the commands.
    testbed::Player& player() { return *player_; }
    testbed::LcdService& lcdService() { return *lcd_; }
    bool Advance(long long ms);
    uint32_t Now() const;  // simulated ms since the start
    void Write(const Event& event) { log_.Write(event); }

private:
    bool LoadPlugin();
    bool CallOnPlayerThread(std::function<void()> entry);
    int Fail(const std::string& message, int status);

    Options options_;
    Log log_;
    std::unique_ptr<testbed::Player> player_;
    HMODULE module_ = nullptr;
    PluginRecord* record_ = nullptr;
    std::unique_ptr<testbed::LcdService> lcd_;
};

}  // namespace sim
