#include "gui/gui_button.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "foundation/language_catalogue.h"
#include "gfx/font2.h"
#include "gfx/gfx_device.h"
#include "gfx/texture.h"
#include "gui/gui_redraw.h"
#include "gui/gui_skin.h"
#include "gui/gui_timers.h"

namespace {
struct StyleInfo {
  TextureMap** icon;
  const char* help;
  unsigned char sound;
};

StyleInfo StyleOf(int style) {
  switch (style) {
    case 1: return {&DefaultButtonIconOkay, "OK", 2};
    case 2: return {&DefaultButtonIconCancel, "Cancel", 1};
    case 3: return {&DefaultButtonIconHelp, "Help", 2};
    case 6: return {&DefaultButtonIconYes, "Yes", 2};
    case 7: return {&DefaultButtonIconNo, "No", 2};
    default: return {nullptr, nullptr, 2};
  }
}

// Size of a button whose textures are missing (the null device has none).
constexpr int kFallbackHeight = 22;
// Room left and right of a label that decides the button's width.
constexpr int kLabelMargin = 6;
}  // namespace

GUIButton::GUIButton(int x, int y, int width, const char* text, int messageId, int style, int* statePtr)
    : GUIObject(x, y, width, 0) {
  Flags |= IsButton;
  Font = MedFont;
  DrawMode = ButtonDrawThreePiece;
  MessageId = messageId;
  StatePtr = statePtr;
  SetText(text);
  if (style < 0 || style > 7) style = 0;
  static const char kPieces[3] = {'l', 'c', 'r'};
  static const char kFaces[2] = {'u', 'd'};
  for (int f = 0; f < 2; ++f)
    for (int p = 0; p < 3; ++p) {
      char name[300];
      std::snprintf(name, sizeof name, "%s%c%c.tga", ButtonStyleTextureNames[style], kPieces[p], kFaces[f]);
      Textures[f * 3 + p] = CurGfxDevice ? CurGfxDevice->LoadTexture(name, 0) : nullptr;
    }
  if (Width < 0) {
    int w = 0;
    for (int p = 3; p < 6; ++p) w += Textures[p] ? Textures[p]->Width : 0;
    Width = w > 0 ? w : 80;
  }
  Height = Textures[0] && Textures[0]->Height > 1 ? Textures[0]->Height : kFallbackHeight;
  StyleInfo info = StyleOf(style);
  if (info.icon) Icon = *info.icon;
  if (info.help) AddHelpText(info.help);
  SoundKind = info.sound;
  GrowToLabel();
}

GUIButton::GUIButton(int x, int y, int width, int height, const char* text, ButtonDrawMode mode, int messageId,
                     TextureMap* first, TextureMap* second, int* statePtr)
    : GUIObject(x, y, width, height) {
  Flags |= IsButton;
  Font = MedFont;
  DrawMode = mode;
  MessageId = messageId;
  StatePtr = statePtr;
  Textures[0] = first;
  Textures[1] = second;
  SetText(text);
  if (Width < 0) Width = first && first->Width > 0 ? first->Width : 16;
  if (Height < 0) Height = first && first->Height > 0 ? first->Height : 16;
}

void GUIButton::SetText(const char* text) { std::snprintf(Text, sizeof Text, "%s", text ? text : ""); }

void GUIButton::GrowToLabel() {
  if (!Font || !Text[0]) return;
  const int iconW = Icon ? Icon->Width + 2 : 0;
  // The drawn label carries a one-pixel shadow.
  const int needed = iconW + Font->TextWidth(Text, 1.0f) + 1 + 2 * kLabelMargin;
  if (Width < needed) Width = needed;
}

void GUIButton::DrawLabel(int ax, int ay, const char* format) {
  if (!Font || !Text[0]) return;
  char label[80];
  // The colour codes go through the catalogue like every shown text.
  const char* colour = GetString((Flags & Disabled) ? "@A" : "@W");
  std::snprintf(label, sizeof label, format, colour, Text);
  vec2 size = Font->TextSize(label);
  int iconW = Icon ? Icon->Width + 2 : 0;
  int tx = ax + iconW + (Width - iconW - int(size.x)) / 2;
  int ty = ay + (Height - int(size.y)) / 2;
  // A label wider than the button is cut at its edges: partial redraws
  // draw only the objects near their rectangle, so nothing may spill out.
  int saved[4] = {GfxDevice::clip_minx, GfxDevice::clip_miny, GfxDevice::clip_maxx, GfxDevice::clip_maxy};
  SetClip(ax, ay, ax + Width - 1, ay + Height - 1);
  Font->Print(tx, ty, label);
  CurGfxDevice->SetClippingRegion(saved[0], saved[1], saved[2], saved[3]);
}

