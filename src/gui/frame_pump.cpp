#include "gui/frame_pump.h"

#include "foundation/program_clock.h"
#include "gui/gui_message_handler.h"
#include "gui/gui_redraw.h"
#include "platform/filesystem.h"
#include "platform/window.h"

unsigned long LastDrawTimerCount = 0x7FFFFFFF;
unsigned long FramePumpPasses = 0;

namespace {

PumpSocketSource* g_source = nullptr;

// Ticks between unforced passes, less one.
constexpr unsigned long kPassGapTicks = 3;

// What the source waits on; *count items of items are filled for kOnSocket.
PumpWait SourceWait(PlatPollItem* items, int* count) {
  *count = 0;
  return g_source ? g_source->PumpWaitItems(items, kPumpMaxItems, count) : PumpWait::kNothing;
}

// Waits up to ms for the source's sockets alone (window messages wait for the
// next pass); advances the transfers when one is ready.
bool ServeSocketFor(long ms) {
  PlatPollItem items[kPumpMaxItems] = {};
  int count = 0;
  PumpWait wait = SourceWait(items, &count);
  if (wait == PumpWait::kReadyNow) {
    g_source->PumpSocketReady();
    return true;
  }
  if (wait == PumpWait::kOnSocket) {
    if (PlatSocketPoll(items, count, static_cast<int>(ms)) > 0) {
      g_source->PumpSocketReady();
      return true;
    }
    return false;
  }
  if (ms > 0) PlatSleepMs(static_cast<unsigned>(ms));
  return false;
}

// Sleeps until a window message is pending, one of the count items' sockets
// is ready (true) or ms pass (negative: no limit): one wait in the platform
// layer, over the display, posted messages, the timers and the sockets.
bool WaitMessageOrSocket(PlatPollItem* items, int count, long ms) {
  const unsigned long start = GetTimer();
  for (;;) {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) return false;
    long left = -1;
    if (ms >= 0) {
      left = ms - static_cast<long>(GetTimer() - start);
      if (left <= 0) return false;
    }
    if (PlatWaitForMessageOrSockets(items, count, left) > 0) return true;
  }
}

}  // namespace

void SetPumpSocketSource(PumpSocketSource* source) { g_source = source; }

void ClearPumpSocketSource(PumpSocketSource* source) {
  if (g_source == source) g_source = nullptr;
}

bool PumpWaitForMessageOrSocket(long ms) {
  PlatPollItem items[kPumpMaxItems] = {};
  int count = 0;
  PumpWait wait = SourceWait(items, &count);
  if (wait == PumpWait::kReadyNow) {
    g_source->PumpSocketReady();
    return true;
  }
  if (wait == PumpWait::kNothing) {
    if (ms < 0) WaitMessage();
    else WaitMessageOrSocket(nullptr, 0, ms);
    return false;
  }
  if (WaitMessageOrSocket(items, count, ms)) {
    g_source->PumpSocketReady();
    return true;
  }
  return false;
}

int CheckRedraw(int force, int noWait) {
  unsigned long now = GetTimerCount();
  if (!force && now - LastDrawTimerCount <= kPassGapTicks) {
    // Not due: sleep until it is, serving the transfer meanwhile, instead of
    // letting the caller's loop spin. A transfer that moved on returns at
    // once, so that the caller sees its reports.
    const unsigned long ticksLeft = LastDrawTimerCount + kPassGapTicks + 1 - now;
    const int second = Second > 0 ? Second : 64;
    const long ms = static_cast<long>((ticksLeft * 1000 + second - 1) / second);
    if (ServeSocketFor(ms)) return 0;
    now = GetTimerCount();
    if (now - LastDrawTimerCount <= kPassGapTicks) return 0;
  }
  GUIDoEvents(static_cast<unsigned char>(noWait));
  GUIRedrawWindows();
  LastDrawTimerCount = GetTimerCount();
  ++FramePumpPasses;
  return 1;
}

int PumpDuringLongWork() {
  if (GetTimerCount() - LastDrawTimerCount <= kPassGapTicks) return 0;
  GUIDoEvents(1);
  GUIRedrawWindows();
  LastDrawTimerCount = GetTimerCount();
  ++FramePumpPasses;
  return 1;
}

void ResetFramePump() {
  LastDrawTimerCount = 0x7FFFFFFF;
  FramePumpPasses = 0;
  g_source = nullptr;
}
