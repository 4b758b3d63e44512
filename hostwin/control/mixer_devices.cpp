#include "hostwin/control/mixer_devices.h"

#include "hostwin_private.h"

using hostwin::Mixers;
using hostwin::Scheduler;

namespace control {

void SetMixerDevices(std::vector<MixerDevice> devices) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    auto& state = Mixers();
    state.devices = std::move(devices);
    state.open.clear();
    state.counts = {};
    state.failures = {};
}

bool SetMixerVolume(MixerLineRef line, DWORD value) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    MixerLine* found = hostwin::FindMixerLine(line);
    if (!found || !found->hasVolume || value > 65535)
        return false;
    found->volume = value;
    return true;
}

long long MixerVolume(MixerLineRef line) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    MixerLine* found = hostwin::FindMixerLine(line);
    return found && found->hasVolume ? found->volume : -1;
}

void FailMixerCall(MixerCall call, MMRESULT result, int times, int skip) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    Mixers().failures[static_cast<size_t>(call)] = {result, skip, times};
}

int MixerCallCount(MixerCall call) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    return Mixers().counts[static_cast<size_t>(call)];
}

int MixerCallCount() {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    int total = 0;
    for (int count : Mixers().counts)
        total += count;
    return total;
}

std::vector<OpenMixer> OpenMixers() {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    std::vector<OpenMixer> open;
    for (const auto& [handle, mixer] : Mixers().open)
        open.push_back(mixer);
    return open;
}

void SetMixerWriteObserver(std::function<void(MixerLineRef line, DWORD value)> observer) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    Mixers().writeObserver = std::move(observer);
}

}  // namespace control
