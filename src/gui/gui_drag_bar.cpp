#include "gui/gui_drag_bar.h"

#include <cstdio>

#include "gfx/font2.h"
#include "gfx/gfx_device.h"
#include "gfx/texture.h"
#include "gui/gui_button.h"
#include "gui/gui_redraw.h"
#include "gui/gui_skin.h"

GUIDragBar::GUIDragBar(int x, int y, int width, int height, const char* title, bool closeGadget, bool minGadget)
    : GUIObject(x, y, width, height) {
  Font = WindowTitleBarFont;
  std::snprintf(Title, sizeof Title, "%s", title ? title : "");
  if (closeGadget) {
    CloseGadget = new GUIButton(0, 0, -1, -1, nullptr, ButtonDrawTwoTextures, MsgCloseGadget, DefaultCloseGadgetTexture,
                                DefaultCloseGadgetTexture);
    CloseGadget->SoundKind = 1;
    if (!DefaultCloseGadgetTexture) CloseGadget->Width = CloseGadget->Height = height - 4;
    AddChild(CloseGadget);
  }
  if (minGadget) {
    MinGadget = new GUIButton(0, 0, -1, -1, nullptr, ButtonDrawTwoTextures, MsgMinimizeGadget, DefaultMinGadgetTexture,
                              DefaultMinGadgetTexture);
    if (!DefaultMinGadgetTexture) MinGadget->Width = MinGadget->Height = height - 4;
    AddChild(MinGadget);
  }
  LayoutChildren();
}

void GUIDragBar::LayoutChildren() {
  int right = Width - 2;
  for (GUIButton* g : {CloseGadget, MinGadget}) {
    if (!g) continue;
    g->X = right - g->Width;
    g->Y = (Height - g->Height) / 2;
    right = g->X - 2;
  }
  GUIObject::LayoutChildren();
}

void GUIDragBar::Draw(int x, int y) {
  if (Hidden()) return;
  if (!CurGfxDevice) return;
  int ax = x + X, ay = y + Y;
  if (DefaultDragBarTexture)
    CurGfxDevice->TmapBlit(float(ax), float(ax + Width), float(ay), float(ay + Height), 0, DefaultDragBarTexture, 0);
  else CurGfxDevice->ClearRegion(40, 50, 110, ax, ay, ax + Width - 1, ay + Height - 1);
  if (Font && Title[0]) {
    // A long title is cut at the bar's end (nothing may spill out of an
    // object: partial redraws draw only the objects near their rectangle).
    int saved[4] = {GfxDevice::clip_minx, GfxDevice::clip_miny, GfxDevice::clip_maxx, GfxDevice::clip_maxy};
    SetClip(ax, ay, ax + Width - 1, ay + Height - 1);
    int th = Font->LineHeight;
    Font->PrintF(ax + 6, ay + (Height - th) / 2, "@W@Z%s", Title);
    CurGfxDevice->SetClippingRegion(saved[0], saved[1], saved[2], saved[3]);
  }
  DrawChildren(ax - ScrollX, ay - ScrollY);
}

void GUIDragBar::DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) {
  // The gadgets first.
  for (GUIObject* c = Children; c; c = c->Next)
    if (c->HitTest(x, y) && MouseOwner != this) {
      c->DoButtonEvent(t, x - c->X, y - c->Y, mods);
      return;
    }
  if (Parent) {
    GUIWatch self(this);
    Parent->HandleMessage(MsgTitleBarButton, int(t), 0, this, nullptr);
    if (!self) return;
  }
  if (t == LeftButtonDown) {
    Dragging = 1;
    GrabX = x;
    GrabY = y;
    MouseOwner = this;
  } else if (t == LeftButtonUp && Dragging) {
    Dragging = 0;
    if (MouseOwner == this) MouseOwner = nullptr;
  }
}

void GUIDragBar::DoMouseMovement(int x, int y, unsigned long mods) {
  if (!Dragging || MouseOwner != this || !Parent) return;
  int dx = x - GrabX, dy = y - GrabY;
  if (!dx && !dy) return;
  GUIObject* w = Parent;
  w->RedrawRegion();
  w->X += dx;
  w->Y += dy;
  w->RedrawRegion();
  w->HandleMessage(MsgDragging, dx, dy, this, nullptr);
}

int GUIDragBar::HandleMessage(int msg, int a, int b, void* p, void* q) {
  if ((msg == MsgCloseGadget || msg == MsgMinimizeGadget) && Parent)
    return Parent->HandleMessage(msg, 0, 0, this, nullptr);
  return 0;
}
