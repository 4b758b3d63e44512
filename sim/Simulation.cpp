#include "sim/Simulation.h"

#include <atomic>
#include <cstdio>

#include "hostwin/control/clock.h"
#include "sim/Commands.h"
#include "sim/LcdEvents.h"
#include "testbed/LcdService.h"
#include "testbed/Player.h"

namespace sim {
namespace {

// Windows' tick count some minutes after boot; any value serves, the log counts from it.
constexpr uint32_t kStartTick = 1000000;
// How long init or quit may take in simulated time before the run counts as hung.
constexpr uint32_t kEntryLimitMs = 60000;

}  // namespace

// The LCD service is part of the desk from the start; without it the registry has no entry.
Simulation::Simulation(Options options)
    : options_(std::move(options)),
      lcd_(std::make_unique<testbed::LcdService>(options_.lcdService
                                                     ? testbed::LcdRegistration::Installed
                                                     : testbed::LcdRegistration::Missing)) {}

Simulation::~Simulation() = default;

uint32_t Simulation::Now() const { return GetTickCount() - kStartTick; }

int Simulation::Fail(const std::string& message, int status) {
    std::fprintf(stderr, "velm-sim: %s\n", message.c_str());
    return status;
}

bool Simulation::Advance(long long ms) {
    if (hwc::AdvanceClock(static_cast<uint32_t>(ms))) return true;
    std::fprintf(stderr, "velm-sim: the simulated world did not come to rest (a hang)\n");
    std::fflush(nullptr);
    std::_Exit(3);
}

bool Simulation::LoadPlugin() {
    module_ = LoadLibraryA(options_.pluginPath.c_str());
    if (!module_) return false;
    using GetPlugin = PluginRecord* (*)();
    // Through void (*)(), the one function type a cast from FARPROC may go without a warning.
    auto get = reinterpret_cast<GetPlugin>(reinterpret_cast<void (*)()>(
        GetProcAddress(module_, "winampGetGeneralPurposePlugin")));
    record_ = get ? get() : nullptr;
    if (!record_) return false;
    record_->playerWindow = player_->Window();
    record_->moduleInstance = module_;
    return true;
}

// The player calls its plug-ins on its own thread; the simulated world keeps moving while
// the entry runs, since quit waits for the display thread's last pass.
bool Simulation::CallOnPlayerThread(std::function<void()> entry) {
    player_->CallOnPlayerThread(std::move(entry));
    return hwc::AdvanceUntil([this] { return !player_->CallsPending(); }, kEntryLimitMs);
}

int Simulation::Run(const std::vector<Command>& commands) {
    if (!log_.Open(options_.logPath))
        return Fail("cannot write the log " + options_.logPath, 2);
    hwc::UseManualClock(kStartTick);
    LogLcdEvents(*lcd_, log_, [this] { return Now(); });
    player_ = std::make_unique<testbed::Player>();
    player_->SetMessageObserver([this](const testbed::PlayerMessage& m) {
        Event event(Now(), "player");
        event.Add("msg", m.name).Add("wparam", m.wparam).Add("lparam", m.lparam);
        if (m.resultIsNumber)
            event.AddRaw("result", m.result);
        else
            event.Add("result", m.result);
        log_.Write(event);
    });
    if (!LoadPlugin()) {
        player_.reset();
        return Fail("cannot load the plug-in from " + options_.pluginPath, 2);
    }

    PluginRecord* record = record_;
    log_.Write(Event(Now(), "init"));
    if (!CallOnPlayerThread([record] { record->init(); }))
        return Fail("init did not return", 3);

    int status = 0;
    for (const Command& command : commands) {
        if (!FindCommand(command.name)->run(*this, command)) {
            status = 1;
            break;
        }
    }

    if (!CallOnPlayerThread([record] { record->quit(); })) return Fail("quit did not return", 3);
    log_.Write(Event(Now(), "quit"));
    FreeLibrary(module_);
    player_.reset();
    return status;
}

}  // namespace sim
