#include "hostwin/control/desktop.h"

#include "hostwin_private.h"

using hostwin::Scheduler;

namespace control {
namespace {

std::mutex g_sinkMu;
std::function<void(DWORD, bool)> g_sink;

template <typename F>
auto Locked(F f) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    return f(hostwin::ControlState());
}

// Hands the key to the hooks; one they pass on goes on to the key sink.
bool Deliver(DWORD vk, bool down, DWORD flags) {
    bool swallowed = hostwin::DeliverKeyToHooks(vk, down, flags) != 0;
    if (!swallowed) {
        std::function<void(DWORD, bool)> sink;
        {
            std::lock_guard<std::mutex> lk(g_sinkMu);
            sink = g_sink;
        }
        if (sink)
            sink(vk, down);
    }
    return swallowed;
}

}  // namespace

bool InjectKey(DWORD vk, bool down) {
    return Deliver(vk, down, 0);
}

bool InjectKeyWithAlt(DWORD vk, bool down) {
    return Deliver(vk, down, LLKHF_ALTDOWN);
}

void SetPassedKeySink(std::function<void(DWORD vk, bool down)> sink) {
    std::lock_guard<std::mutex> lk(g_sinkMu);
    g_sink = std::move(sink);
}

size_t HookCount() {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    return hostwin::HookCountLocked();
}

void FailNextHookInstall() {
    Locked([](hostwin::Control& c) { return c.failNextHookInstall = true; });
}
void FailNextUnhook() {
    Locked([](hostwin::Control& c) { return c.failNextUnhook = true; });
}

std::vector<MessageBoxShown> MessageBoxes() {
    return Locked([](hostwin::Control& c) {
        std::vector<MessageBoxShown> shown;
        for (auto& m : c.messageBoxes)
            shown.push_back({m.owner, m.text, m.caption, m.type});
        return shown;
    });
}

void ClearMessageBoxes() {
    Locked([](hostwin::Control& c) {
        c.messageBoxes.clear();
        return 0;
    });
}

void SetScreenSaverRunning(bool running) {
    Locked([running](hostwin::Control& c) { return c.screenSaverRunning = running; });
}

bool ScreenSaverRunning() {
    return Locked([](hostwin::Control& c) { return c.screenSaverRunning; });
}

}  // namespace control
