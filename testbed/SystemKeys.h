// What the rest of the system does with the keys that the low-level hooks pass on: the volume
// keys step the master volume as Windows does, 2 of 100 per key press, and the play/pause key
// reaches the player, which plays or pauses as a player with global media keys does. Every
// passed key is kept, so that a test can tell what reached the system and what a hook
// swallowed.
#pragma once

#include <windows.h>

#include <mutex>
#include <vector>

namespace testbed {

class SimulatedPlayer;
class SoundCard;

struct PassedKey {
    DWORD vk;
    bool down;
};

class SystemKeys {
public:
    // 65535 * 2 / 100, rounded.
    static constexpr DWORD kMasterStep = 1311;

    // Takes the keys the hooks pass on from now until destruction. Without a player the
    // play/pause key reaches nothing.
    explicit SystemKeys(SoundCard& card, SimulatedPlayer* player = nullptr);
    ~SystemKeys();
    SystemKeys(const SystemKeys&) = delete;
    SystemKeys& operator=(const SystemKeys&) = delete;

    std::vector<PassedKey> Passed() const;
    void Clear();

private:
    void Take(DWORD vk, bool down);

    SoundCard& card_;
    SimulatedPlayer* player_;
    mutable std::mutex mu_;
    std::vector<PassedKey> passed_;
};

}  // namespace testbed
