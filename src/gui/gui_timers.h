// The GUI's notion of time. Window timer 3 delivers the 500 ms tick (a
// pressed button shortens it to its repeat interval while held); window
// timer 2 runs animation passes. The catch-up rule keeps ticks coming while
// the message queue is busy: after any message, when more than one second of
// program-clock ticks has passed since the last delivery, the top-level
// objects get a tick.
#pragma once

#include "gui/gui_globals.h"

constexpr unsigned kGUITickTimerId = 3;
constexpr unsigned kGUIAnimTimerId = 2;
constexpr int kGUITickIntervalMs = 500;

// Sets window timer 3 of the GUI's window to ms milliseconds.
void SetGUITickInterval(int ms);
// The timer-3 delivery: ticks for every top-level object, the clock
// stamp, and the idle count (unless TimerisHalted).
void GUITimerTick();
// The catch-up rule, run after every window message.
void GUICatchUpTick();
// An animation pass (also what timer 2 triggers).
void GUIAnimateWindows();
// Asks for another animation pass in n ticks (1/64 s); the smallest request
// of a pass wins, at least 1.
void CallAnimateAgainIn(int n);
// Once per tick: balloon help after the help delay, and every 50 ticks the
// idle notification.
void GUIMouseHasBeenIdleForAWhile();
// UserHasBeenIdle on obj and every descendant that is not Inert.
void GUIInformObjectOfIdleUser(class GUIObject* obj);
