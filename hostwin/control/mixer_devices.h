// The machine's audio mixer devices as winmm presents them: destinations found by component
// type, their source lines, a volume control on a line or none, values that another program
// may change, and any winmm call made to fail on demand. At start there is no mixer device.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <functional>
#include <string>
#include <vector>

namespace control {

struct MixerLine {
    std::string name;
    DWORD componentType = 0;
    DWORD channels = 2;
    bool hasVolume = true;
    DWORD volume = 0;  // the volume control's value, 0 to 65535
};

struct MixerDestination {
    MixerLine line;
    std::vector<MixerLine> sources;
};

struct MixerDevice {
    std::string name = "Stand-in Mixer";
    std::vector<MixerDestination> destinations;
};

// Replaces every mixer device. Handles open on the old devices become invalid, call counts
// start again from 0 and pending failures are dropped.
void SetMixerDevices(std::vector<MixerDevice> devices);

// Where a line is. source is kDestinationLine for the destination line itself.
constexpr DWORD kDestinationLine = 0xFFFFFFFF;
struct MixerLineRef {
    UINT device = 0;
    DWORD destination = 0;
    DWORD source = kDestinationLine;
    bool operator==(const MixerLineRef&) const = default;
};

// Another program sets a line's volume: no winmm call, so not counted and not observed.
// False if there is no such line, it has no volume control or value is above 65535.
bool SetMixerVolume(MixerLineRef line, DWORD value);
// The line's volume, or -1 if there is no such line or volume control.
long long MixerVolume(MixerLineRef line);

enum class MixerCall {
    GetNumDevs,  // counted only: it has no way to fail
    Open,
    Close,
    GetLineInfo,
    GetLineControls,
    GetControlDetails,
    SetControlDetails,
};
constexpr int kMixerCallKinds = 7;

// After `skip` further calls of that kind have gone their normal way, the next `times` calls
// (every one when times < 0) return result at once and change nothing.
void FailMixerCall(MixerCall call, MMRESULT result, int times = 1, int skip = 0);
// Calls made since the devices were set, failed ones included.
int MixerCallCount(MixerCall call);
int MixerCallCount();

struct OpenMixer {
    UINT device;
    DWORD_PTR callback;
    DWORD flags;
};
std::vector<OpenMixer> OpenMixers();

// Called for every value that mixerSetControlDetails stores, on the caller's thread and
// outside the stand-in's lock. Replaces the previous observer; nullptr removes it.
void SetMixerWriteObserver(std::function<void(MixerLineRef line, DWORD value)> observer);

}  // namespace control
