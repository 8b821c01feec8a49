#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/window_sdl_internal.h"
#include "platform/window_surface.h"

bool PlatGetWindowPixelLayout(HWND window, PlatPixelLayout* layout) {
  SDL_Window* sdl = PlatSdlWindow(window);
  if (!sdl) return false;
  SDL_Surface* surface = SDL_GetWindowSurface(sdl);
  if (!surface) return false;
  const SDL_PixelFormat* f = surface->format;
  layout->bitsPerPixel = f->BitsPerPixel;
  layout->redMask = f->Rmask;
  layout->greenMask = f->Gmask;
  layout->blueMask = f->Bmask;
  return true;
}

bool PlatPresentPixels(HWND window, const void* pixels, int pitch, int width, int height, const PlatPixelLayout& layout,
                       const PlatRect* rects, int count) {
  SDL_Window* sdl = PlatSdlWindow(window);
  if (!sdl || !pixels || width <= 0 || height <= 0) return false;
  SDL_Surface* surface = SDL_GetWindowSurface(sdl);
  if (!surface) return false;

  PlatRect whole{0, 0, width, height};
  if (!rects) {
    rects = &whole;
    count = 1;
  }
  std::vector<SDL_Rect> shown;
  shown.reserve(count);
  for (int i = 0; i < count; ++i) {
    int x1 = std::max(0, rects[i].x), y1 = std::max(0, rects[i].y);
    int x2 = std::min({width, surface->w, rects[i].x + rects[i].w});
    int y2 = std::min({height, surface->h, rects[i].y + rects[i].h});
    if (x2 > x1 && y2 > y1) shown.push_back(SDL_Rect{x1, y1, x2 - x1, y2 - y1});
  }
  if (shown.empty()) return true;

  const SDL_PixelFormat* f = surface->format;
  bool same = f->BitsPerPixel == layout.bitsPerPixel && f->Rmask == layout.redMask && f->Gmask == layout.greenMask &&
              f->Bmask == layout.blueMask;
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return false;
  bool ok = true;
  if (same) {
    // The common case: the back buffer is in the window's own format, so each
    // row is one copy.
    int bpp = layout.bitsPerPixel / 8;
    for (const SDL_Rect& r : shown)
      for (int y = r.y; y < r.y + r.h; ++y)
        std::memcpy(static_cast<uint8_t*>(surface->pixels) + size_t(y) * surface->pitch + size_t(r.x) * bpp,
                    static_cast<const uint8_t*>(pixels) + size_t(y) * pitch + size_t(r.x) * bpp, size_t(r.w) * bpp);
  }
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  if (!same) {
    SDL_Surface* source = SDL_CreateRGBSurfaceFrom(const_cast<void*>(pixels), width, height, layout.bitsPerPixel, pitch,
                                                   layout.redMask, layout.greenMask, layout.blueMask, 0);
    if (!source) return false;
    for (SDL_Rect r : shown) {
      SDL_Rect d = r;
      if (SDL_BlitSurface(source, &r, surface, &d) != 0) ok = false;
    }
    SDL_FreeSurface(source);
  }
  if (SDL_UpdateWindowSurfaceRects(sdl, shown.data(), int(shown.size())) != 0) ok = false;
  return ok;
}

bool PlatReadWindowPixel(HWND window, int x, int y, uint8_t* r, uint8_t* g, uint8_t* b) {
  SDL_Window* sdl = PlatSdlWindow(window);
  SDL_Surface* surface = sdl ? SDL_GetWindowSurface(sdl) : nullptr;
  if (!surface || x < 0 || y < 0 || x >= surface->w || y >= surface->h) return false;
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return false;
  const uint8_t* p = static_cast<const uint8_t*>(surface->pixels) + size_t(y) * surface->pitch +
                     size_t(x) * surface->format->BytesPerPixel;
  Uint32 v = 0;
  std::memcpy(&v, p, surface->format->BytesPerPixel);
  SDL_GetRGB(v, surface->format, r, g, b);
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  return true;
}
