// One volume control of the system's first mixer device: the speakers line itself (the master
// volume) or one of its source lines (the wave volume).
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <atomic>

// Asks for the speakers destination line itself; it is no source type.
constexpr DWORD kMixerMasterComponent = 0x100B;

// The plug-in's mixer class under its long-standing name: one volume control, 0 to 65535.
class CNemboMixer {
public:
    // window receives the mixer's change notifications; componentType is
    // kMixerMasterComponent or the source type wanted (MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT).
    // Never fails visibly: on any failure the object is simply not ready.
    CNemboMixer(HWND window, DWORD componentType);
    virtual ~CNemboMixer();
    CNemboMixer(const CNemboMixer&) = delete;
    CNemboMixer& operator=(const CNemboMixer&) = delete;

    // The control's value; 0 when not ready or when the read fails.
    DWORD GetValue();
    // 1 if value was written; 0 when not ready or when a call fails.
    int SetValue(DWORD value);

    HMIXER mixerHandle;
    DWORD controlId;
    MMRESULT lastResult;  // of the last open, read or write
    DWORD channelCount;
    // The display thread and the player's thread both call in, and the display thread also
    // reads this field directly. Each call runs whole under the object's critical section, so
    // one never sees the other's half-done call; ready is atomic for the direct readers, and
    // is stored only under the lock and only when a call has failed (never as a "busy" mark),
    // so every reader sees 1 or a final 0.
    std::atomic<int> ready;

private:
    bool ReadLocked(MIXERCONTROLDETAILS& details, MIXERCONTROLDETAILS_UNSIGNED& value);
    HMIXEROBJ Object() const { return reinterpret_cast<HMIXEROBJ>(mixerHandle); }

    CRITICAL_SECTION lock_;
};

static_assert(sizeof(std::atomic<int>) == 4 && std::atomic<int>::is_always_lock_free,
              "ready is read as a plain 32-bit int");
