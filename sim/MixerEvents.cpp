#include "sim/MixerEvents.h"

#include "testbed/SoundCard.h"

namespace sim {

void LogMixerWrites(testbed::SoundCard& mixer, Log& log, std::function<uint32_t()> now) {
    mixer.SetWriteObserver([&log, now](testbed::SoundCardLine line, DWORD value) {
        log.Write(Event(now(), "mixer")
                      .Add("line", testbed::SoundCardLineName(line))
                      .Add("value", static_cast<long long>(value)));
    });
}

}  // namespace sim