void GUIButton::Draw(int x, int y) {
  if (Hidden()) return;
  if (!CurGfxDevice) return;
  int ax = x + X, ay = y + Y;
  bool down = (Flags & Pressed) && (MouseOwner != this || PointerInside);
  if (DrawMode == ButtonDrawThreePiece) {
    TextureMap** set = Textures + (down ? 3 : 0);
    int lw = set[0] ? set[0]->Width : 0;
    int rw = set[2] ? set[2]->Width : 0;
    if (!set[0] && !set[1] && !set[2]) {
      // No face textures: a flat face so that the button still shows.
      CurGfxDevice->ClearRegion(down ? 60 : 90, down ? 60 : 90, down ? 110 : 150, ax, ay, ax + Width - 1,
                                ay + Height - 1);
    }
    if (set[0]) CurGfxDevice->CopyTMap(float(ax), float(ay), set[0]);
    if (set[2]) CurGfxDevice->CopyTMap(float(ax + Width - rw), float(ay), set[2]);
    if (set[1] && Width > 1 && Height > 1 && Width - lw - rw > 0)
      CurGfxDevice->TmapBlit(float(ax + lw), float(ax + Width - rw), float(ay), float(ay + Height), 0, set[1], 0);
    if (Icon) CurGfxDevice->CopyTMap(float(ax + 4), float(ay + (Height - Icon->Height) / 2), Icon);
    DrawLabel(ax, ay, "%s@Z%s");
  } else {
    TextureMap* face = down && Textures[1] ? Textures[1] : Textures[0];
    if (face) CurGfxDevice->CopyTMap(float(ax), float(ay), face);
    else
      CurGfxDevice->ClearRegion(down ? 60 : 120, down ? 60 : 120, down ? 60 : 120, ax, ay, ax + Width - 1,
                                ay + Height - 1);
    DrawLabel(ax, ay, "%s@Z%s");
  }
  DrawChildren(ax - ScrollX, ay - ScrollY);
}

void GUIButton::PlayClick() {
  if (Silent) return;
  GUIPlaySound(SoundKind == 1 ? "sounds/cancel.wav" : "sounds/click.wav");
}

void GUIButton::DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) {
  switch (t) {
    case LeftButtonDown:
    case LeftDoubleClick:
      RedrawRegion();
      Flags |= Pressed;
      MouseOwner = this;
      PointerInside = 1;
      SetGUITickInterval(RepeatInterval);
      break;
    case LeftButtonUp: {
      Flags &= ~uint32_t(Pressed);
      if (MouseOwner == this) {
        MouseOwner = nullptr;
        RedrawRegion();
      }
      int handled = 0;
      if (PointerInside) {
        PointerInside = 0;
        PlayClick();
        State = !State;
        if (StatePtr) *StatePtr = State;
        GUIWatch self(this);
        Clicked();
        if (!self) return;
        if (MessageId && Parent) handled = Parent->HandleMessage(MessageId, State, 0, this, nullptr);
        // A parent that destroyed this button's window returns non-zero.
        if (handled || !self) return;
      }
      SetGUITickInterval(kGUITickIntervalMs);
      break;
    }
    case RightButtonDown:
      if (Parent) Parent->HandleMessage(MsgRightClick, 0, 0, this, nullptr);
      break;
    default: break;
  }
}

void GUIButton::DoMouseMovement(int x, int y, unsigned long mods) {
  if (MouseOwner != this) return;
  int inside = x >= 0 && y >= 0 && x < Width && y < Height && !(Flags & Disabled);
  if (inside != PointerInside) {
    PointerInside = inside;
    if (inside) Flags |= Pressed;
    else Flags &= ~uint32_t(Pressed);
    RedrawRegion();
  }
}

void GUIButton::CaptureCancelled() {
  Flags &= ~uint32_t(Pressed);
  PointerInside = 0;
  RedrawRegion();
  SetGUITickInterval(kGUITickIntervalMs);
}

void GUIButton::Disable() {
  // Damaged first: once disabled, RedrawRegion would ignore it.
  RedrawRegion();
  Flags |= Disabled;
}

void GUIButton::Enable() {
  Flags &= ~uint32_t(Disabled);
  RedrawRegion();
}
