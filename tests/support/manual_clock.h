// The platform's manual clock for the length of a scope.
#pragma once

#include <cstdint>

// Installs the manual clock at startNanos; the destructor puts the real clock
// back, so a test that fails half-way leaves no frozen time to the next one.
class ScopedManualClock {
 public:
  explicit ScopedManualClock(uint64_t startNanos);
  ~ScopedManualClock();
  ScopedManualClock(const ScopedManualClock&) = delete;
  ScopedManualClock& operator=(const ScopedManualClock&) = delete;

  void Advance(uint64_t nanos);
  // Moves the manual clock to nanos, backwards too.
  void Set(uint64_t nanos);
  // Puts the real clock back before the end of the scope.
  void Restore();
};
