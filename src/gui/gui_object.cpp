#include "gui/gui_object.h"

#include <algorithm>
#include <cstring>

#include "foundation/alloc.h"
#include "foundation/runtime.h"
#include "gfx/gfx_device.h"
#include "gui/balloon_help.h"
#include "gui/damage.h"
#include "gui/gui_lists.h"

void GUIEnableSoundEffects() { GUISoundEnabled = 1; }
void GUIDisableSoundEffects() { GUISoundEnabled = 0; }

char* GUIStrDup(const char* text) {
  if (!text) return nullptr;
  size_t n = std::strlen(text) + 1;
  char* copy = static_cast<char*>(MustAlloc(n));
  std::memcpy(copy, text, n);
  return copy;
}

GUIObject::GUIObject(int x, int y, int width, int height) : X(x), Y(y), Width(width), Height(height) {}

void GUIObject::Init() {
  Name = nullptr;
  Icon = nullptr;
  Flags = StateFlags = 0;
  Children = Parent = NextInTabOrder = nullptr;
  Reserved2 = Reserved3 = 0;
  Listener = nullptr;
  HelpTextString = nullptr;
  Font = nullptr;
  RedrawMargin = 0;
  X = Y = Width = Height = 0;
  LeftInset = RightInset = TopInset = BottomInset = 0;
  Next = Prev = nullptr;
  UserValue = -1;
  UserData = 0;
  ScrollX = ScrollY = 0;
  Reserved6 = Reserved7 = 1;
  UpdateDepth = 0;
}

namespace {
GUIWatch* ActiveWatches = nullptr;
}

GUIWatch::GUIWatch(GUIObject* obj) : obj_(obj), next_(ActiveWatches) { ActiveWatches = this; }

GUIWatch::~GUIWatch() {
  for (GUIWatch** p = &ActiveWatches; *p; p = &(*p)->next_)
    if (*p == this) {
      *p = next_;
      break;
    }
}

GUIObject::~GUIObject() {
  StateFlags |= Dying;
  for (GUIWatch* w = ActiveWatches; w; w = w->next_)
    if (w->obj_ == this) w->obj_ = nullptr;
  if (Listener) Listener->ListenObjectIsGone(this);
  if (MouseOwner == this) MouseOwner = nullptr;
  if (KeyOwner == this) KeyOwner = nullptr;
  if (Modal == this) Modal = nullptr;
  LastMouseWindow = nullptr;
  if (BalloonHelpObject == this) KillBalloonHelp();
  GRTFree(Name);
  Name = nullptr;
  GRTFree(HelpTextString);
  HelpTextString = nullptr;
  if (Parent) {
    GUIObject* parent = Parent;
    DeleteFromParentsChildren();
    parent->RedrawRegion();
    parent->HandleMessage(MsgChildDestroyed, 0, 0, this, nullptr);
  } else {
    // A top-level object leaves the top-level list, so the list never holds
    // a dangling pointer.
    DeleteFromDList(GUIObjList, this);
  }
  WipeList(Children);
}

bool GUIObject::IsHiddenByAncestry() const {
  for (const GUIObject* o = this; o; o = o->Parent)
    if (o->Flags & Disabled) return true;
  return false;
}

bool GUIObject::IsWithin(const GUIObject* ancestor) const {
  for (const GUIObject* o = this; o; o = o->Parent)
    if (o == ancestor) return true;
  return false;
}

int GUIObject::HelpHitTest(GUIObject* obj, int x, int y) {
  if (obj->Flags & HelpWhenInert) return 1;
  if (obj->Flags & (Disabled | Inert)) return 0;
  return x >= obj->X && x < obj->X + obj->Width && y >= obj->Y && y < obj->Y + obj->Height;
}

void GUIObject::EndUpdate() {
  if (--UpdateDepth == 0) FinishUpdate();
}

float GUIObject::GetScrollYSpeed() { return float(std::max(1, Height / 20)); }
float GUIObject::GetScrollXSpeed() { return float(std::max(1, Height / 20)); }

namespace {
// The disabled child that DrawChildren is drawing greyed, if any.
const GUIObject* GreyDrawTarget = nullptr;
}  // namespace

bool GUIObject::Hidden() const {
  if (Flags & NotDrawn) return true;
  return (Flags & Disabled) && GreyDrawTarget != this;
}

void GUIObject::Draw(int x, int y) {
  if (Hidden()) return;
  DrawChildren(x + X - ScrollX, y + Y - ScrollY);
}

