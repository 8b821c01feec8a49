// A set of disjoint rectangles (inclusive corners) from which rectangles can
// be cut; backdrops use it to skip painting under large opaque children.
#pragma once

#include <vector>

struct RegionRect {
  int x1, y1, x2, y2;
};

class RegionRectangleList {
 public:
  explicit RegionRectangleList(RegionRect whole) { rects_.push_back(whole); }
  // Removes r from every rectangle, splitting them into at most four pieces.
  void SubtractRectangle(RegionRect r);
  const std::vector<RegionRect>& Rects() const { return rects_; }

 private:
  std::vector<RegionRect> rects_;
};
