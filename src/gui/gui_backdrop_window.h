// Backdrop windows: a rectangle painted with one colour, or with a texture
// tiled (or stretched, with StretchTexture) over it, under its children. A
// backdrop larger than 200 by 200 pixels does not paint under enabled
// children larger than 100 by 100 that are not SeeThrough.
#pragma once

#include "gui/gui_object.h"

class GUIDragBar;

class GUIBackdropWindow : public GUIObject {
 public:
  TextureMap* BackTexture = nullptr;
  unsigned char BackColour[3] = {255, 255, 255};

  GUIBackdropWindow(int x, int y, int width, int height, int red, int green, int blue);
  // The texture's size; SeeThrough when the texture has transparent pixels.
  GUIBackdropWindow(TextureMap* texture, int x, int y);

  void Draw(int x, int y) override;
  // The background alone (the first half of Draw), for derived windows that
  // draw their own things between the background and the children.
  void DrawBackdrop(int x, int y);

 protected:
  // Paints the background of the rectangle at (ax, ay) within the current clip.
  void PaintBackground(int ax, int ay);
};

// A textured backdrop with a title bar across its top by which it is moved.
class GUIDraggableBackdropWindow : public GUIBackdropWindow {
 public:
  GUIDragBar* DragBar = nullptr;
  GUIDraggableBackdropWindow(TextureMap* texture, int x, int y, int titleHeight);
  void LayoutChildren() override;
};
