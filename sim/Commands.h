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

}  // namespace sim
