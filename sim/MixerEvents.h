// The "mixer" log event: every wave or master value the plug-in writes.
#pragma once

#include <cstdint>
#include <functional>

#include "sim/Log.h"

namespace testbed {
class SoundCard;
}

namespace sim {

// From now on each value written to the mixer's wave or master volume through winmm is logged
// as {"t":now(),"event":"mixer","line":"wave"|"master","value":V}.
void LogMixerWrites(testbed::SoundCard& mixer, Log& log, std::function<uint32_t()> now);

}  // namespace sim
