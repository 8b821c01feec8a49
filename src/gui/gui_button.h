// Push buttons: text buttons drawn from three-piece textures (left, stretched
// centre, right; a raised and a pressed set), and buttons drawn from two
// whole textures (title-bar gadgets, toggles). A click is a left press and a
// release inside; it flips State and sends MessageId to the parent with
// a = State. A right press sends 5014. While pressed the GUI tick (timer 3)
// runs at RepeatInterval; it goes back to 500 ms on release.
#pragma once

#include "gui/gui_object.h"

enum ButtonDrawMode : unsigned char {
  ButtonDrawTwoTextures = 2,
  ButtonDrawThreePiece = 4,
};

class GUIButton : public GUIObject {
 public:
  unsigned char DrawMode = ButtonDrawThreePiece;
  TextureMap* Textures[6] = {};
  char Text[32] = {};
  int State = 0;
  int* StatePtr = nullptr;
  int MessageId = 0;
  int PointerInside = 0;
  int RepeatInterval = 500;
  unsigned char Silent = 0;
  unsigned char SoundKind = 2;  // 1 cancel, 2 click

  // The text button of a style (0 to 7). A negative width means as wide as
  // the three pressed pieces together; the height is the first texture's.
  // A label wider than the width allows grows the button (GrowToLabel).
  GUIButton(int x, int y, int width, const char* text, int messageId, int style, int* statePtr = nullptr);
  // A button drawn from two textures: `first` raised, `second` pressed.
  GUIButton(int x, int y, int width, int height, const char* text, ButtonDrawMode mode, int messageId,
            TextureMap* first, TextureMap* second, int* statePtr = nullptr);

  void Draw(int x, int y) override;
  void DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) override;
  void DoMouseMovement(int x, int y, unsigned long mods) override;
  void Disable() override;
  void Enable() override;
  virtual void SetText(const char* text);
  // Widens the button until its label, in its font and beside its icon, fits
  // with a margin on either side; never narrows it. Nothing without a font.
  void GrowToLabel();
  // A press abandoned by the toolkit: the button pops up without a click.
  void CaptureCancelled() override;

 protected:
  // Called after a completed click, before the parent is told; false when
  // this object was destroyed.
  virtual void Clicked() {}
  // Plays the click sound unless Silent.
  void PlayClick();
  void DrawLabel(int ax, int ay, const char* format);
};
