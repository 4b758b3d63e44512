#include "mixer/NemboMixer.h"

// The sizes of the records a 32-bit player process passes; sizeof gives them there, and the
// right sizes for wider pointers elsewhere.
static_assert(sizeof(void*) != 4 ||
                  (sizeof(MIXERLINEA) == 168 && sizeof(MIXERLINECONTROLSA) == 24 &&
                   sizeof(MIXERCONTROLA) == 148 && sizeof(MIXERCONTROLDETAILS) == 24),
              "mixer records as the 32-bit system lays them out");

namespace {

// Fills line with the speakers destination, or with its source of the wanted type. When no
// source matches, the last one examined stays (the destination itself if it has none).
bool FindLine(HMIXEROBJ mixer, DWORD componentType, MIXERLINEA& line) {
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    if (mixerGetLineInfoA(mixer, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
        MMSYSERR_NOERROR)
        return false;
    if (componentType == kMixerMasterComponent)
        return true;
    DWORD destination = line.dwDestination;
    DWORD sources = line.cConnections;
    for (DWORD source = 0; source < sources; ++source) {
        line.cbStruct = sizeof line;
        line.dwDestination = destination;
        line.dwSource = source;
        // No handle flag: winmm also takes an open handle where a device number may stand.
        if (mixerGetLineInfoA(mixer, &line, MIXER_GETLINEINFOF_SOURCE) != MMSYSERR_NOERROR)
            return false;
        if (line.dwComponentType == componentType)
            break;
    }
    return true;
}

}  // namespace

CNemboMixer::CNemboMixer(HWND window, DWORD componentType)
    : mixerHandle(NULL), controlId(0), lastResult(MMSYSERR_NOERROR), channelCount(0), ready(0) {
    InitializeCriticalSection(&lock_);
    if (mixerGetNumDevs() == 0)
        return;
    lastResult =
        mixerOpen(&mixerHandle, 0, reinterpret_cast<DWORD_PTR>(window), 0, CALLBACK_WINDOW);
    if (lastResult != MMSYSERR_NOERROR) {
        mixerHandle = NULL;  // whatever a failed open left there is nothing to close
        return;
    }
    MIXERLINEA line = {};
    if (!FindLine(Object(), componentType, line))
        return;

    MIXERCONTROLA control = {};
    MIXERLINECONTROLSA query = {};
    query.cbStruct = sizeof query;
    query.dwLineID = line.dwLineID;
    query.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    query.cControls = 1;
    query.cbmxctrl = sizeof control;
    query.pamxctrl = &control;
    if (mixerGetLineControlsA(Object(), &query,
                              MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
        MMSYSERR_NOERROR)
        return;
    controlId = control.dwControlID;
    channelCount = 1;  // all channels as one
    ready.store(1, std::memory_order_relaxed);
}

CNemboMixer::~CNemboMixer() {
    if (mixerHandle)
        mixerClose(mixerHandle);
    DeleteCriticalSection(&lock_);
}

// A failed read disables the object for good.
bool CNemboMixer::ReadLocked(MIXERCONTROLDETAILS& details, MIXERCONTROLDETAILS_UNSIGNED& value) {
    details.cbStruct = sizeof details;
    details.dwControlID = controlId;
    details.cChannels = channelCount;
    details.cMultipleItems = 0;
    details.cbDetails = sizeof value;
    details.paDetails = &value;
    lastResult = mixerGetControlDetailsA(Object(), &details, MIXER_GETCONTROLDETAILSF_VALUE);
    if (lastResult == MMSYSERR_NOERROR)
        return true;
    ready.store(0, std::memory_order_relaxed);
    return false;
}

DWORD CNemboMixer::GetValue() {
    EnterCriticalSection(&lock_);
    MIXERCONTROLDETAILS details = {};
    MIXERCONTROLDETAILS_UNSIGNED value = {};
    bool read = ready.load(std::memory_order_relaxed) && ReadLocked(details, value);
    LeaveCriticalSection(&lock_);
    return read ? value.dwValue : 0;
}

int CNemboMixer::SetValue(DWORD value) {
    EnterCriticalSection(&lock_);
    int written = 0;
    MIXERCONTROLDETAILS details = {};
    MIXERCONTROLDETAILS_UNSIGNED present = {};
    if (ready.load(std::memory_order_relaxed) && ReadLocked(details, present)) {
        present.dwValue = value;
        lastResult = mixerSetControlDetails(Object(), &details, MIXER_SETCONTROLDETAILSF_VALUE);
        if (lastResult == MMSYSERR_NOERROR)
            written = 1;
        else
            ready.store(0, std::memory_order_relaxed);
    }
    LeaveCriticalSection(&lock_);
    return written;
}
