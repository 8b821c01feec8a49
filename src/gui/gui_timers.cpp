#include "gui/gui_timers.h"

#include <climits>

#include "foundation/program_clock.h"
#include "foundation/runtime.h"
#include "gui/balloon_help.h"
#include "gui/gui_object.h"
#include "gui/mouse_dispatch.h"

unsigned char AnimTimerSet = 0;
unsigned long LastTimerCallTime = 0;
int GUITickIntervalMs = kGUITickIntervalMs;

void SetGUITickInterval(int ms) {
  GUITickIntervalMs = ms;
  if (hMainWindow) SetTimer(hMainWindow, kGUITickTimerId, unsigned(ms));
}

namespace {
void TickTopLevel() {
  for (GUIObject* o = GUIObjList, *next; o; o = next) {
    next = o->Next;
    o->HandleTimerTick();
  }
}
}  // namespace

void GUITimerTick() {
  if (TimerisHalted) return;
  TickTopLevel();
  LastTimerCallTime = GetTimerCount();
  GUIMouseHasBeenIdleForAWhile();
}

void GUICatchUpTick() {
  unsigned long now = GetTimerCount();
  if (now - LastTimerCallTime > static_cast<unsigned long>(Second)) {
    if (!TimerisHalted) TickTopLevel();
    LastTimerCallTime = now;
  }
}

void GUIAnimateWindows() {
  if (AnimTimerSet && hMainWindow) KillTimer(hMainWindow, kGUIAnimTimerId);
  AnimTimerSet = 0;
  AnimAgainDelay = INT_MAX;
  for (GUIObject* o = GUIObjList, *next; o; o = next) {
    next = o->Next;
    if (!(o->Flags & Disabled)) o->Animate();
  }
  if (AnimAgainDelay != INT_MAX) {
    if (hMainWindow) SetTimer(hMainWindow, kGUIAnimTimerId, unsigned(AnimAgainDelay * 1000 / 64));
    AnimTimerSet = 1;
  }
}

void CallAnimateAgainIn(int n) {
  if (n < 1) n = 1;
  if (n < AnimAgainDelay) AnimAgainDelay = n;
}

void GUIInformObjectOfIdleUser(GUIObject* obj) {
  obj->UserHasBeenIdle();
  for (GUIObject* c = obj->Children, *next; c; c = next) {
    next = c->Next;
    if (!(c->Flags & Inert)) GUIInformObjectOfIdleUser(c);
  }
}

void GUIMouseHasBeenIdleForAWhile() {
  ++MouseIdleCount;
  if (!BalloonHelpObject) {
    GUIObject* target = GUIHelpObjectUnderCursor(mymousex, mymousey, GUIObjList);
    if (target && target->HelpText() && *target->HelpText() && target->GetHelpDelay() <= MouseIdleCount)
      ShowBalloonHelp(target);
  }
  if (MouseIdleCount % 50 == 0 && GUIObjList) GUIInformObjectOfIdleUser(GUIObjList);
}