void GUIObject::DrawChildren(int x, int y) {
  for (GUIObject* c = LastNode(Children); c; c = c->Prev) {
    int ox = 0, oy = 0;
    if (c->Flags & NotScrolled) {
      ox = ScrollX;
      oy = ScrollY;
    }
    // Objects draw inside their rectangle grown by kDrawOverhang (and by
    // RedrawMargin to the right and below), so one that misses the clip
    // rectangle is skipped: a partial redraw then costs only the objects it
    // touches.
    int cx = x + ox + c->X, cy = y + oy + c->Y;
    int after = std::max(c->RedrawMargin, kDrawOverhang);
    if (cx - kDrawOverhang > GfxDevice::clip_maxx || cy - kDrawOverhang > GfxDevice::clip_maxy ||
        cx + c->Width + after <= GfxDevice::clip_minx || cy + c->Height + after <= GfxDevice::clip_miny)
      continue;
    if (!(c->Flags & Disabled) || (c->Flags & LiveWhenDisabled)) {
      c->Draw(x + ox, y + oy);
    } else if (c->Flags & GreyWhenDisabled) {
      // Drawn as it looks disabled (a button's label turns grey), then darkened.
      const GUIObject* outer = GreyDrawTarget;
      GreyDrawTarget = c;
      c->Draw(x + ox, y + oy);
      GreyDrawTarget = outer;
      if (!(c->Flags & NoDarkening) && CurGfxDevice)
        CurGfxDevice->DarkenRect(c->AbsoluteX(), c->AbsoluteY(), c->Width, c->Height);
    }
  }
}

void GUIObject::Animate() {
  ForEachSibling(Children, [](GUIObject* c) {
    if (!(c->Flags & Disabled)) c->Animate();
    return false;
  });
}

void GUIObject::HandleTimerTick() {
  if (Flags & Disabled) return;
  ForEachSibling(Children, [](GUIObject* c) {
    c->HandleTimerTick();
    return false;
  });
}

void GUIObject::ResizeToFitOurChildren() {
  for (GUIObject* c = Children; c; c = c->Next) {
    if (c->Flags & LayoutIgnored) continue;
    if (c->X < LeftInset) {
      int d = LeftInset - c->X;
      Width += d;
      for (GUIObject* m = Children; m; m = m->Next) m->X += d;
    }
    if (c->Y < TopInset) {
      int d = TopInset - c->Y;
      Height += d;
      for (GUIObject* m = Children; m; m = m->Next) m->Y += d;
    }
  }
  for (GUIObject* c = Children; c; c = c->Next) {
    if (c->Flags & LayoutIgnored) continue;
    Width = std::max(Width, c->X + c->Width + c->RedrawMargin + RightInset);
    Height = std::max(Height, c->Y + c->Height + c->RedrawMargin + BottomInset);
  }
  if (Parent) ClampToBorders();
  RedrawRegion();
}

void GUIObject::MoveChildrenRelative(int dx, int dy) {
  if (dx == 0 && dy == 0) return;
  for (GUIObject* c = Children; c; c = c->Next) {
    c->RedrawRegion();
    c->X += dx;
    c->Y += dy;
    c->RedrawRegion();
  }
}

void GUIObject::DeleteFromParentsChildren() {
  if (!Parent) return;
  DeleteFromDList(Parent->Children, this);
}

int GUIObject::HitTest(int x, int y) {
  if (Flags & Disabled) return 0;
  return x >= X && x < X + Width && y >= Y && y < Y + Height;
}

void GUIObject::DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) {
  int cx = x + ScrollX, cy = y + ScrollY;
  for (GUIObject* c = Children; c; c = c->Next) {
    int px = (c->Flags & NotScrolled) ? x : cx, py = (c->Flags & NotScrolled) ? y : cy;
    if (c->HitTest(px, py)) {
      c->DoButtonEvent(t, px - c->X, py - c->Y, mods);
      return;
    }
  }
}

void GUIObject::LayoutChildren() {
  if (StateFlags & Dying) return;
  Flags &= ~uint32_t(LayoutPending);
  for (GUIObject* c = Children; c; c = c->Next) {
    if (c->Flags & Disabled) c->Flags |= LayoutPending;
    else c->LayoutChildren();
  }
}

void GUIObject::CenterOnX() {
  if (!Parent) return;
  X = Parent->LeftInset + (Parent->Width - 1 - Parent->LeftInset - Parent->RightInset) / 2 - Width / 4;
}

void GUIObject::MakeFullWidth() {
  if (!Parent) return;
  X = Parent->LeftInset;
  Width = Parent->Width - Parent->RightInset - X;
}

void GUIObject::PushToBottom() {
  if (!Parent) return;
  int lowest = Parent->Height - 1 - Parent->BottomInset;
  // Obstacles: siblings that take part in layout and start below this object.
  for (GUIObject* c = Parent->Children; c; c = c->Next) {
    if (c == this || (c->Flags & LayoutIgnored)) continue;
    if (c->Y >= Y + Height && c->Y < lowest) lowest = c->Y;
  }
  Y = lowest - Height - 15;
}

