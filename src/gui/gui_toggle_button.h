// A check-box toggle: a button drawn from its box textures (raised, pressed)
// and a check texture shown while State is 1; after its click message it
// sends 4008.
#pragma once

#include "gui/gui_button.h"

class GUIToggleButton : public GUIButton {
 public:
  TextureMap* CheckTexture = nullptr;

  // A negative width or height takes the first texture's size. State starts
  // at 1 when *statePtr is non-zero.
  GUIToggleButton(int x, int y, int width, int height, int messageId, TextureMap* first, TextureMap* second,
                  TextureMap* check, int* statePtr = nullptr);
  void Draw(int x, int y) override;
  void DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) override;
  // The label is drawn right of the box, inside RedrawMargin, which follows
  // the label from here on (set Font before the label). The old and the new
  // label are damaged.
  void SetText(const char* text) override;

 private:
  void UpdateLabelMargin();
};
