// The simulator's script language: one command per line (or per ';' with -e), a command word
// and its arguments, separated by blanks. A '#' that starts a word starts a comment, which runs
// to the end of the line. A part of a word in double quotes is taken as written, blanks, '#'
// and ';' included; inside the quotes \" is a quote and \\ a backslash.
#pragma once

#include <string>
#include <vector>

namespace sim {

struct Command {
    std::string name;
    std::vector<std::string> args;  // without their quotes
    // Everything after the command word as written, without the quotes and the blanks around
    // it (for free text: a title, a file name).
    std::string rest;
    int line = 0;
    int column = 0;  // of the command word, from 1
    // What is wrong with the way the command is written (an unclosed quote), and where.
    std::string fault;
    int faultColumn = 0;
    // The part of the script it comes from ("tour.txt", "-e #2") where there are several;
    // "" where there is one.
    std::string origin;
};

struct ScriptError {
    int line;
    int column;
    std::string message;
    std::string origin;  // as the command's
};

// Where a message points in the script: "line 3, column 1", after "tour.txt: " where the
// script has several parts.
std::string Where(const std::string& origin, int line, int column);
inline std::string Where(const Command& command) {
    return Where(command.origin, command.line, command.column);
}

// What is known of the simulated world at a point of the script, before it runs.
struct ScriptContext {
    int playlistLength;
};

// Splits the text into commands. Lines are separated by '\n', or by ';' as well when
// semicolons is set.
std::vector<Command> ParseScript(const std::string& text, bool semicolons);

// Checks every command against the known commands and against the world as the commands
// before it leave it, starting from context; returns the first error, if any.
bool CheckScript(const std::vector<Command>& commands, ScriptContext context, ScriptError& error);

}  // namespace sim
