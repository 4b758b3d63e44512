#include "sim/Interactive.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

#include "sim/Commands.h"
#include "sim/Desk.h"
#include "sim/ErrorOutput.h"
#include "sim/Log.h"
#include "sim/Simulation.h"
#include "sim/Terminal.h"

namespace sim {
namespace {

// How long to wait for a key before the clock moves on, in real ms.
constexpr int kKeyWaitMs = 15;

}  // namespace

double CatchUp(double owedMs, const std::function<void(uint32_t)>& advance) {
    owedMs = std::min(owedMs, static_cast<double>(kMaxCatchUpMs));
    while (owedMs >= 1.0) {
        auto step = static_cast<uint32_t>(std::min(owedMs, static_cast<double>(kMaxStepMs)));
        advance(step);
        owedMs -= step;
    }
    return owedMs;
}

ScriptPlayer::ScriptPlayer(const std::vector<Command>& commands, const std::string& text)
    : commands_(commands), over_(commands.empty()) {
    std::string line;
    for (char c : text + "\n") {
        if (c != '\n') {
            line += c;
            continue;
        }
        lines_.push_back(line);
        line.clear();
    }
}

void ScriptPlayer::RunDue(Simulation& simulation, uint32_t now) {
    while (!over_ && static_cast<int32_t>(now - waitUntil_) >= 0) {
        if (next_ >= commands_.size()) {
            over_ = true;
            caption_ = kHandOver;
            return;
        }
        const Command& command = commands_[next_++];
        // A comment on the line just above a command says what it shows.
        if (command.line >= 2 && command.line - 1 <= static_cast<int>(lines_.size())) {
            const std::string& above = lines_[command.line - 2];
            size_t start = above.find_first_not_of(" \t");
            if (start != std::string::npos && above[start] == '#') {
                size_t text = above.find_first_not_of("# \t", start);
                caption_ = text == std::string::npos ? "" : above.substr(text);
            }
        }
        if (command.name == "wait") {
            waitUntil_ = now + static_cast<uint32_t>(std::stoul(command.args[0]));
        } else if (!FindCommand(command.name)->run(simulation, command)) {
            next_ = commands_.size();
        }
    }
}

int RunInteractive(Simulation& simulation, Desk& desk, const std::vector<Command>& commands,
                   const std::string& scriptText) {
    ScriptPlayer script(commands, scriptText);
    Terminal terminal;
    std::string error;
    if (!terminal.Open(error)) {
        PrintFault(error);
        return 2;
    }
    Simulation::SetFatalHook([] { Terminal::Close(); });
    using Clock = std::chrono::steady_clock;
    auto last = Clock::now();
    double owed = 0;
    int status = 0;
    bool quit = false;
    while (!quit) {
        if (int signal = Terminal::Signal()) {
            status = 128 + signal;
            break;
        }
        for (int key = terminal.ReadKey(kKeyWaitMs); key != -1 && !quit;
             key = terminal.ReadKey(0)) {
            Action action = ActionForKey(key);
            quit = action == Action::Quit;
            if (script.Done())
                desk.Act(action);
        }
        auto now = Clock::now();
        owed += std::chrono::duration<double, std::milli>(now - last).count();
        last = now;
        script.RunDue(simulation, simulation.Now());
        owed = CatchUp(owed, [&](uint32_t ms) {
            simulation.Advance(ms);
            script.RunDue(simulation, simulation.Now());
        });
        DeskView view = desk.View();
        view.caption = script.Caption();
        view.touring = !script.Done();
        // What the desk shows is in the log's file by then, for one who follows both.
        FlushOpenLogs();
        terminal.Draw(view);
    }
    Terminal::Close();
    Simulation::SetFatalHook(nullptr);
    return status;
}

}  // namespace sim
