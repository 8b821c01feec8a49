#include "gui/gui_framed_window.h"

#include <algorithm>
#include <cstdio>

#include "gfx/gfx_device.h"
#include "gfx/texture.h"
#include "gui/gui_drag_bar.h"
#include "gui/gui_redraw.h"
#include "gui/gui_skin.h"

namespace {
int TexW(TextureMap* t, int fallback) { return t && t->Width > 1 ? t->Width : fallback; }
int TexH(TextureMap* t, int fallback) { return t && t->Height > 1 ? t->Height : fallback; }
constexpr int kEdgeGrab = 4;
}  // namespace

GUIFramedWindow::GUIFramedWindow(int x, int y, int width, int height, const char* title, int closeGadget, int minGadget,
                                 int resizable, int reserved, GUIObject* parent)
    : GUIObject(x, y, width, height) {
  std::snprintf(Title, sizeof Title, "%s", title ? title : "");
  FrameFlags = (closeGadget ? unsigned(FrameHasClose) : 0u) | (minGadget ? unsigned(FrameHasMinimize) : 0u) |
               (resizable ? unsigned(FrameResizable) : 0u);
  int titleH = TexH(DefaultDragBarTexture, 18);
  TitleBar = new GUIDragBar(0, 0, width, titleH, Title, closeGadget != 0, minGadget != 0);
  TitleBar->Flags |= NotScrolled;
  AddChild(TitleBar);
  LeftInset = TexW(DefaultLeftBorder, 4);
  RightInset = TexW(DefaultRightBorder, 4);
  BottomInset = TexH(DefaultBottomBorder, 4);
  TopInset = titleH + TexH(DefaultTopBorder, 2);
  if (parent) parent->AddChild(this);
}

int GUIFramedWindow::TitleHeight() const { return TitleBar ? TitleBar->Height : 0; }

void GUIFramedWindow::LayoutChildren() {
  if (TitleBar) {
    TitleBar->Width = Width;
    TitleBar->LayoutChildren();
  }
  GUIObject::LayoutChildren();
}

void GUIFramedWindow::Minimize() {
  if (Minimized) return;
  RedrawRegion();
  Minimized = 1;
  RestoredHeight = Height;
  Height = TitleHeight();
  for (GUIObject* c = Children; c; c = c->Next)
    if (c != TitleBar) c->Flags |= Inert;
}

void GUIFramedWindow::UnMinimize() {
  if (!Minimized) return;
  Minimized = 0;
  Height = RestoredHeight;
  for (GUIObject* c = Children; c; c = c->Next)
    if (c != TitleBar) c->Flags &= ~uint32_t(Inert);
  RedrawRegion();
}

void GUIFramedWindow::Draw(int x, int y) {
  if (Hidden()) return;
  if (!CurGfxDevice) return;
  int ax = x + X, ay = y + Y;
  if (!Minimized) {
    int l = LeftInset, r = RightInset, b = BottomInset, top = TitleHeight();
    // Interior.
    if (InteriorTexture) {
      int saved[4] = {GfxDevice::clip_minx, GfxDevice::clip_miny, GfxDevice::clip_maxx, GfxDevice::clip_maxy};
      SetClip(ax + l, ay + top, ax + Width - r - 1, ay + Height - b - 1);
      for (int ty = ay + top; ty < ay + Height - b; ty += std::max(1, InteriorTexture->Height))
        for (int tx = ax + l; tx < ax + Width - r; tx += std::max(1, InteriorTexture->Width))
          CurGfxDevice->CopyTMap(float(tx), float(ty), InteriorTexture);
      CurGfxDevice->SetClippingRegion(saved[0], saved[1], saved[2], saved[3]);
    } else {
      CurGfxDevice->ClearRegion(InteriorColour[0], InteriorColour[1], InteriorColour[2], ax + l, ay + top,
                                ax + Width - r - 1, ay + Height - b - 1);
    }
    // Borders, then the corners over their ends.
    if (DefaultLeftBorder)
      CurGfxDevice->TmapBlit(float(ax), float(ax + l), float(ay + top), float(ay + Height), 0, DefaultLeftBorder, 0);
    else CurGfxDevice->ClearRegion(120, 120, 150, ax, ay + top, ax + l - 1, ay + Height - 1);
    if (DefaultRightBorder)
      CurGfxDevice->TmapBlit(float(ax + Width - r), float(ax + Width), float(ay + top), float(ay + Height), 0,
                             DefaultRightBorder, 0);
    else CurGfxDevice->ClearRegion(40, 40, 60, ax + Width - r, ay + top, ax + Width - 1, ay + Height - 1);
    if (DefaultBottomBorder)
      CurGfxDevice->TmapBlit(float(ax), float(ax + Width), float(ay + Height - b), float(ay + Height), 0,
                             DefaultBottomBorder, 0);
    else CurGfxDevice->ClearRegion(40, 40, 60, ax, ay + Height - b, ax + Width - 1, ay + Height - 1);
    if (DefaultLLCornerTexture)
      CurGfxDevice->CopyTMap(float(ax), float(ay + Height - DefaultLLCornerTexture->Height), DefaultLLCornerTexture);
    if (DefaultLRCornerTexture)
      CurGfxDevice->CopyTMap(float(ax + Width - DefaultLRCornerTexture->Width),
                             float(ay + Height - DefaultLRCornerTexture->Height), DefaultLRCornerTexture);
  }
  // Minimised, only the title bar shows: the children keep their places
  // below it and would otherwise be drawn over whatever lies there.
  if (Minimized) {
    if (TitleBar) {
      bool fixed = (TitleBar->Flags & NotScrolled) != 0;
      TitleBar->Draw(ax - (fixed ? 0 : ScrollX), ay - (fixed ? 0 : ScrollY));
    }
  } else {
    DrawChildren(ax - ScrollX, ay - ScrollY);
  }
  if (!Minimized) {
    if (DefaultULCornerTexture) CurGfxDevice->CopyTMap(float(ax), float(ay), DefaultULCornerTexture);
    if (DefaultURCornerTexture)
      CurGfxDevice->CopyTMap(float(ax + Width - DefaultURCornerTexture->Width), float(ay), DefaultURCornerTexture);
  }
}

