// winmm's audio mixer calls over the devices that hostwin/control describes. Every volume
// control is uniform (one value for all channels) and runs from 0 to 65535.
#include <windows.h>
#include <mmsystem.h>

#include <cstring>

#include "hostwin_private.h"

using control::kDestinationLine;
using control::MixerCall;
using control::MixerLine;
using control::MixerLineRef;
using hostwin::Mixers;
using hostwin::Scheduler;

namespace hostwin {

MixerState& Mixers() {
    static auto* state = new MixerState;
    return *state;
}

MixerLine* FindMixerLine(const MixerLineRef& ref) {
    auto& devices = Mixers().devices;
    if (ref.device >= devices.size())
        return nullptr;
    auto& destinations = devices[ref.device].destinations;
    if (ref.destination >= destinations.size())
        return nullptr;
    auto& destination = destinations[ref.destination];
    if (ref.source == kDestinationLine)
        return &destination.line;
    return ref.source < destination.sources.size() ? &destination.sources[ref.source] : nullptr;
}

}  // namespace hostwin

namespace {

constexpr DWORD kVolumeMaximum = 65535;
constexpr DWORD kObjectTypeMask = 0x70000000;

// Destination lines are numbered 0xFFFF0000 + destination and sources (source << 16) +
// destination, the way common drivers number them.
DWORD LineId(const MixerLineRef& ref) {
    return ref.source == kDestinationLine ? 0xFFFF0000u | ref.destination
                                          : (ref.source << 16) | ref.destination;
}

bool RefFromLineId(UINT device, DWORD id, MixerLineRef& ref) {
    DWORD source = id >> 16;
    ref = {device, id & 0xFFFF, source == 0xFFFF ? kDestinationLine : source};
    return hostwin::FindMixerLine(ref) != nullptr;
}

// Visits the device's lines in order, each destination followed by its sources, until visit
// returns true. Returns whether it did.
template <typename Visit>
bool ForEachLine(UINT device, Visit visit) {
    auto& destinations = Mixers().devices[device].destinations;
    for (DWORD d = 0; d < destinations.size(); ++d) {
        if (visit(MixerLineRef{device, d, kDestinationLine}, destinations[d].line))
            return true;
        for (DWORD s = 0; s < destinations[d].sources.size(); ++s)
            if (visit(MixerLineRef{device, d, s}, destinations[d].sources[s]))
                return true;
    }
    return false;
}

// Volume controls are numbered from 1 in line order.
DWORD ControlIdOf(const MixerLineRef& target) {
    DWORD id = 0;
    ForEachLine(target.device, [&](const MixerLineRef& ref, const MixerLine& line) {
        if (line.hasVolume)
            ++id;
        return ref == target;
    });
    return id;
}

bool FindControl(UINT device, DWORD controlId, MixerLineRef& found) {
    DWORD id = 0;
    return ForEachLine(device, [&](const MixerLineRef& ref, const MixerLine& line) {
        if (!line.hasVolume || ++id != controlId)
            return false;
        found = ref;
        return true;
    });
}

// Counts the call and returns the failure asked for, if this call is to fail.
MMRESULT Enter(MixerCall call) {
    auto& state = Mixers();
    auto kind = static_cast<size_t>(call);
    ++state.counts[kind];
    auto& failure = state.failures[kind];
    if (failure.times == 0)
        return MMSYSERR_NOERROR;
    if (failure.skip > 0) {
        --failure.skip;
        return MMSYSERR_NOERROR;
    }
    if (failure.times > 0)
        --failure.times;
    return failure.result;
}

// The device an object stands for. With the handle flag it must be an open mixer; without
// it, winmm takes a device number or, as the flag is optional, an open mixer handle. Either
// way Wine answers a stranger with MMSYSERR_INVALHANDLE (checked).
MMRESULT ResolveDevice(HMIXEROBJ object, DWORD flags, UINT& device) {
    if (flags & kObjectTypeMask)
        return MMSYSERR_NOTSUPPORTED;  // wave, MIDI, aux: not modelled
    auto value = reinterpret_cast<uintptr_t>(object);
    auto& state = Mixers();
    if (!(flags & MIXER_OBJECTF_HANDLE) && value < state.devices.size()) {
        device = static_cast<UINT>(value);
        return MMSYSERR_NOERROR;
    }
    auto it = state.open.find(value);
    if (it == state.open.end())
        return MMSYSERR_INVALHANDLE;
    device = it->second.device;
    return MMSYSERR_NOERROR;
}

void CopyName(char* to, size_t size, const std::string& from) {
    std::strncpy(to, from.c_str(), size - 1);
    to[size - 1] = '\0';
}

void FillLine(MIXERLINEA& out, const MixerLineRef& ref, const MixerLine& line) {
    DWORD size = out.cbStruct;
    std::memset(&out, 0, sizeof out);
    out.cbStruct = size;
    out.dwDestination = ref.destination;
    bool isSource = ref.source != kDestinationLine;
    out.dwSource = isSource ? ref.source : 0;
    out.dwLineID = LineId(ref);
    out.fdwLine = MIXERLINE_LINEF_ACTIVE | (isSource ? MIXERLINE_LINEF_SOURCE : 0);
    out.dwComponentType = line.componentType;
    out.cChannels = line.channels;
    out.cConnections =
        isSource ? 0
                 : static_cast<DWORD>(
                       Mixers().devices[ref.device].destinations[ref.destination].sources.size());
    out.cControls = line.hasVolume ? 1 : 0;
    CopyName(out.szShortName, sizeof out.szShortName, line.name);
    CopyName(out.szName, sizeof out.szName, line.name);
    CopyName(out.Target.szPname, sizeof out.Target.szPname, Mixers().devices[ref.device].name);
}

void FillVolumeControl(MIXERCONTROLA& out, DWORD id) {
    std::memset(&out, 0, sizeof out);
    out.cbStruct = sizeof out;
    out.dwControlID = id;
    out.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    out.fdwControl = MIXERCONTROL_CONTROLF_UNIFORM;
    CopyName(out.szShortName, sizeof out.szShortName, "Volume");
    CopyName(out.szName, sizeof out.szName, "Volume");
    out.Bounds.dwMinimum = 0;
    out.Bounds.dwMaximum = kVolumeMaximum;
    out.Metrics.cSteps = kVolumeMaximum;
}

MMRESULT FindLine(UINT device, MIXERLINEA& query, DWORD how, MixerLineRef& ref) {
    switch (how) {
        case MIXER_GETLINEINFOF_DESTINATION:
            ref = {device, query.dwDestination, kDestinationLine};
            break;
        case MIXER_GETLINEINFOF_SOURCE:
            if (query.dwSource == kDestinationLine)
                return MIXERR_INVALLINE;
            ref = {device, query.dwDestination, query.dwSource};
            break;
        case MIXER_GETLINEINFOF_LINEID:
            if (!RefFromLineId(device, query.dwLineID, ref))
                return MIXERR_INVALLINE;
            break;
        case MIXER_GETLINEINFOF_COMPONENTTYPE:
            if (!ForEachLine(device, [&](const MixerLineRef& at, const MixerLine& line) {
                    if (line.componentType != query.dwComponentType)
                        return false;
                    ref = at;
                    return true;
                }))
                return MIXERR_INVALLINE;
            break;
        case MIXER_GETLINEINFOF_TARGETTYPE:
            return MMSYSERR_NOTSUPPORTED;
        default:
            return MMSYSERR_INVALFLAG;
    }
    return hostwin::FindMixerLine(ref) ? MMSYSERR_NOERROR : MIXERR_INVALLINE;
}

// The checks that reading and writing a value share. On success, ref is the control's line.
MMRESULT CheckValueCall(MixerCall call, HMIXEROBJ object, LPMIXERCONTROLDETAILS details,
                        DWORD flags, MixerLineRef& ref) {
    if (MMRESULT injected = Enter(call))
        return injected;
    UINT device;
    if (MMRESULT result = ResolveDevice(object, flags, device))
        return result;
    if (!details || details->cbStruct < sizeof(MIXERCONTROLDETAILS))
        return MMSYSERR_INVALPARAM;
    // Lists and custom data belong to other kinds of control.
    if ((flags & MIXER_GETCONTROLDETAILSF_QUERYMASK) != MIXER_GETCONTROLDETAILSF_VALUE)
        return MMSYSERR_NOTSUPPORTED;
    if (!FindControl(device, details->dwControlID, ref))
        return MIXERR_INVALCONTROL;
    // A uniform control is addressed as one channel; per-channel values are not modelled.
    if (details->cChannels != 1 || details->cMultipleItems != 0 ||
        details->cbDetails < sizeof(MIXERCONTROLDETAILS_UNSIGNED) || !details->paDetails)
        return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

}  // namespace

extern "C" {

UINT WINAPI mixerGetNumDevs(void) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    Enter(MixerCall::GetNumDevs);
    return static_cast<UINT>(Mixers().devices.size());
}

MMRESULT WINAPI mixerOpen(LPHMIXER mixer, UINT id, DWORD_PTR callback, DWORD_PTR, DWORD flags) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    auto& state = Mixers();
    MMRESULT result = Enter(MixerCall::Open);
    if (result == MMSYSERR_NOERROR) {
        DWORD callbackType = flags & CALLBACK_TYPEMASK;
        if (!mixer)
            result = MMSYSERR_INVALPARAM;
        else if (flags & ~(CALLBACK_TYPEMASK | kObjectTypeMask | MIXER_OBJECTF_HANDLE))
            result = MMSYSERR_INVALFLAG;
        else if (callbackType != CALLBACK_NULL && callbackType != CALLBACK_WINDOW)
            result = MMSYSERR_INVALFLAG;
        else if (flags & (kObjectTypeMask | MIXER_OBJECTF_HANDLE))
            result = MMSYSERR_NOTSUPPORTED;  // opening through a wave or MIDI device
        else if (id >= state.devices.size())
            result = MMSYSERR_BADDEVICEID;
    }
    if (result != MMSYSERR_NOERROR) {
        if (mixer)
            *mixer = NULL;
        return result;
    }
    uintptr_t handle = state.nextHandle;
    state.nextHandle += 0x10;
    state.open[handle] = control::OpenMixer{id, callback, flags};
    *mixer = reinterpret_cast<HMIXER>(handle);
    return MMSYSERR_NOERROR;
}

