// Frame composition: draws what is due and presents it. A full redraw
// (Need_Redraw) draws every top-level object and presents the whole back
// buffer; otherwise each pending damage rectangle is redrawn with the device
// clip set to it and presented alone.
#pragma once

#include "gui/gui_globals.h"

// Returns 1 when it drew anything.
int GUIRedrawWindows();
// Intersects (x1, y1)-(x2, y2) with the device's current clip and sets it.
void SetClip(int x1, int y1, int x2, int y2);
