// The script commands the simulator knows: how each is checked before the run and what it
// does to the simulated world.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sim/Script.h"

namespace sim {

class Simulation;

struct CommandSpec {
    const char* name;
    const char* usage;
    const char* help;
    // Returns "" when the arguments are fine, else what is wrong with them.
    std::function<std::string(const Command&)> check;
    // Returns false when the run must end with a failure (a failed expectation).
    std::function<bool(Simulation&, const Command&)> run;
};

const std::vector<CommandSpec>& Commands();
const CommandSpec* FindCommand(const std::string& name);

// The check of a well-formed command against what the script knows of the world at that point
// (a track must be an entry of the playlist), noting what the command changes there. Returns
// "" when it fits, else what is wrong.
std::string CheckInContext(const Command& command, ScriptContext& context);

}  // namespace sim
