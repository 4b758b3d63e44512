#include "testbed/Mixer.h"

#include "hostwin/control/mixer.h"

namespace testbed {
namespace {

// Speakers first with the wave-out as its second source, then the recording side, as a
// typical sound card's mixer shows them.
constexpr hwc::MixerLineRef kMasterRef{0, 0, hwc::kDestinationLine};
constexpr hwc::MixerLineRef kWaveRef{0, 0, 1};

hwc::MixerDevice SoundCard() {
    hwc::MixerDevice card;
    card.name = "Testbed Sound Card";
    hwc::MixerDestination speakers{
        {"Master Volume", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 2, true, Mixer::kStartMaster},
        {
            {"SW Synth", MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER, 2, true, 45000},
            {"Wave", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 2, true, Mixer::kStartWave},
            {"CD Audio", MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, 2, true, 40000},
            {"Line In", MIXERLINE_COMPONENTTYPE_SRC_LINE, 2, true, 30000},
            {"PC Speaker", MIXERLINE_COMPONENTTYPE_SRC_PCSPEAKER, 1, false, 0},
        }};
    hwc::MixerDestination recording{
        {"Recording Control", MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 2, true, 50000},
        {
            {"Microphone", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 1, true, 32768},
            {"Line In", MIXERLINE_COMPONENTTYPE_SRC_LINE, 2, true, 32768},
        }};
    card.destinations = {speakers, recording};
    return card;
}

hwc::MixerLineRef RefOf(MixerLine line) {
    return line == MixerLine::Wave ? kWaveRef : kMasterRef;
}

}  // namespace

const char* MixerLineName(MixerLine line) {
    return line == MixerLine::Wave ? "wave" : "master";
}

Mixer::Mixer(bool present) : present_(present) {
    if (present)
        hwc::SetMixerDevices({SoundCard()});
    else
        hwc::SetMixerDevices({});
}

Mixer::~Mixer() {
    hwc::SetMixerWriteObserver(nullptr);
    hwc::SetMixerDevices({});
}

void Mixer::SetVolume(MixerLine line, DWORD value) {
    if (present_)
        hwc::SetMixerVolume(RefOf(line), value);
}

DWORD Mixer::Volume(MixerLine line) const {
    return present_ ? static_cast<DWORD>(hwc::MixerVolume(RefOf(line))) : 0;
}

void Mixer::SetWriteObserver(std::function<void(MixerLine, DWORD)> observer) {
    if (!observer) {
        hwc::SetMixerWriteObserver(nullptr);
        return;
    }
    hwc::SetMixerWriteObserver([observer](hwc::MixerLineRef ref, DWORD value) {
        if (ref == kMasterRef)
            observer(MixerLine::Master, value);
        if (ref == kWaveRef)
            observer(MixerLine::Wave, value);
    });
}

}  // namespace testbed
