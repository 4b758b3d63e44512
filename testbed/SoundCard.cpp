#include "testbed/SoundCard.h"

#include "hostwin/control/mixer_devices.h"

namespace testbed {
namespace {

// Speakers first with the wave-out as its second source, then the recording side, as a
// typical sound card's mixer shows them.
constexpr control::MixerLineRef kMasterRef{0, 0, control::kDestinationLine};
constexpr control::MixerLineRef kWaveRef{0, 0, 1};

control::MixerDevice CardMixer() {
    control::MixerDevice card;
    card.name = "Testbed Sound Card";
    control::MixerDestination speakers{
        {"Master Volume", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 2, true, SoundCard::kStartMaster},
        {
            {"SW Synth", MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER, 2, true, 45000},
            {"Wave", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 2, true, SoundCard::kStartWave},
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

control::MixerLineRef RefOf(SoundCardLine line) {
    return line == SoundCardLine::Wave ? kWaveRef : kMasterRef;
}

}  // namespace

const char* SoundCardLineName(SoundCardLine line) {
    return line == SoundCardLine::Wave ? "wave" : "master";
}

SoundCard::SoundCard(bool present) : present_(present) {
    if (present)
        control::SetMixerDevices({CardMixer()});
    else
        control::SetMixerDevices({});
}

SoundCard::~SoundCard() {
    control::SetMixerWriteObserver(nullptr);
    control::SetMixerDevices({});
}

void SoundCard::SetVolume(SoundCardLine line, DWORD value) {
    if (present_)
        control::SetMixerVolume(RefOf(line), value);
}

DWORD SoundCard::Volume(SoundCardLine line) const {
    return present_ ? static_cast<DWORD>(control::MixerVolume(RefOf(line))) : 0;
}

void SoundCard::SetWriteObserver(std::function<void(SoundCardLine, DWORD)> observer) {
    if (!observer) {
        control::SetMixerWriteObserver(nullptr);
        return;
    }
    control::SetMixerWriteObserver([observer](control::MixerLineRef ref, DWORD value) {
        if (ref == kMasterRef)
            observer(SoundCardLine::Master, value);
        if (ref == kWaveRef)
            observer(SoundCardLine::Wave, value);
    });
}

}  // namespace testbed
