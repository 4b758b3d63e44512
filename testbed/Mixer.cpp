#include "testbed/Mixer.h"

#include "hostwin/control/mixer.h"

namespace testbed {
namespace {

// Speakers first with the wave-out as its second source, then the recording side, as a
// typical sound card's mixer shows them.
constexpr control::MixerLineRef kMasterRef{0, 0, control::kDestinationLine};
constexpr control::MixerLineRef kWaveRef{0, 0, 1};

control::MixerDevice SoundCard() {
    control::MixerDevice card;
    card.name = "Testbed Sound Card";
    control::MixerDestination speakers{
        {"Master Volume", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 2, true, Mixer::kStartMaster},
        {
            {"SW Synth", MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER, 2, true, 45000},
            {"Wave", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 2, true, Mixer::kStartWave},
            {"CD Audio", MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, 2, true, 40000},
            {"Line In", MIXERLINE_COMPONENTTYPE_SRC_LINE, 2, true, 30000},
            {"PC Speaker", MIXERLINE_COMPONENTTYPE_SRC_PCSPEAKER, 1, false, 0},
        }};
    control::MixerDestination recording{
        {"Recording Control", MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 2, true, 50000},
        {
            {"Microphone", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 1, true, 32768},
            {"Line In", MIXERLINE_COMPONENTTYPE_SRC_LINE, 2, true, 32768},
        }};
    card.destinations = {speakers, recording};
    return card;
}

control::MixerLineRef RefOf(MixerLine line) {
    return line == MixerLine::Wave ? kWaveRef : kMasterRef;
}

}  // namespace

const char* MixerLineName(MixerLine line) {
    return line == MixerLine::Wave ? "wave" : "master";
}

Mixer::Mixer(bool present) : present_(present) {
    if (present)
        control::SetMixerDevices({SoundCard()});
    else
        control::SetMixerDevices({});
}

Mixer::~Mixer() {
    control::SetMixerWriteObserver(nullptr);
    control::SetMixerDevices({});
}

void Mixer::SetVolume(MixerLine line, DWORD value) {
    if (present_)
        control::SetMixerVolume(RefOf(line), value);
}

DWORD Mixer::Volume(MixerLine line) const {
    return present_ ? static_cast<DWORD>(control::MixerVolume(RefOf(line))) : 0;
}

void Mixer::SetWriteObserver(std::function<void(MixerLine, DWORD)> observer) {
    if (!observer) {
        control::SetMixerWriteObserver(nullptr);
        return;
    }
    control::SetMixerWriteObserver([observer](control::MixerLineRef ref, DWORD value) {
        if (ref == kMasterRef)
            observer(MixerLine::Master, value);
        if (ref == kWaveRef)
            observer(MixerLine::Wave, value);
    });
}

}  // namespace testbed
