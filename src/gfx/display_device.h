// Display set-up: choosing and creating the global drawing device.
#pragma once

#include "gfx/gfx_device.h"

enum DisplayDevice : int {
  DD_VGA565 = 0,  // the windowed software device
  DD_NULL = 3,    // a 640 by 480 device that draws nothing
};

// 1 selects windowed presentation (the only mode here); call before InitDisplay.
void SetWindowedMode(int windowed);
extern int WindowedMode;

// For tests: when not -1, GetScreenPixelFormat reports this PixelFormat
// instead of asking the window (PF_RGB565, PF_RGB555 or PF_RGB32). The
// environment variable QUORVEL_PIXEL_FORMAT ("565", "555" or "32") does the
// same for a whole program run.
extern int ForcedScreenPixelFormat;

// The desktop format: the window's bits per pixel (16 split into 5-6-5 and
// 5-5-5 by its masks), 32-bit without a window. Stops the program on a depth
// other than 8, 16, 24 or 32.
PixelFormat GetScreenPixelFormat();

// Destroys any existing device and creates device 0 (VGA565Device of width by
// height; format must be 1, 7 or 8) or 3 (null device). Other devices and
// formats stop the program. Returns non-zero when CurGfxDevice exists.
int InitDisplay(int device, int width, int height, int format, void* scratch, unsigned long flags);
// Destroys the device and with it every texture.
void CleanupDisplay();
// Sets the mouse pointer shape of the program window (1 arrow, 2 cross,
// 3 hourglass, 0x100 plus edge bits for resize edges).
void GUISetCursor(unsigned long shape);
