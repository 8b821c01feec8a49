// A title bar: drawn with DefaultDragBarTexture and the title in
// WindowTitleBarFont; dragging it with the left button moves its parent
// window (5000 to the window on each move). It may hold a close gadget
// (6001) and a minimise gadget (6002), which it forwards to the window with
// a = b = 0; its own button events go to the window as 6004 (a = event type).
#pragma once

#include "gui/gui_object.h"

class GUIButton;

class GUIDragBar : public GUIObject {
 public:
  char Title[128] = {};
  GUIButton* CloseGadget = nullptr;
  GUIButton* MinGadget = nullptr;
  int Dragging = 0;
  int GrabX = 0, GrabY = 0;  // where the bar was grabbed, local

  GUIDragBar(int x, int y, int width, int height, const char* title, bool closeGadget, bool minGadget);
  void Draw(int x, int y) override;
  void DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) override;
  void DoMouseMovement(int x, int y, unsigned long mods) override;
  int HandleMessage(int msg, int a, int b, void* p, void* q) override;
  void LayoutChildren() override;
};
