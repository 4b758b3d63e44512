#include "sim/Script.h"

#include "sim/Commands.h"

namespace sim {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

void ParseLine(const std::string& text, int lineNumber, int firstColumn,
               std::vector<Command>& out) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i == text.size() || text[i] == '#')
        return;
    Command command;
    command.line = lineNumber;
    command.column = firstColumn + static_cast<int>(i);
    size_t wordEnd = i;
    while (wordEnd < text.size() && !IsBlank(text[wordEnd]))
        ++wordEnd;
    command.name = text.substr(i, wordEnd - i);
    size_t restBegin = wordEnd;
    while (restBegin < text.size() && IsBlank(text[restBegin]))
        ++restBegin;
    size_t restEnd = text.size();
    while (restEnd > restBegin && IsBlank(text[restEnd - 1]))
        --restEnd;
    command.rest = text.substr(restBegin, restEnd - restBegin);
    for (size_t j = restBegin; j < restEnd;) {
        size_t k = j;
        while (k < restEnd && !IsBlank(text[k]))
            ++k;
        command.args.push_back(text.substr(j, k - j));
        while (k < restEnd && IsBlank(text[k]))
            ++k;
        j = k;
    }
    out.push_back(std::move(command));
}

}  // namespace

std::vector<Command> ParseScript(const std::string& text, bool semicolons) {
    std::vector<Command> commands;
    int line = 1;
    size_t lineStart = 0;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        char c = i == text.size() ? '\n' : text[i];
        if (c != '\n' && !(semicolons && c == ';'))
            continue;
        ParseLine(text.substr(start, i - start), line, static_cast<int>(start - lineStart) + 1,
                  commands);
        start = i + 1;
        if (c == '\n') {
            ++line;
            lineStart = start;
        }
    }
    return commands;
}

bool CheckScript(const std::vector<Command>& commands, ScriptError& error) {
    for (const Command& command : commands) {
        const CommandSpec* spec = FindCommand(command.name);
        if (!spec) {
            error = {command.line, command.column, "unknown command '" + command.name + "'"};
            return false;
        }
        std::string problem = spec->check(command);
        if (!problem.empty()) {
            error = {command.line, command.column, command.name + ": " + problem};
            return false;
        }
    }
    return true;
}

}  // namespace sim
