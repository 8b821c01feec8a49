#include "gui/gui_scroll_bar.h"

#include <algorithm>

#include "gfx/gfx_device.h"
#include "gfx/texture.h"
#include "gui/gui_skin.h"

namespace {
constexpr int kMinSlider = 8;
}

GUIScrollBar::GUIScrollBar(GUIObject* target, int x, int y, int width, int height, int vertical)
    : GUIObject(x, y, width, height), Target(target), Vertical(vertical) {
  Flags |= NotScrolled;
  RethinkSliderPosAndSize();
}

int GUIScrollBar::ArrowSize() const { return Vertical ? std::min(Width, Height / 3) : std::min(Height, Width / 3); }

int GUIScrollBar::TrackLength() const { return std::max(0, (Vertical ? Height : Width) - 2 * ArrowSize()); }

void GUIScrollBar::RethinkSliderPosAndSize() {
  int track = TrackLength();
  if (!Target || track <= 0) {
    SliderPos = 0;
    SliderSize = track;
    return;
  }
  int total = Vertical ? Target->TotalVerticalElements() : Target->TotalHorizontalElements();
  int shown = Vertical ? Target->NDisplayedVerticalElements() : Target->NDisplayedHorizontalElements();
  int first = Vertical ? Target->FirstDisplayedVerticalElement() : Target->FirstDisplayedHorizontalElement();
  if (total <= 0 || shown >= total) {
    SliderPos = 0;
    SliderSize = track;
    return;
  }
  SliderSize = std::clamp(int(int64_t(track) * shown / total), std::min(kMinSlider, track), track);
  int range = total - shown;
  SliderPos = range > 0 ? int(int64_t(track - SliderSize) * std::clamp(first, 0, range) / range) : 0;
}

void GUIScrollBar::ScrollBasedUponSliderPos() {
  if (!Target) return;
  int total = Vertical ? Target->TotalVerticalElements() : Target->TotalHorizontalElements();
  int shown = Vertical ? Target->NDisplayedVerticalElements() : Target->NDisplayedHorizontalElements();
  int range = std::max(0, total - shown);
  int free = TrackLength() - SliderSize;
  int first = free > 0 ? int((int64_t(SliderPos) * range + free / 2) / free) : 0;
  Target->HandleMessage(Vertical ? MsgScrollToV : MsgScrollToH, first, 0, this, nullptr);
}

void GUIScrollBar::Draw(int x, int y) {
  if (Hidden()) return;
  if (!CurGfxDevice) return;
  int ax = x + X, ay = y + Y;
  int a = ArrowSize();
  CurGfxDevice->ClearRegion(30, 30, 45, ax, ay, ax + Width - 1, ay + Height - 1);
  TextureMap* first = Vertical ? DefaultUpArrowTexture : DefaultLeftArrowTexture;
  TextureMap* second = Vertical ? DefaultDnArrowTexture : DefaultRightArrowTexture;
  int x2 = Vertical ? ax : ax + Width - a, y2 = Vertical ? ay + Height - a : ay;
  int aw = Vertical ? Width : a, ah = Vertical ? a : Height;
  if (first) CurGfxDevice->TmapBlit(float(ax), float(ax + aw), float(ay), float(ay + ah), 0, first, 0);
  else CurGfxDevice->ClearRegion(150, 150, 170, ax, ay, ax + aw - 1, ay + ah - 1);
  if (second) CurGfxDevice->TmapBlit(float(x2), float(x2 + aw), float(y2), float(y2 + ah), 0, second, 0);
  else CurGfxDevice->ClearRegion(150, 150, 170, x2, y2, x2 + aw - 1, y2 + ah - 1);
  int sx = Vertical ? ax : ax + a + SliderPos, sy = Vertical ? ay + a + SliderPos : ay;
  int sw = Vertical ? Width : SliderSize, sh = Vertical ? SliderSize : Height;
  if (sw > 0 && sh > 0) {
    if (DefaultScrollSliderTexture)
      CurGfxDevice->TmapBlit(float(sx), float(sx + sw), float(sy), float(sy + sh), 0, DefaultScrollSliderTexture, 0);
    else CurGfxDevice->ClearRegion(110, 120, 170, sx, sy, sx + sw - 1, sy + sh - 1);
  }
}

void GUIScrollBar::DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) {
  int along = Vertical ? y : x;
  int len = Vertical ? Height : Width;
  int a = ArrowSize();
  if (t == LeftButtonUp) {
    HeldArrow = 0;
    DraggingSlider = 0;
    if (MouseOwner == this) MouseOwner = nullptr;
    return;
  }
  if (t != LeftButtonDown && t != LeftDoubleClick) return;
  RethinkSliderPosAndSize();
  MouseOwner = this;
  if (along < a) {
    HeldArrow = Vertical ? MsgScrollUp : MsgScrollLeft;
  } else if (along >= len - a) {
    HeldArrow = Vertical ? MsgScrollDown : MsgScrollRight;
  } else {
    int pos = along - a;
    if (pos >= SliderPos && pos < SliderPos + SliderSize) {
      DraggingSlider = 1;
      GrabOffset = pos - SliderPos;
    } else {
      // A press on the track pages by the slider's length.
      int track = TrackLength();
      SliderPos = std::clamp(pos < SliderPos ? SliderPos - SliderSize : SliderPos + SliderSize, 0, track - SliderSize);
      ScrollBasedUponSliderPos();
      RethinkSliderPosAndSize();
      RedrawRegion();
    }
    return;
  }
  if (Target) {
    GUIWatch self(this);
    Target->HandleMessage(HeldArrow, 0, 0, this, nullptr);
    if (!self) return;
  }
  RethinkSliderPosAndSize();
  RedrawRegion();
}

void GUIScrollBar::DoMouseMovement(int x, int y, unsigned long mods) {
  if (!DraggingSlider || MouseOwner != this) return;
  int pos = (Vertical ? y : x) - ArrowSize() - GrabOffset;
  pos = std::clamp(pos, 0, std::max(0, TrackLength() - SliderSize));
  if (pos == SliderPos) return;
  SliderPos = pos;
  ScrollBasedUponSliderPos();
  RedrawRegion();
}

void GUIScrollBar::HandleTimerTick() {
  if (HeldArrow && MouseOwner == this && Target) {
    GUIWatch self(this);
    Target->HandleMessage(HeldArrow, 0, 0, this, nullptr);
    if (!self) return;
    RethinkSliderPosAndSize();
    RedrawRegion();
  }
  GUIObject::HandleTimerTick();
}
