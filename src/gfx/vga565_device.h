// The windowed software device: a MemoryDevice whose back buffer is in the
// desktop's format (5-6-5, 5-5-5 or 32-bit) and is presented to the program
// window (hMainWindow), whole or by rectangles. Without a window it renders
// all the same and presents nothing (tests).
//
// QUORVEL_SCREENSHOT=path.png in the environment writes the back buffer as a
// PNG after each full present.
#pragma once

#include "gfx/memory_device.h"

class VGA565Device : public MemoryDevice {
 public:
  VGA565Device(int width, int height);
  ~VGA565Device() override;

  void PageSwap() override;
  void CopyInvisibleRegionToVisible(int x, int y, int w, int h) override;
  void ResizeToClientWindow() override;
  void ResizeToWidthHeight(int w, int h) override;

  // Presentations that reached the window (tests).
  int PresentCount = 0;

 private:
  // Makes the window's drawing area width by height when it is not.
  void FitWindow();
  bool Present(int x, int y, int w, int h);
  char ScreenshotPath[1024] = {};
};

// The window message handler of the 2-D device: on WM_PAINT it presents the
// whole back buffer again without redrawing the GUI. The launcher registers
// it with its window procedure. Returns 0 (the message goes on).
int GfxWindowMessageHandler(unsigned message, unsigned long wParam, long lParam);
