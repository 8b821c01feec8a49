#include "gui/damage.h"

#include <algorithm>
#include <cstdint>

#include "gfx/gfx_device.h"

void ClearDamageRegions() { NDamageRegions = 0; }

void AddDamageRegion(int x1, int y1, int x2, int y2) {
  if (x1 > x2 || y1 > y2) return;
  int maxX = GfxDevice::Width - 1, maxY = GfxDevice::Height - 1;
  if (maxX < 0 || maxY < 0) return;
  x1 = std::clamp(x1, 0, maxX);
  x2 = std::clamp(x2, 0, maxX);
  y1 = std::clamp(y1, 0, maxY);
  y2 = std::clamp(y2, 0, maxY);
  int cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
  int64_t area = int64_t(x2 - x1 + 1) * (y2 - y1 + 1);

  int nearest = -1, touching = -1;
  int64_t best = 0;
  for (int i = 0; i < NDamageRegions; ++i) {
    const DamageRegion& r = DamageRegions[i];
    int64_t dx = (r.x1 + r.x2) / 2 - cx, dy = (r.y1 + r.y2) / 2 - cy;
    int64_t d = dx * dx + dy * dy;
    if (nearest < 0 || d < best) {
      best = d;
      nearest = i;
    }
    if (r.x2 + 5 >= x1 && r.y2 + 5 >= y1 && r.x1 - 5 <= x2 && r.y1 - 5 <= y2) {
      touching = i;
      break;
    }
  }
  if (touching < 0 && NDamageRegions == kMaxDamageRegions) touching = nearest;
  auto grow = [&](DamageRegion& r) {
    r.x1 = std::min(r.x1, x1);
    r.x2 = std::max(r.x2, x2);
    r.y1 = std::min(r.y1, y1);
    r.y2 = std::max(r.y2, y2);
  };
  if (touching >= 0) {
    grow(DamageRegions[touching]);
    return;
  }
  if (nearest >= 0) {
    DamageRegion& r = DamageRegions[nearest];
    int64_t nearArea = int64_t(r.x2 - r.x1 + 1) * (r.y2 - r.y1 + 1);
    int64_t u = int64_t(std::max(r.x2, x2) - std::min(r.x1, x1) + 1) * (std::max(r.y2, y2) - std::min(r.y1, y1) + 1);
    if (u - area - nearArea < nearArea + area) {
      grow(r);
      return;
    }
  }
  DamageRegions[NDamageRegions++] = {x1, x2, y1, y2};
}
