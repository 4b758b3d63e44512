// A G15 on the simulated HID bus: its selector-1 and selector-2 backlights and its M-key LEDs,
// driven by feature report 2, with every report recorded.
#pragma once

#include <array>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace testbed {

// One light report as the keyboard saw it: bytes as they arrived (set) or as it answered (get).
struct LightReport {
    bool set;
    std::array<unsigned char, 4> bytes;
};

class SimulatedKeyboard {
public:
    static constexpr char kDefaultPath[] =
        "\\\\?\\hid#vid_046d&pid_c222&mi_01#7&1e8d6c2&0&0000#{4d1e55b2-f16f-11cf-88cb-"
        "001111000030}";

    // Plugs the keyboard in (after any devices already there); unplugged when destroyed.
    explicit SimulatedKeyboard(std::string path = kDefaultPath);
    ~SimulatedKeyboard();
    SimulatedKeyboard(const SimulatedKeyboard&) = delete;
    SimulatedKeyboard& operator=(const SimulatedKeyboard&) = delete;

    const std::string& Path() const { return path_; }

    // The lights as they are now. The selector-2 backlight keeps its level in the upper four
    // bits of its value, as the system writes it.
    int Selector1() const;
    int Selector2() const;
    int Mkeys() const;
    void SetLights(int selector1, int selector2, int mkeys);

    // The last reports (at most kReportsKept), oldest first: a long run stays within a fixed
    // amount of memory.
    static constexpr size_t kReportsKept = 8192;
    std::vector<LightReport> Reports() const;
    // Only the reports written to the keyboard, as (selector, value).
    std::vector<std::pair<int, int>> Writes() const;
    void ClearReports();
    // Called for every report written to the keyboard, on the writer's thread.
    void SetWriteObserver(std::function<void(int selector, int value)> observer);

    void Unplug();
    // How many handles the system has open on the keyboard's interface.
    int OpenHandles() const;

private:
    bool OnFeature(bool set, unsigned char* report, unsigned long length);

    std::string path_;
    int deviceId_ = 0;
    mutable std::mutex mu_;
    int selector1_ = 0;
    int selector2_ = 0;
    int mkeys_ = 0;
    std::vector<LightReport> reports_;  // a ring once full
    size_t oldestReport_ = 0;
    std::function<void(int, int)> observer_;
};

}  // namespace testbed
