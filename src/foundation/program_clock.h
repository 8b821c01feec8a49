// The program clock: ticks at a rate the program sets (64 per second in the
// launcher), counted from the monotonic clock source of the platform layer.
//
// The counter under the clock is PlatClockNanos(), so one counter increment is
// one nanosecond: CPUSpeed is 1e9 increments per second and is known without
// measuring (InitializeTimerInt does not wait).
//
// Tests move time with the platform's manual clock: PlatUseManualClock(t),
// then ResetTimer() so that tick 0 is now, then PlatAdvanceManualClock(n)
// makes GetTimerCount and GetElapsedTime see n nanoseconds pass at once.
// GetTimerCount never goes backwards: if the clock source is set back (or
// switched to a manual clock that reads lower), the count holds its last value
// and continues from there.
//
// All state is written on the GUI thread only.
#pragma once

#include <cstdint>

extern unsigned long CPUSpeed;                 // counter increments per second (1e9)
extern uint64_t start_time;                    // counter value at tick 0
extern long RateCounter;                       // the rate given to SetTimerRate
extern int Second, HalfSecond, QuarterSecond;  // ticks; 18, 9, 5 until SetTimerRate
extern unsigned long TickDivisor;              // counter increments per tick; 0 until SetTimerRate
extern unsigned long LastTimerValue;           // last result of GetTimerCount

// Registered initialiser: takes the counter rate and sets tick 0 to now.
void InitializeTimerInt();
// Registered exit function; nothing to release.
void CleanupTimerInt();

// rate divides the 1.19 MHz interval-timer clock (16 bits; kTimerRate64Hz
// gives 64 ticks per second, 0 stands for 65536): Second = 1186048 / rate,
// TickDivisor = CPUSpeed / Second, HalfSecond = Second / 2, QuarterSecond =
// Second / 4.
void SetTimerRate(long rate);
// The launcher's rate: 64 ticks per second.
constexpr long kTimerRate64Hz = 18532;

// Ticks since tick 0. Before SetTimerRate it counts at 18 per second.
unsigned long GetTimerCount();
// Time since the previous call (or since tick 0), in 1/65536 second:
// (ticks × 256 × RateCounter) / 4633.
unsigned long GetElapsedTime();
// Waits, polling GetTimerCount, until `ticks` ticks have passed. Under the
// manual clock it returns only when another thread moves the clock.
void Delay(unsigned long ticks);
// The system's millisecond clock.
unsigned long GetTimer();
// Takes the counter rate again and restarts the count at 0.
void ResetTimer();
// The counter rate (increments per second), without storing it.
unsigned long CPUClocksPerSecond();
