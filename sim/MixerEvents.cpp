#include "sim/MixerEvents.h"

#include "testbed/Mixer.h"

namespace sim {

void LogMixerWrites(testbed::Mixer& mixer, Log& log, std::function<uint32_t()> now) {
    mixer.SetWriteObserver([&log, now](testbed::MixerLine line, DWORD value) {
        log.Write(Event(now(), "mixer")
                      .Add("line", testbed::MixerLineName(line))
                      .Add("value", static_cast<long long>(value)));
    });
}

}  // namespace sim
