// A long run on a terminal says how far it has come in simulated time, so that a script of a
// simulated hour (some twenty seconds of real time) does not look stuck. Short runs, and runs
// whose standard error is no terminal, show nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace sim {

// "simulated 0:12:34 of 1:00:00 (20 %)"; without a total, only the time reached.
std::string ProgressText(uint32_t nowMs, uint64_t totalMs);

class Progress {
public:
    // totalMs: the simulated time the script asks for. Shows nothing unless enabled.
    Progress(bool enabled, uint64_t totalMs);
    // The world stands at nowMs of simulated time: shown once the run has taken a while in
    // real time, a few times a second at most.
    void At(uint32_t nowMs);
    // The run is over: the line goes.
    void Done();

private:
    using Clock = std::chrono::steady_clock;
    bool enabled_;
    uint64_t totalMs_;
    Clock::time_point start_;
    Clock::time_point nextShow_;
    bool shown_ = false;
};

}  // namespace sim
