// A pair of floats: text extents and centres.
#pragma once

struct vec2 {
  float x = 0, y = 0;
};
