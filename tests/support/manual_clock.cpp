#include "support/manual_clock.h"

#include "platform/clock_source.h"

ScopedManualClock::ScopedManualClock(uint64_t startNanos) { PlatUseManualClock(startNanos); }

ScopedManualClock::~ScopedManualClock() { Restore(); }

void ScopedManualClock::Advance(uint64_t nanos) { PlatAdvanceManualClock(nanos); }

void ScopedManualClock::Set(uint64_t nanos) { PlatUseManualClock(nanos); }

void ScopedManualClock::Restore() { PlatSetClockOverride(nullptr); }
