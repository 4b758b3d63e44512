// velm-sim's command line: its options, read the way Unix tools read theirs (--option VALUE or
// --option=VALUE, -- ends the options), and the help that lists them with the script commands,
// the desk's keys and the exit statuses.
#pragma once

#include <string>
#include <vector>

#include "sim/ScriptSource.h"
#include "sim/Simulation.h"

namespace sim {

struct Arguments {
    Options options;
    bool help = false;
    bool version = false;
    bool demo = false;
    // --script FILE and -e COMMANDS, in the order given: every one runs.
    std::vector<ScriptPart> script;
    std::string playlistPath;
    std::string pngDir;
    std::string gifPath;
};

// Reads the arguments into a, which holds the defaults. Returns "" when they are fine, else
// what is wrong with them. Stops at --help or --version.
std::string ParseArguments(int argc, char** argv, Arguments& a);

// The help, every line within 80 columns.
std::string HelpText();
// "velm-sim (gen_g15_velm) <version>"
std::string VersionText();

}  // namespace sim
