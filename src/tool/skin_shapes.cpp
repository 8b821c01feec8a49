#include "tool/skin_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace skin {

Shape RoundRect(float x0, float y0, float x1, float y1, float radius) {
  return [=](float x, float y) {
    if (x < x0 || x > x1 || y < y0 || y > y1) return false;
    float cx = std::clamp(x, x0 + radius, x1 - radius), cy = std::clamp(y, y0 + radius, y1 - radius);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
  };
}

Shape Triangle(float ax, float ay, float bx, float by, float cx, float cy) {
  return [=](float x, float y) {
    auto side = [](float px, float py, float qx, float qy, float x, float y) {
      return (qx - px) * (y - py) - (qy - py) * (x - px);
    };
    float d1 = side(ax, ay, bx, by, x, y), d2 = side(bx, by, cx, cy, x, y), d3 = side(cx, cy, ax, ay, x, y);
    return (d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0);
  };
}

Shape Segment(float ax, float ay, float bx, float by, float width) {
  return [=](float x, float y) {
    float dx = bx - ax, dy = by - ay;
    float t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.f, 1.f);
    float ex = ax + t * dx - x, ey = ay + t * dy - y;
    return ex * ex + ey * ey <= width * width / 4;
  };
}

Shape Circle(float cx, float cy, float r) {
  return [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}

float Lattice(int x, int y, int seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + uint32_t(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return float((h ^ (h >> 16)) & 0xFFFF) / 65535.f;
}

float PeriodicNoise(float x, float y, float cellSize, int period, int seed) {
  float fx = x / cellSize, fy = y / cellSize;
  int ix = int(std::floor(fx)), iy = int(std::floor(fy));
  float tx = fx - ix, ty = fy - iy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  auto L = [&](int a, int b) {
    return Lattice(((a % period) + period) % period, ((b % period) + period) % period, seed);
  };
  float top = L(ix, iy) + (L(ix + 1, iy) - L(ix, iy)) * tx;
  float bottom = L(ix, iy + 1) + (L(ix + 1, iy + 1) - L(ix, iy + 1)) * tx;
  return top + (bottom - top) * ty;
}

float Fbm(float x, float y, int size, int seed) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int cells = 4; cells <= 32; cells *= 2) {
    sum += amp * PeriodicNoise(x, y, float(size) / cells, cells, seed + cells);
    norm += amp;
    amp *= 0.5f;
  }
  return sum / norm;
}

}  // namespace skin
