// The pending partial redraws: at most five screen rectangles. A new
// rectangle that comes within 5 pixels of an existing one is merged into it;
// when five are pending, or when merging into the nearest one costs less
// extra area than the two rectangles themselves, it is merged into the
// nearest; otherwise it is appended. GUIRedrawWindows empties the list.
#pragma once

struct DamageRegion {
  int x1, x2, y1, y2;  // inclusive screen coordinates, in this order
};

constexpr int kMaxDamageRegions = 5;

extern DamageRegion DamageRegions[kMaxDamageRegions];
extern int NDamageRegions;

// Adds a screen rectangle by the merge rule. Inverted rectangles are ignored;
// coordinates are clamped to the device's back buffer.
void AddDamageRegion(int x1, int y1, int x2, int y2);
void ClearDamageRegions();
