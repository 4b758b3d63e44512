// The machine's sound card as the plug-in finds it through winmm: one mixer device whose
// speakers destination has a master volume and several sources, the wave-out among them,
// each from 0 to 65535. Or a machine with no mixer device at all.
#pragma once

#include <windows.h>

#include <functional>

namespace testbed {

enum class MixerLine { Wave, Master };
const char* MixerLineName(MixerLine line);  // "wave", "master"

class Mixer {
public:
    static constexpr DWORD kStartMaster = 39321;  // 60 %
    static constexpr DWORD kStartWave = 52428;    // 80 %

    explicit Mixer(bool present = true);
    ~Mixer();  // takes the devices away again
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    bool Present() const { return present_; }

    // Another program turns a volume (0 to 65535). Nothing happens on a machine without a mixer.
    void SetVolume(MixerLine line, DWORD value);
    // The volume now; 0 without a mixer.
    DWORD Volume(MixerLine line) const;

    // Called for every wave or master value written through winmm (the plug-in's writes, not
    // another program's), on the writer's thread.
    void SetWriteObserver(std::function<void(MixerLine line, DWORD value)> observer);

private:
    bool present_;
};

}  // namespace testbed
