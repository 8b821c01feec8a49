#include "gui/gui_toggle_button.h"

#include "gfx/font2.h"
#include "gfx/gfx_device.h"
#include "gfx/texture.h"

namespace {
constexpr int SoftShadowExtent = 4;
}

GUIToggleButton::GUIToggleButton(int x, int y, int width, int height, int messageId, TextureMap* first,
                                 TextureMap* second, TextureMap* check, int* statePtr)
    : GUIButton(x, y, width, height, nullptr, ButtonDrawTwoTextures, messageId, first, second, statePtr) {
  CheckTexture = check;
  if (statePtr && *statePtr) State = 1;
}

void GUIToggleButton::UpdateLabelMargin() {
  // The margin covers the label and its soft shadow, so that redrawing the
  // toggle's area (RedrawRegion ()) and partial redraws over the label
  // include it even before the first draw.
  RedrawMargin = Font && Text[0] ? 4 + Font->TextWidth(Text, 1.0f) + 2 * SoftShadowExtent : 0;
}

void GUIToggleButton::SetText(const char* text) {
  RedrawRegion();
  GUIButton::SetText(text);
  UpdateLabelMargin();
  RedrawRegion();
}

void GUIToggleButton::Draw(int x, int y) {
  if (Hidden()) return;
  if (!CurGfxDevice) return;
  int ax = x + X, ay = y + Y;
  bool down = (Flags & Pressed) && PointerInside;
  TextureMap* face = State ? (CheckTexture ? CheckTexture : Textures[1]) : Textures[0];
  if (down && Textures[1]) face = Textures[1];
  if (face) {
    CurGfxDevice->CopyTMap(float(ax), float(ay), face);
  } else {
    // No textures: a white box, filled dark while checked.
    CurGfxDevice->ClearRegion(240, 240, 240, ax, ay, ax + Width - 1, ay + Height - 1);
    if (State || down)
      CurGfxDevice->ClearRegion(down ? 120 : 30, down ? 120 : 30, down ? 120 : 30, ax + 3, ay + 3, ax + Width - 4,
                                ay + Height - 4);
  }
  // The label sits to the right of the box; the margin keeps it inside the
  // area that is redrawn with the button (also when Font changed since).
  UpdateLabelMargin();
  if (Font && Text[0]) {
    Font->PrintF(ax + Width + 4, ay, "@W@z%s", Text);
  }
}

void GUIToggleButton::DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) {
  if (t != LeftButtonUp) {
    GUIButton::DoButtonEvent(t, x, y, mods);
    return;
  }
  bool click = PointerInside;
  GUIWatch self(this);
  GUIObject* parent = Parent;
  GUIButton::DoButtonEvent(t, x, y, mods);
  if (click && self && parent) parent->HandleMessage(MsgToggleReleased, State, 0, this, nullptr);
}
