#include "foundation/program_clock.h"

#include <chrono>
#include <thread>

#include "foundation/runtime.h"
#include "platform/clock_source.h"

unsigned long CPUSpeed;
uint64_t start_time;
long RateCounter;
int Second = 18, HalfSecond = 9, QuarterSecond = 5;
unsigned long TickDivisor;
unsigned long LastTimerValue;

namespace {
StartupRegistration registration(InitializeTimerInt, CleanupTimerInt);

unsigned long LastElapsedTicks;  // GetTimerCount at the previous GetElapsedTime

unsigned long Divisor() {
  // Before SetTimerRate the divisor is 0; count at the initial Second instead
  // of dividing by zero.
  if (TickDivisor) return TickDivisor;
  unsigned long d = CPUSpeed / static_cast<unsigned long>(Second > 0 ? Second : 18);
  return d ? d : 1;
}
}  // namespace

unsigned long CPUClocksPerSecond() { return 1000000000ul; }

void InitializeTimerInt() {
  CPUSpeed = CPUClocksPerSecond();
  start_time = PlatClockNanos();
  LastTimerValue = 0;
  LastElapsedTicks = 0;
}

void CleanupTimerInt() {}

void SetTimerRate(long rate) {
  RateCounter = rate & 0xFFFF;
  long divisor = RateCounter ? RateCounter : 65536;
  Second = static_cast<int>(1186048 / divisor);
  if (!CPUSpeed) CPUSpeed = CPUClocksPerSecond();
  TickDivisor = CPUSpeed / static_cast<unsigned long>(Second);
  HalfSecond = Second / 2;
  QuarterSecond = Second / 4;
}

unsigned long GetTimerCount() {
  if (!CPUSpeed) InitializeTimerInt();
  uint64_t now = PlatClockNanos();
  unsigned long divisor = Divisor();
  // Modulo 2^64, so that a tick 0 "before the source's zero" still works.
  int64_t d = static_cast<int64_t>(now - start_time);
  if (d < 0) {
    // The source went back: keep the count where it was and go on from there.
    start_time = now - static_cast<uint64_t>(LastTimerValue) * divisor;
    return LastTimerValue;
  }
  LastTimerValue = static_cast<unsigned long>(static_cast<uint64_t>(d) / divisor);
  return LastTimerValue;
}

unsigned long GetElapsedTime() {
  unsigned long ticks = GetTimerCount();
  unsigned long delta = ticks >= LastElapsedTicks ? ticks - LastElapsedTicks : 0;
  LastElapsedTicks = ticks;
  return static_cast<unsigned long>((static_cast<uint64_t>(delta) * 256u * static_cast<uint64_t>(RateCounter)) / 4633u);
}

void Delay(unsigned long ticks) {
  unsigned long start = GetTimerCount();
  while (GetTimerCount() - start < ticks) std::this_thread::sleep_for(std::chrono::microseconds(500));
}

unsigned long GetTimer() { return PlatTickMs(); }

void ResetTimer() {
  CPUSpeed = CPUClocksPerSecond();
  if (RateCounter || TickDivisor) TickDivisor = CPUSpeed / static_cast<unsigned long>(Second);
  start_time = PlatClockNanos();
  LastTimerValue = 0;
  LastElapsedTicks = 0;
}
