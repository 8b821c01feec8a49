// Bringing the program window forward and pinning its size.
#pragma once

#include "platform/window.h"

// Raises the window and gives it the input focus; a minimised window is
// restored first. False for a dead window.
bool PlatActivateWindow(HWND window);
// True when the window is minimised.
bool PlatIsWindowMinimized(HWND window);
// Pins the window's outer size (the drawing area is the outer size less the
// frame) so that it cannot be resized by its frame.
bool PlatFixWindowSize(HWND window, int outerWidth, int outerHeight);
// The drawing-area size limits and whether the frame can resize the window.
bool PlatGetWindowSizeLimits(HWND window, int* minW, int* minH, int* maxW, int* maxH, bool* resizable);
