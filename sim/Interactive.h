// The interactive mode: the desk on the terminal, driven by keys, with the simulated clock
// kept in step with real time so that the plug-in runs at its real pace.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/Script.h"

namespace sim {

class Desk;
class Simulation;

// The simulated clock advances by the real time owed, at most kMaxStepMs at a time, and never
// catches up more than kMaxCatchUpMs at once (after the process was stopped, say), so that a
// stall does not turn into a burst of passes.
constexpr uint32_t kMaxStepMs = 50;
constexpr uint32_t kMaxCatchUpMs = 500;
// Advances through advance(ms); returns the real time still owed (below 1 ms).
double CatchUp(double owedMs, const std::function<void(uint32_t)>& advance);

// Plays a script at the pace of the simulated clock: each "wait" lets its time pass before the
// commands after it run. The comment line nearest above the command running is its caption;
// once the last wait is over, the caption hands the keys over.
class ScriptPlayer {
public:
    static constexpr const char* kHandOver = "The tour is over: the keys are yours.";

    ScriptPlayer(const std::vector<Command>& commands, const std::string& text);
    // Runs every command that is due at simulated time now (ms). A command that fails ends
    // the script.
    void RunDue(Simulation& simulation, uint32_t now);
    // Every command has run and the last wait is over.
    bool Done() const { return over_; }
    const std::string& Caption() const { return caption_; }

private:
    const std::vector<Command>& commands_;
    std::vector<std::string> lines_;
    size_t next_ = 0;
    uint32_t waitUntil_ = 0;
    bool over_;
    std::string caption_;
};

// Runs inside Simulation::Run, between init and quit, with a desk made before the run; plays
// the script, if any, and then lets the keys work the desk. While the script plays only q
// works, so that its captions stay true to what the desk shows. Returns the exit status: 0
// after 'q', 128 + the signal after SIGINT, SIGTERM or SIGHUP, and 2 when there is no
// terminal.
int RunInteractive(Simulation& simulation, Desk& desk, const std::vector<Command>& commands,
                   const std::string& scriptText);

}  // namespace sim
