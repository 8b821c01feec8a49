#include "gui/gui_backdrop_window.h"

#include "gfx/gfx_device.h"
#include "gfx/texture.h"
#include "gui/gui_drag_bar.h"
#include "gui/gui_redraw.h"
#include "gui/region_rectangle_list.h"

GUIBackdropWindow::GUIBackdropWindow(int x, int y, int width, int height, int red, int green, int blue)
    : GUIObject(x, y, width, height) {
  BackColour[0] = (unsigned char)red;
  BackColour[1] = (unsigned char)green;
  BackColour[2] = (unsigned char)blue;
}

GUIBackdropWindow::GUIBackdropWindow(TextureMap* texture, int x, int y)
    : GUIObject(x, y, texture ? texture->Width : 1, texture ? texture->Height : 1) {
  BackTexture = texture;
  if (texture && texture->HasTransparency()) Flags |= SeeThrough;
}

void GUIBackdropWindow::PaintBackground(int ax, int ay) {
  if (!BackTexture) {
    CurGfxDevice->ClearRegion(BackColour[0], BackColour[1], BackColour[2], ax, ay, ax + Width - 1, ay + Height - 1);
    return;
  }
  if (Flags & StretchTexture) {
    CurGfxDevice->TmapBlit(float(ax), float(ax + Width), float(ay), float(ay + Height), 0, BackTexture, 0);
    return;
  }
  int tw = BackTexture->Width, th = BackTexture->Height;
  if (tw <= 0 || th <= 0) return;
  // Only the tiles that meet the clip rectangle are drawn.
  int sx = ax - ScrollX % tw, sy = ay - ScrollY % th;
  if (sx > ax) sx -= tw;
  if (sy > ay) sy -= th;
  for (int ty = sy; ty < ay + Height; ty += th) {
    if (ty + th <= GfxDevice::clip_miny || ty > GfxDevice::clip_maxy) continue;
    for (int tx = sx; tx < ax + Width; tx += tw) {
      if (tx + tw <= GfxDevice::clip_minx || tx > GfxDevice::clip_maxx) continue;
      CurGfxDevice->CopyTMap(float(tx), float(ty), BackTexture);
    }
  }
}

void GUIBackdropWindow::Draw(int x, int y) {
  if (Hidden()) return;
  DrawBackdrop(x, y);
  DrawChildren(x + X - ScrollX, y + Y - ScrollY);
}

void GUIBackdropWindow::DrawBackdrop(int x, int y) {
  if (!CurGfxDevice) return;
  int ax = x + X, ay = y + Y;
  int saved[4] = {GfxDevice::clip_minx, GfxDevice::clip_miny, GfxDevice::clip_maxx, GfxDevice::clip_maxy};
  RegionRectangleList region({ax, ay, ax + Width - 1, ay + Height - 1});
  if (Width > 200 && Height > 200) {
    for (GUIObject* c = Children; c; c = c->Next) {
      if ((c->Flags & (Disabled | SeeThrough)) || c->Width <= 100 || c->Height <= 100) continue;
      int cx = c->AbsoluteX(), cy = c->AbsoluteY();
      region.SubtractRectangle({cx, cy, cx + c->Width - 1, cy + c->Height - 1});
    }
  }
  // The window's own rectangle also bounds its tiles.
  for (const RegionRect& r : region.Rects()) {
    SetClip(r.x1, r.y1, r.x2, r.y2);
    if (GfxDevice::clip_minx <= GfxDevice::clip_maxx && GfxDevice::clip_miny <= GfxDevice::clip_maxy)
      PaintBackground(ax, ay);
    CurGfxDevice->SetClippingRegion(saved[0], saved[1], saved[2], saved[3]);
  }
}

GUIDraggableBackdropWindow::GUIDraggableBackdropWindow(TextureMap* texture, int x, int y, int titleHeight)
    : GUIBackdropWindow(texture, x, y) {
  DragBar = new GUIDragBar(0, 0, Width, titleHeight > 0 ? titleHeight : 18, nullptr, false, false);
  AddChild(DragBar);
}

void GUIDraggableBackdropWindow::LayoutChildren() {
  if (DragBar) {
    DragBar->X = 0;
    DragBar->Y = 0;
    DragBar->Width = Width;
  }
  GUIBackdropWindow::LayoutChildren();
}
