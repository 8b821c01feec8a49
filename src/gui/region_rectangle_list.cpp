#include "gui/region_rectangle_list.h"

#include <algorithm>

void RegionRectangleList::SubtractRectangle(RegionRect r) {
  std::vector<RegionRect> out;
  out.reserve(rects_.size() + 4);
  for (const RegionRect& a : rects_) {
    if (r.x1 > a.x2 || r.x2 < a.x1 || r.y1 > a.y2 || r.y2 < a.y1) {
      out.push_back(a);
      continue;
    }
    int top = std::max(a.y1, r.y1), bottom = std::min(a.y2, r.y2);
    if (a.y1 < r.y1) out.push_back({a.x1, a.y1, a.x2, r.y1 - 1});
    if (a.y2 > r.y2) out.push_back({a.x1, r.y2 + 1, a.x2, a.y2});
    if (a.x1 < r.x1) out.push_back({a.x1, top, r.x1 - 1, bottom});
    if (a.x2 > r.x2) out.push_back({r.x2 + 1, top, a.x2, bottom});
  }
  rects_.swap(out);
}
