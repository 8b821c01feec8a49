// A framed window: border and corner textures around an interior, a title
// bar child (GUIDragBar) across the top with optional close (6001) and
// minimise (6002) gadgets. It handles 6002 itself (minimises); closing is up
// to derived windows. A left press on the border starts a resize that
// follows the mouse while the button is held.
#pragma once

#include "gui/gui_object.h"

class GUIDragBar;

enum : unsigned { FrameHasClose = 1, FrameHasMinimize = 2, FrameResizable = 4 };

class GUIFramedWindow : public GUIObject {
 public:
  GUIDragBar* TitleBar = nullptr;
  char Title[128] = {};
  unsigned FrameFlags = 0;
  int Minimized = 0;
  int RestoredHeight = 0;
  int ResizeEdges = 0;  // edge bits of a resize in progress (1 left, 2 right, 4 top, 8 bottom)
  int ResizeLastX = 0, ResizeLastY = 0;
  int MinWidth = 80, MinHeight = 40;
  unsigned char InteriorColour[3] = {58, 62, 92};
  TextureMap* InteriorTexture = nullptr;

  // closeGadget, minGadget, resizable: non-zero to have them; reserved: 0.
  GUIFramedWindow(int x, int y, int width, int height, const char* title, int closeGadget, int minGadget, int resizable,
                  int reserved, GUIObject* parent);

  virtual void Minimize();
  virtual void UnMinimize();
  virtual void ContentsChanged() {}
  virtual void SetMouseCursor() {}

  void Draw(int x, int y) override;
  int HandleMessage(int msg, int a, int b, void* p, void* q) override;
  void LayoutChildren() override;
  void DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) override;
  void DoMouseMovement(int x, int y, unsigned long mods) override;
  int CursorType(int x, int y) override;

  // Edge bits of the border under local (x, y); 0 inside or outside.
  int EdgesAt(int x, int y) const;
  int TitleHeight() const;
};
