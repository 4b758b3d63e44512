// The stand-in's clock. While it is driven by hand, GetTickCount and every Sleep and timed wait
// follow it, and advancing it runs the simulated world deterministically.
#pragma once

#include <cstdint>
#include <functional>

namespace control {

// From now on the clock stands at startTick until advanced.
void UseManualClock(uint32_t startTick);
// Back to real time (the default).
void UseRealClock();

// Advances the hand-driven clock by ms: wakes each thread whose Sleep or timed wait falls due,
// in time order, and returns once every thread has blocked again. False if the world stayed
// busy (a hang) or the clock is not driven by hand.
bool AdvanceClock(uint32_t ms);
// The same, calling atRest each time the world has come to rest on the way (after every due
// wake-up and at the end), with the clock standing at that moment.
bool AdvanceClock(uint32_t ms, const std::function<void()>& atRest);

// Waits until every thread made by CreateThread is blocked. False on a hang.
bool WaitIdle();

// How long, in real time, waiting for the world to come to rest may take before it counts as a
// hang (30 s unless set); 0 waits for ever, for a caller that judges hangs itself. Returns the
// time set before.
uint32_t SetIdleTimeout(uint32_t ms);

// Advances from one due wake-up to the next until done() holds (checked whenever the world is
// quiet) or maxMs have passed. Returns whether done() held.
bool AdvanceUntil(const std::function<bool()>& done, uint32_t maxMs);

// Threads made by CreateThread that have not ended yet.
int LiveThreadCount();

}  // namespace control
