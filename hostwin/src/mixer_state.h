// The mixer devices behind winmm, shared by the calls (mixer.cpp) and hostwin/control.
// Guarded by the scheduler's lock.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <functional>
#include <map>
#include <vector>

#include "hostwin/control/mixer.h"

namespace hostwin {

struct MixerFailure {
    MMRESULT result = MMSYSERR_NOERROR;
    int skip = 0;
    int times = 0;  // < 0: for ever
};

struct MixerState {
    std::vector<hwc::MixerDevice> devices;
    std::map<uintptr_t, hwc::OpenMixer> open;
    // Handle values stay far above any device number, so that a handle passed where a number
    // is expected is never taken for one.
    uintptr_t nextHandle = 0x7A000;
    std::array<int, hwc::kMixerCallKinds> counts{};
    std::array<MixerFailure, hwc::kMixerCallKinds> failures{};
    std::function<void(hwc::MixerLineRef, DWORD)> writeObserver;
};

MixerState& Mixers();

// The line at ref, or nullptr.
hwc::MixerLine* FindMixerLine(const hwc::MixerLineRef& ref);

}  // namespace hostwin
