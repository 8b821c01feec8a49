#include <atomic>
#include <ctime>

#include "platform/clock_source.h"

namespace {
std::atomic<PlatClockFn> g_override{nullptr};
std::atomic<uint64_t> g_manual{0};

uint64_t ManualClock() { return g_manual.load(); }
}  // namespace

uint64_t PlatClockNanos() {
  if (PlatClockFn fn = g_override.load()) return fn();
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return uint64_t(ts.tv_sec) * 1000000000ull + uint64_t(ts.tv_nsec);
}

unsigned long PlatTickMs() { return static_cast<unsigned long>(PlatClockNanos() / 1000000ull); }

void PlatSetClockOverride(PlatClockFn fn) { g_override.store(fn); }

void PlatUseManualClock(uint64_t startNanos) {
  g_manual.store(startNanos);
  g_override.store(&ManualClock);
}

void PlatAdvanceManualClock(uint64_t nanos) { g_manual.fetch_add(nanos); }
