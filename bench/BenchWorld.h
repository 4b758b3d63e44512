// The desk the benchmarks run in: the testbed's player on its own thread, the LCD service, a
// sound card and the keyboard, with the plug-in's display built on the calling thread, so that
// each pass can be run and timed by hand. Made once per process.
#pragma once

#include <cstdint>

namespace bench {

class BenchWorld {
public:
    // The world, made on first use on the calling thread, which then plays the display thread.
    static BenchWorld& Get();
    // Ends the display and takes the world down again.
    static void TearDown();

    // Shows a screen as a soft button would, and lets the auto-leave of the secondary screens
    // wait for ever, so that every pass is a pass of that screen.
    void Show(int screen);
    // Simulated time moves on by one pass's Sleep.
    void NextTick();
    // One pass of the display thread, on this thread.
    void Pass();
    // One pass on the player's own thread, where each message to the player is a plain call
    // rather than two thread switches: the plug-in's own work and its drawing, without the
    // transport. Returns the CPU time of that pass alone, in seconds.
    double PassOnPlayerThread();
    // The playing track's title (UTF-8), before the warm-up.
    void SetTitle(const char* title);
    // Passes until scrolling, alerts and caches have settled.
    void WarmUp(int passes);

private:
    BenchWorld();
    ~BenchWorld();
    struct Parts;
    Parts* parts_;
};

}  // namespace bench
