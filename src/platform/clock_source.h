// The monotonic clock under the program clock and the window timers.
#pragma once

#include <cstdint>

// Nanoseconds of CLOCK_MONOTONIC, or of the test clock when one is set.
uint64_t PlatClockNanos();
// Milliseconds of the same clock (the shape of timeGetTime).
unsigned long PlatTickMs();

// Tests replace the clock so that minutes of program time pass in
// microseconds. Null restores the real clock.
typedef uint64_t (*PlatClockFn)();
void PlatSetClockOverride(PlatClockFn fn);

// A manual clock for tests: PlatUseManualClock switches to it, PlatAdvanceManualClock moves it.
void PlatUseManualClock(uint64_t startNanos);
void PlatAdvanceManualClock(uint64_t nanos);
