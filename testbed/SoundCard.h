// The machine's sound card as the plug-in finds it through winmm: one mixer device whose
// speakers destination has a master volume and several sources, the wave-out among them,
// each from 0 to 65535. Or a machine with no mixer device at all.
#pragma once

#include <windows.h>

#include <functional>

namespace testbed {

enum class SoundCardLine { Wave, Master };
const char* SoundCardLineName(SoundCardLine line);  // "wave", "master"

class SoundCard {
public:
    static constexpr DWORD kStartMaster = 39321;  // 60 %
    static constexpr DWORD kStartWave = 52428;    // 80 %

    explicit SoundCard(bool present = true);
    ~SoundCard();  // takes the devices away again
    SoundCard(const SoundCard&) = delete;
    SoundCard& operator=(const SoundCard&) = delete;

    bool Present() const { return present_; }

    // Another program turns a volume (0 to 65535). Nothing happens on a machine without a mixer.
    void SetVolume(SoundCardLine line, DWORD value);
    // The volume now; 0 without a mixer.
    DWORD Volume(SoundCardLine line) const;

    // Called for every wave or master value written through winmm (the plug-in's writes, not
    // another program's), on the writer's thread.
    void SetWriteObserver(std::function<void(SoundCardLine line, DWORD value)> observer);

private:
    bool present_;
};

}  // namespace testbed
