// The frame pump: CheckRedraw, which the launcher's loop and every long piece
// of work call. A pass handles the pending window messages (input, the GUI
// timers), redraws and presents what is damaged, and stamps
// LastDrawTimerCount. Unforced passes are at least 4 ticks (62.5 ms at 64
// ticks per second) apart.
//
// The pump never spins: between passes, and inside a pass with nothing to
// do, it sleeps until a window message, the running transfer's socket or the
// next due pass. Transfers registered as the pump's socket source are
// advanced whenever one of their sockets is ready, not only on the GUI tick.
#pragma once

#include "platform/sockets.h"

// What a socket source waits on at the moment.
enum class PumpWait {
  kNothing,   // no transfer running (or none may be advanced now)
  kOnSocket,  // the items name the sockets and the readiness that moves them on
  kReadyNow,  // there is a step to take at once
};

// Sockets a source names at most.
constexpr int kPumpMaxItems = 16;

// The work the pump serves besides window messages: the download window's
// running transfers. One source at a time.
class PumpSocketSource {
 public:
  // Fills up to capacity items and sets *count to how many (for kOnSocket).
  virtual PumpWait PumpWaitItems(PlatPollItem* items, int capacity, int* count) = 0;
  // A socket is ready (or kReadyNow was given): advance the transfers.
  virtual void PumpSocketReady() = 0;

 protected:
  ~PumpSocketSource() = default;
};

void SetPumpSocketSource(PumpSocketSource* source);
// Clears the source if it is this one.
void ClearPumpSocketSource(PumpSocketSource* source);

// Timer count of the last pass; 0x7FFFFFFF at load.
extern unsigned long LastDrawTimerCount;
// Passes made (tests and the benchmark).
extern unsigned long FramePumpPasses;

// One turn of the pump. Without force and noWait, a call less than 4 ticks
// after the last pass makes no pass: it waits (serving the socket source)
// until the pass is due and makes it then, or returns 0 early when the
// transfer moved on or when the program clock does not advance (a manual
// clock). Otherwise a pass: the pending messages are handled; when there were
// none, nothing is to be drawn and noWait is clear, it sleeps until a message
// or a socket event. Returns 1 when it made a pass.
int CheckRedraw(int force, int noWait);

// The pump between the files of long work (copying, deleting, digesting):
// a pass without waiting when one is due, else nothing. Unlike an unforced
// CheckRedraw it never sleeps, so work over thousands of small files goes at
// the speed of the disk and the window is still redrawn 16 times a second.
// Returns 1 when it made a pass.
int PumpDuringLongWork();

// Waits up to ms milliseconds (negative: without limit) for a window message
// or the socket source, advancing the transfer when its socket is ready.
// Returns true when the transfer was advanced. GUIDoEvents sleeps here.
bool PumpWaitForMessageOrSocket(long ms);

// The state above back to its load values (test fixtures).
void ResetFramePump();