int GUIObject::AbsoluteX() {
  int x = X;
  for (GUIObject* a = Parent; a; a = a->Parent) x += a->X - a->ScrollX;
  if ((Flags & NotScrolled) && Parent) x += Parent->ScrollX;
  return x;
}

int GUIObject::AbsoluteY() {
  int y = Y;
  for (GUIObject* a = Parent; a; a = a->Parent) y += a->Y - a->ScrollY;
  if ((Flags & NotScrolled) && Parent) y += Parent->ScrollY;
  return y;
}

int GUIObject::HandleKey(int key, unsigned long mods) {
  int taken = 0;
  ForEachSibling(Children, [&](GUIObject* c) {
    taken = !(c->Flags & Disabled) && c->HandleKey(key, mods);
    return taken != 0;
  });
  return taken;
}

void GUIObject::DrawRecessedBox(int depth) {
  if (!CurGfxDevice) return;
  int x = AbsoluteX(), y = AbsoluteY();
  for (int i = 1; i <= std::clamp(depth, 1, kDrawOverhang); ++i) {
    // Dark top and left, light bottom and right: a sunken frame.
    CurGfxDevice->ClearRegion(64, 64, 64, x - i, y - i, x + Width - 1 + i, y - i);
    CurGfxDevice->ClearRegion(64, 64, 64, x - i, y - i, x - i, y + Height - 1 + i);
    CurGfxDevice->ClearRegion(220, 220, 220, x - i, y + Height - 1 + i, x + Width - 1 + i, y + Height - 1 + i);
    CurGfxDevice->ClearRegion(220, 220, 220, x + Width - 1 + i, y - i, x + Width - 1 + i, y + Height - 1 + i);
  }
}

void GUIObject::RedrawRegion(int x1, int y1, int x2, int y2) {
  if (IsHiddenByAncestry()) return;
  int ax = AbsoluteX(), ay = AbsoluteY();
  RedrawRegionAbs(x1 + ax, y1 + ay, x2 + ax, y2 + ay);
}

void GUIObject::RedrawRegionAbs(int x1, int y1, int x2, int y2) { AddDamageRegion(x1, y1, x2, y2); }

void GUIObject::RedrawRegion() { RedrawRegion(0, 0, Width - 1 + RedrawMargin, Height - 1 + RedrawMargin); }

void GUIObject::Redraw() { RedrawRegion(0, 0, Width - 1, Height - 1); }

int GUIObject::GetMouseCursor(int x, int y) {
  if (Flags & Disabled) return 0;
  int cx = x + ScrollX, cy = y + ScrollY;
  for (GUIObject* c = Children; c; c = c->Next) {
    int px = (c->Flags & NotScrolled) ? x : cx, py = (c->Flags & NotScrolled) ? y : cy;
    if (int shape = c->GetMouseCursor(px - c->X, py - c->Y)) return shape;
  }
  if (x >= 0 && y >= 0 && x < Width && y < Height) return CursorType(x, y);
  return 0;
}

void GUIObject::AddChild(GUIObject* child) {
  // Adding a child twice would corrupt the list; the second call does nothing.
  if (child->Parent == this && PositionInList(Children, child) >= 0) return;
  child->Parent = this;
  AddToDEnd(Children, child);
}

void GUIObject::BringToFront() {
  if (!Parent || (Flags & FixedInZOrder)) return;
  DeleteFromDList(Parent->Children, this);
  AddToDHead(Parent->Children, this);
  if (Modal && Modal != this && Modal->Parent && !(Modal->Flags & FixedInZOrder)) {
    DeleteFromDList(Modal->Parent->Children, Modal);
    AddToDHead(Modal->Parent->Children, Modal);
  }
}

void GUIObject::AddHelpText(const char* text) {
  GRTFree(HelpTextString);
  HelpTextString = GUIStrDup(text);
}

void GUIObject::ClampToBorders() {
  if (!Parent) return;
  int ox = X, oy = Y;
  X = std::max(X, Parent->LeftInset);
  Y = std::max(Y, Parent->TopInset);
  X = std::min(X, Parent->Width - 1 - Parent->RightInset - (Width - 1));
  Y = std::min(Y, Parent->Height - 1 - Parent->BottomInset - (Height - 1));
  if (X != ox || Y != oy) RedrawRegion();
}

void AddTopLevelObject(GUIObject* obj) {
  obj->Parent = nullptr;
  AddToDEnd(GUIObjList, obj);
}

void KillAllGUIObjects() {
  while (GUIObjList) delete GUIObjList;
}

namespace {
// At program end the whole tree goes, so destructors (and their 5001
// messages) run while the rest of the program still exists.
StartupRegistration killAtExit(nullptr, KillAllGUIObjects);
}  // namespace
