#include "gui/gui_timers.h"

#include <climits>

#include "foundation/program_clock.h"
#include "foundation/runtime.h"
#include "gui/balloon_help.h"
#include "gui/gui_object.h"
#include "gui/mouse_dispatch.h"

void SetGUITickInterval(int ms) {
  GUITickIntervalMs = ms;
  if (hMainWindow) SetTimer(hMainWindow, kGUITickTimerId, unsigned(ms));
}

namespace {
void TickTopLevel() {
  ForEachSibling(GUIObjList, [](GUIObject* o) {
    o->HandleTimerTick();
    return false;
  });
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
  ForEachSibling(GUIObjList, [](GUIObject* o) {
    if (!(o->Flags & Disabled)) o->Animate();
    return false;
  });
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
  GUIWatch self(obj);
  obj->UserHasBeenIdle();
  if (!self) return;
  ForEachSibling(obj->Children, [](GUIObject* c) {
    if (!(c->Flags & Inert)) GUIInformObjectOfIdleUser(c);
    return false;
  });
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
