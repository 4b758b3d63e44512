#include "testbed/SystemKeys.h"

#include "hostwin/control/desktop.h"
#include "testbed/SimulatedPlayer.h"
#include "testbed/SoundCard.h"

namespace testbed {

SystemKeys::SystemKeys(SoundCard& card, SimulatedPlayer* player) : card_(card), player_(player) {
    control::SetPassedKeySink([this](DWORD vk, bool down) { Take(vk, down); });
}

SystemKeys::~SystemKeys() {
    control::SetPassedKeySink(nullptr);
}

// A key held down repeats as further key-downs, and each one steps; key-ups do nothing.
void SystemKeys::Take(DWORD vk, bool down) {
    {
        std::lock_guard<std::mutex> lk(mu_);
        passed_.push_back({vk, down});
    }
    if (down && vk == VK_MEDIA_PLAY_PAUSE && player_)
        player_->PlayPause();
    if (!down || (vk != VK_VOLUME_UP && vk != VK_VOLUME_DOWN))
        return;
    long long master = card_.Volume(SoundCardLine::Master);
    master += vk == VK_VOLUME_UP ? kMasterStep : -static_cast<long long>(kMasterStep);
    card_.SetVolume(SoundCardLine::Master, static_cast<DWORD>(master < 0       ? 0
                                                              : master > 65535 ? 65535
                                                                               : master));
}

std::vector<PassedKey> SystemKeys::Passed() const {
    std::lock_guard<std::mutex> lk(mu_);
    return passed_;
}

void SystemKeys::Clear() {
    std::lock_guard<std::mutex> lk(mu_);
    passed_.clear();
}

}  // namespace testbed
