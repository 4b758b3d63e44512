// The simulator's script language: one command per line (or per ';' with -e), a command word
// and its arguments; '#' starts a comment line.
#pragma once

#include <string>
#include <vector>

namespace sim {

struct Command {
    std::string name;
    std::vector<std::string> args;
    std::string rest;  // everything after the command word, trimmed (for free text)
    int line = 0;
    int column = 0;  // of the command word, from 1
};

struct ScriptError {
    int line;
    int column;
    std::string message;
};

// Splits the text into commands. Lines are separated by '\n', or by ';' when semicolons is set.
std::vector<Command> ParseScript(const std::string& text, bool semicolons);

// Checks every command against the known commands; returns the first error, if any.
bool CheckScript(const std::vector<Command>& commands, ScriptError& error);

}  // namespace sim
