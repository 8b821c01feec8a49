// A sample launcher screen drawn from the default skin through the device:
// the menu screen's backdrop, buttons, check box and drop-down, a framed
// dialog with every text code, and a scroll bar. Used by the skin test and
// the redraw benchmark's reference picture.
#pragma once

#include "gfx/font2.h"

struct SampleFonts {
  Font2* small;
  Font2* medium;
};

// Loads the skin textures from the current directory (zindimgs/...).
void LoadSkinTextures();
// Draws the whole screen (720 by 505) into CurGfxDevice.
void DrawSampleScreen(const SampleFonts& fonts);

// Places the test checks look at.
struct SamplePlaces {
  static constexpr int kLaunchX = 600, kLaunchY = 437;    // raised button
  static constexpr int kPressedX = 385, kPressedY = 437;  // pressed button
  static constexpr int kCheckX = 600, kCheckY = 466;      // ticked check box
  static constexpr int kDialogX = 60, kDialogY = 150, kDialogW = 380, kDialogH = 250;
  static constexpr int kRedTextX = 78, kRedTextY = 220;  // "@R" run
};
