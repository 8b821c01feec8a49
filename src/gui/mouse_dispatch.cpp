#include "gui/mouse_dispatch.h"

#include "gfx/display_device.h"
#include "gui/balloon_help.h"

namespace {

bool SkippedUnderCursor(const GUIObject* o) {
  if ((o->Flags & Disabled) && !(o->Flags & LiveWhenDisabled)) return true;
  if ((o->Flags & Inert) && !((o->Flags & Disabled) && (o->Flags & LiveWhenDisabled))) return true;
  return false;
}

// x, y are in the content coordinates of the list's parent (screen for the
// top-level list).
GUIObject* SearchUnder(int x, int y, GUIObject* list, GUIObject* skip, GUIObject* parent) {
  for (GUIObject* o = list; o; o = o->Next) {
    if (o == skip || SkippedUnderCursor(o)) continue;
    int px = x, py = y;
    if (parent && (o->Flags & NotScrolled)) {
      px -= parent->ScrollX;
      py -= parent->ScrollY;
    }
    if (px < o->X || px >= o->X + o->Width || py < o->Y || py >= o->Y + o->Height) continue;
    GUIObject* deeper = SearchUnder(px - o->X + o->ScrollX, py - o->Y + o->ScrollY, o->Children, skip, o);
    return deeper ? deeper : o;
  }
  return nullptr;
}

GUIObject* SearchHelp(int x, int y, GUIObject* list, GUIObject* parent) {
  for (GUIObject* o = list; o; o = o->Next) {
    int px = x, py = y;
    if (parent && (o->Flags & NotScrolled)) {
      px -= parent->ScrollX;
      py -= parent->ScrollY;
    }
    bool inside = px >= o->X && px < o->X + o->Width && py >= o->Y && py < o->Y + o->Height;
    if (!inside) continue;
    if (!o->HelpHitTest(o, px, py)) continue;
    GUIObject* deeper = SearchHelp(px - o->X + o->ScrollX, py - o->Y + o->ScrollY, o->Children, o);
    return deeper ? deeper : o;
  }
  return nullptr;
}

bool AncestorDisabled(GUIObject* o) {
  for (GUIObject* a = o->Parent; a; a = a->Parent)
    if (a->Flags & Disabled) return true;
  return false;
}

// A capture held outside the active modal object ends: while the modal
// object is up nothing else gets the mouse. So does a capture whose owner
// was hidden (Disabled with its window). Modal and Flags may be set
// directly, so every event checks.
void EndStaleCapture() {
  GUIObject* owner = MouseOwner;
  if (!owner) return;
  GUIObject* modal = ActiveModal();
  if (GUITakesInput(owner) && (!modal || owner->IsWithin(modal))) return;
  MouseOwner = nullptr;
  owner->CaptureCancelled();
}

}  // namespace

bool GUITakesInput(const GUIObject* obj) {
  for (const GUIObject* o = obj; o; o = o->Parent)
    if ((o->Flags & Disabled) && !(o->Flags & LiveWhenDisabled)) return false;
  return true;
}

GUIObject* ActiveModal() { return Modal && !AncestorDisabled(Modal) ? Modal : nullptr; }

void SetModal(GUIObject* obj) {
  Modal = obj;
  EndStaleCapture();
}

GUIObject* GUIObjectUnderCursor(int x, int y, GUIObject* list, GUIObject* skip) {
  return SearchUnder(x, y, list, skip, nullptr);
}

GUIObject* GUIHelpObjectUnderCursor(int x, int y, GUIObject* list) { return SearchHelp(x, y, list, nullptr); }

void GUIDoMouseButtonEvent(int x, int y, ButtonEventType t, unsigned long mods) {
  EndStaleCapture();
  GUIObject* modal = ActiveModal();
  // What is left of a capture lies inside the modal object (or there is
  // none), so it gets every button event, as without a modal object: a
  // press that started on a dialog button completes on release, and a list
  // opened in a dialog closes on a press outside it.
  if (MouseOwner) {
    MouseOwner->DoButtonEvent(t, x - MouseOwner->AbsoluteX(), y - MouseOwner->AbsoluteY(), mods);
    return;
  }
  if (t == LeftButtonDown && KeyOwner && !modal) {
    KeyOwner->RedrawRegion();
    KeyOwner = nullptr;
  }
  if (modal) {
    int lx = x - modal->AbsoluteX(), ly = y - modal->AbsoluteY();
    int cx = lx + modal->ScrollX, cy = ly + modal->ScrollY;
    for (GUIObject* c = modal->Children; c; c = c->Next) {
      int px = (c->Flags & NotScrolled) ? lx : cx, py = (c->Flags & NotScrolled) ? ly : cy;
      if (c->HitTest(px, py)) {
        c->DoButtonEvent(t, px - c->X, py - c->Y, mods);
        return;
      }
    }
    return;
  }
  ForEachSibling(GUIObjList, [&](GUIObject* o) {
    if (o->HitTest(x, y)) o->DoButtonEvent(t, x - o->X, y - o->Y, mods);
    return false;
  });
}

void GUIDoMouseMove(int x, int y, unsigned long mods) {
  EndStaleCapture();
  GUIObject* under = GUIObjectUnderCursor(x, y, GUIObjList, MouseOwner);
  if (MouseOwner) MouseOwner->DoMouseMovement(x - MouseOwner->AbsoluteX(), y - MouseOwner->AbsoluteY(), mods);
  else if (under && (under->Flags & WantsMouseMoves))
    under->DoMouseMovement(x - under->AbsoluteX(), y - under->AbsoluteY(), mods);
  // The move handlers may have destroyed objects; LastMouseWindow is cleared
  // by any destruction, and `under` is searched again in that case.
  if (!LastMouseWindow && under) under = GUIObjectUnderCursor(x, y, GUIObjList, MouseOwner);
  GUIObject* helpTarget = BalloonHelpObject ? GUIHelpObjectUnderCursor(x, y, GUIObjList) : nullptr;
  if (under && under != LastMouseWindow) {
    if (LastMouseWindow) LastMouseWindow->MouseIsNoLongerOverYou();
    if (!MouseOwner || MouseOwner == under) under->MouseIsOverYou(x - under->AbsoluteX(), y - under->AbsoluteY());
  }
  if (BalloonHelpObject && helpTarget && helpTarget != BalloonHelpObject && helpTarget->HelpText() &&
      *helpTarget->HelpText()) {
    RedrawBalloonHelp();
    BalloonHelpObject = helpTarget;
    RedrawBalloonHelp();
  } else if (BalloonHelpObject && helpTarget == BalloonHelpObject) {
    // the balloon stays
  } else {
    if (BalloonHelpObject) RedrawBalloonHelp();
    BalloonHelpObject = nullptr;
    MouseIdleCount = 0;
  }
  LastMouseWindow = under;
}

void SelectMouseCursor(int x, int y) {
  mymousex = x;
  mymousey = y;
  int shape = 0;
  if (MouseOwner) shape = MouseOwner->GetMouseCursor(x - MouseOwner->AbsoluteX(), y - MouseOwner->AbsoluteY());
  for (GUIObject* o = GUIObjList; o; o = o->Next) {
    int s = o->GetMouseCursor(x - o->X, y - o->Y);
    if (s) {
      shape = s;
      break;
    }
  }
  if (!shape) shape = 1;
  if (shape != GUICursor) {
    GUICursor = shape;
    GUISetCursor(static_cast<unsigned long>(shape));
  }
}
