#include "sim/Progress.h"

#include <cstdio>

#include "sim/ErrorOutput.h"

namespace sim {
namespace {

// A run shorter than this says nothing; a longer one refreshes its line this often.
constexpr auto kQuietStart = std::chrono::seconds(2);
constexpr auto kRefresh = std::chrono::milliseconds(250);

std::string HoursMinutesSeconds(uint64_t ms) {
    uint64_t seconds = ms / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%llu:%02llu:%02llu",
                  static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60));
    return text;
}

}  // namespace

std::string ProgressText(uint32_t nowMs, uint64_t totalMs) {
    std::string text = "velm-sim: simulated " + HoursMinutesSeconds(nowMs);
    if (totalMs == 0)
        return text;
    // Keys after a soft button add a little to what the waits ask for.
    uint64_t percent = nowMs >= totalMs ? 100 : nowMs * 100 / totalMs;
    return text + " of " + HoursMinutesSeconds(totalMs) + " (" + std::to_string(percent) + " %)";
}

Progress::Progress(bool enabled, uint64_t totalMs)
    : enabled_(enabled), totalMs_(totalMs), start_(Clock::now()), nextShow_(start_ + kQuietStart) {}

void Progress::At(uint32_t nowMs) {
    if (!enabled_)
        return;
    Clock::time_point now = Clock::now();
    if (now < nextShow_)
        return;
    nextShow_ = now + kRefresh;
    ShowProgress(ProgressText(nowMs, totalMs_));
    shown_ = true;
}

void Progress::Done() {
    if (shown_)
        ClearProgress();
    shown_ = false;
}

}  // namespace sim
