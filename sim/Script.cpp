#include "sim/Script.h"

#include "sim/Commands.h"

namespace sim {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Walks the script's text one command at a time.
class Scanner {
public:
    Scanner(const std::string& text, bool semicolons) : text_(text), semicolons_(semicolons) {}

    bool Done() const { return at_ > text_.size(); }

    // The command up to the next end of line; false when the line holds none.
    bool Next(Command& command) {
        command = Command{};
        command.line = line_;
        std::string blanks;  // between the arguments, kept in the rest
        while (!AtLineEnd()) {
            if (IsBlank(text_[at_])) {
                blanks += text_[at_++];
                continue;
            }
            if (text_[at_] == '#') {
                while (!AtLineEnd())
                    ++at_;
                break;
            }
            int column = Column();
            std::string word = Word(command);
            if (command.column == 0) {
                command.name = word;
                command.column = column;
            } else {
                command.rest += (command.args.empty() ? "" : blanks) + word;
                command.args.push_back(word);
            }
            blanks.clear();
        }
        EndLine();
        return command.column != 0;
    }

private:
    bool AtLineEnd() const {
        return at_ >= text_.size() || text_[at_] == '\n' || (semicolons_ && text_[at_] == ';');
    }
    int Column() const { return static_cast<int>(at_ - lineStart_) + 1; }

    // A word up to the next blank or end of line, its quoted parts taken as written.
    std::string Word(Command& command) {
        std::string word;
        while (!AtLineEnd() && !IsBlank(text_[at_])) {
            if (text_[at_] != '"') {
                word += text_[at_++];
                continue;
            }
            int quoteColumn = Column();
            for (++at_;; ++at_) {
                if (at_ >= text_.size() || text_[at_] == '\n') {
                    if (command.fault.empty()) {
                        command.fault = "the quote is not closed";
                        command.faultColumn = quoteColumn;
                    }
                    return word;
                }
                char c = text_[at_];
                if (c == '"') {
                    ++at_;
                    break;
                }
                if (c == '\\' && at_ + 1 < text_.size() &&
                    (text_[at_ + 1] == '"' || text_[at_ + 1] == '\\'))
                    c = text_[++at_];
                word += c;
            }
        }
        return word;
    }

    void EndLine() {
        if (at_ < text_.size() && text_[at_] == '\n') {
            ++line_;
            lineStart_ = at_ + 1;
        }
        ++at_;
    }

    const std::string& text_;
    bool semicolons_;
    size_t at_ = 0;
    int line_ = 1;
    size_t lineStart_ = 0;
};

}  // namespace

std::vector<Command> ParseScript(const std::string& text, bool semicolons) {
    std::vector<Command> commands;
    Scanner scanner(text, semicolons);
    for (Command command; !scanner.Done();)
        if (scanner.Next(command))
            commands.push_back(std::move(command));
    return commands;
}

std::string Where(const std::string& origin, int line, int column) {
    std::string place = "line " + std::to_string(line) + ", column " + std::to_string(column);
    return origin.empty() ? place : origin + ": " + place;
}

bool CheckScript(const std::vector<Command>& commands, ScriptContext context, ScriptError& error) {
    for (const Command& command : commands) {
        if (!command.fault.empty()) {
            error = {command.line, command.faultColumn, command.fault, command.origin};
            return false;
        }
        const CommandSpec* spec = FindCommand(command.name);
        if (!spec) {
            error = {command.line, command.column, "unknown command '" + command.name + "'",
                     command.origin};
            return false;
        }
        std::string problem = spec->check(command);
        if (problem.empty())
            problem = CheckInContext(command, context);
        if (!problem.empty()) {
            error = {command.line, command.column, command.name + ": " + problem, command.origin};
            return false;
        }
    }
    return true;
}

}  // namespace sim