int GUIFramedWindow::HandleMessage(int msg, int a, int b, void* p, void* q) {
  if (msg == MsgMinimizeGadget) {
    if (Minimized) UnMinimize();
    else Minimize();
    if (Parent) Parent->RedrawRegion();
    return 1;
  }
  return 0;
}

int GUIFramedWindow::EdgesAt(int x, int y) const {
  if (!(FrameFlags & FrameResizable) || Minimized) return 0;
  if (x < 0 || y < 0 || x >= Width || y >= Height) return 0;
  int e = 0;
  if (x < kEdgeGrab) e |= 1;
  if (x >= Width - kEdgeGrab) e |= 2;
  if (y < kEdgeGrab) e |= 4;
  if (y >= Height - kEdgeGrab) e |= 8;
  return e;
}

int GUIFramedWindow::CursorType(int x, int y) {
  int e = EdgesAt(x, y);
  return e ? 0x100 | e : 1;
}

void GUIFramedWindow::DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) {
  if (ResizeEdges && MouseOwner == this) {
    if (t == LeftButtonUp) {
      ResizeEdges = 0;
      MouseOwner = nullptr;
      LayoutChildren();
      ContentsChanged();
    }
    return;
  }
  int e = EdgesAt(x, y);
  bool onChild = false;
  for (GUIObject* c = Children; c; c = c->Next)
    if (c->HitTest(x + ScrollX, y + ScrollY)) onChild = true;
  if (t == LeftButtonDown && e && !onChild) {
    ResizeEdges = e;
    ResizeLastX = x + AbsoluteX();
    ResizeLastY = y + AbsoluteY();
    MouseOwner = this;
    return;
  }
  GUIObject::DoButtonEvent(t, x, y, mods);
}

void GUIFramedWindow::DoMouseMovement(int x, int y, unsigned long mods) {
  if (!ResizeEdges || MouseOwner != this) return;
  int sx = x + AbsoluteX(), sy = y + AbsoluteY();
  int dx = sx - ResizeLastX, dy = sy - ResizeLastY;
  if (!dx && !dy) return;
  RedrawRegion();
  if (ResizeEdges & 1) {
    int nw = std::max(MinWidth, Width - dx);
    X += Width - nw;
    Width = nw;
  }
  if (ResizeEdges & 2) Width = std::max(MinWidth, Width + dx);
  if (ResizeEdges & 4) {
    int nh = std::max(MinHeight, Height - dy);
    Y += Height - nh;
    Height = nh;
  }
  if (ResizeEdges & 8) Height = std::max(MinHeight, Height + dy);
  ResizeLastX = sx;
  ResizeLastY = sy;
  LayoutChildren();
  RedrawRegion();
}
