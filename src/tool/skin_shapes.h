// Shapes and patterns the skin generator paints with: coverage predicates
// (rounded rectangles, triangles, thick segments, discs), a solid colouring,
// and value noise that repeats over a tile without a seam.
#pragma once

#include "tool/skin_canvas.h"

namespace skin {

Shape RoundRect(float x0, float y0, float x1, float y1, float radius);
Shape Triangle(float ax, float ay, float bx, float by, float cx, float cy);
// The points within width / 2 of the segment from a to b.
Shape Segment(float ax, float ay, float bx, float by, float width);
Shape Circle(float cx, float cy, float r);

inline auto SolidFn(RGBA c) {
  return [c](float, float) { return c; };
}

// A hash of the lattice point in 0..1.
float Lattice(int x, int y, int seed);
// Value noise with period cells across period * cellSize pixels, so a tile
// of that size repeats without a seam.
float PeriodicNoise(float x, float y, float cellSize, int period, int seed);
// Fractal noise over a square tile of size pixels (a power of two).
float Fbm(float x, float y, int size, int seed);

}  // namespace skin