// Windows documents MMSYSERR_INVALHANDLE for a handle that is not open; Wine, our referee,
// accepts any handle (checked), and nothing here relies on either.
MMRESULT WINAPI mixerClose(HMIXER mixer) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    if (MMRESULT injected = Enter(MixerCall::Close))
        return injected;
    Mixers().open.erase(reinterpret_cast<uintptr_t>(mixer));
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI mixerGetLineInfoA(HMIXEROBJ object, LPMIXERLINEA line, DWORD flags) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    if (MMRESULT injected = Enter(MixerCall::GetLineInfo))
        return injected;
    UINT device;
    if (MMRESULT result = ResolveDevice(object, flags, device))
        return result;
    if (!line || line->cbStruct < sizeof(MIXERLINEA))
        return MMSYSERR_INVALPARAM;
    MixerLineRef ref;
    if (MMRESULT result = FindLine(device, *line, flags & MIXER_GETLINEINFOF_QUERYMASK, ref))
        return result;
    FillLine(*line, ref, *hostwin::FindMixerLine(ref));
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI mixerGetLineControlsA(HMIXEROBJ object, LPMIXERLINECONTROLSA controls,
                                      DWORD flags) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    if (MMRESULT injected = Enter(MixerCall::GetLineControls))
        return injected;
    UINT device;
    if (MMRESULT result = ResolveDevice(object, flags, device))
        return result;
    if (!controls || controls->cbStruct < sizeof(MIXERLINECONTROLSA))
        return MMSYSERR_INVALPARAM;
    // Only the query by control type is modelled; the product asks for nothing else.
    if ((flags & MIXER_GETLINECONTROLSF_QUERYMASK) != MIXER_GETLINECONTROLSF_ONEBYTYPE)
        return MMSYSERR_NOTSUPPORTED;
    MixerLineRef ref;
    if (!RefFromLineId(device, controls->dwLineID, ref))
        return MIXERR_INVALLINE;
    if (controls->cControls != 1 || controls->cbmxctrl < sizeof(MIXERCONTROLA) ||
        !controls->pamxctrl)
        return MMSYSERR_INVALPARAM;
    if (controls->dwControlType != MIXERCONTROL_CONTROLTYPE_VOLUME ||
        !hostwin::FindMixerLine(ref)->hasVolume)
        return MIXERR_INVALCONTROL;
    FillVolumeControl(*controls->pamxctrl, ControlIdOf(ref));
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI mixerGetControlDetailsA(HMIXEROBJ object, LPMIXERCONTROLDETAILS details,
                                        DWORD flags) {
    std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
    MixerLineRef ref;
    if (MMRESULT result = CheckValueCall(MixerCall::GetControlDetails, object, details, flags, ref))
        return result;
    static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails)->dwValue =
        hostwin::FindMixerLine(ref)->volume;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI mixerSetControlDetails(HMIXEROBJ object, LPMIXERCONTROLDETAILS details,
                                       DWORD flags) {
    std::function<void(MixerLineRef, DWORD)> observer;
    MixerLineRef ref;
    DWORD stored;
    {
        std::lock_guard<std::mutex> lk(Scheduler::Get().mu);
        if (MMRESULT result =
                CheckValueCall(MixerCall::SetControlDetails, object, details, flags, ref))
            return result;
        DWORD wanted = static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails)->dwValue;
        // The control keeps to its bounds, as the system's volume does.
        stored = wanted > kVolumeMaximum ? kVolumeMaximum : wanted;
        hostwin::FindMixerLine(ref)->volume = stored;
        observer = Mixers().writeObserver;
    }
    if (observer)
        observer(ref, stored);
    return MMSYSERR_NOERROR;
}

}  // extern "C"
