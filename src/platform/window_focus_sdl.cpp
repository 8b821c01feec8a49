#include "platform/window_focus.h"
#include "platform/window_sdl_internal.h"

bool PlatIsWindowMinimized(HWND window) {
  SDL_Window* sdl = PlatSdlWindow(window);
  return sdl && (SDL_GetWindowFlags(sdl) & SDL_WINDOW_MINIMIZED);
}

bool PlatActivateWindow(HWND window) {
  SDL_Window* sdl = PlatSdlWindow(window);
  if (!sdl) return false;
  Uint32 flags = SDL_GetWindowFlags(sdl);
  if (flags & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(sdl);
  if (!(flags & SDL_WINDOW_INPUT_FOCUS)) SDL_RaiseWindow(sdl);
  return true;
}

bool PlatFixWindowSize(HWND window, int outerWidth, int outerHeight) {
  SDL_Window* sdl = PlatSdlWindow(window);
  if (!sdl) return false;
  int w = outerWidth - kWindowFrameWidth, h = outerHeight - kWindowFrameHeight;
  if (w <= 0 || h <= 0) return false;
  SDL_SetWindowResizable(sdl, SDL_FALSE);
  SDL_SetWindowMinimumSize(sdl, w, h);
  SDL_SetWindowMaximumSize(sdl, w, h);
  return true;
}

bool PlatGetWindowSizeLimits(HWND window, int* minW, int* minH, int* maxW, int* maxH, bool* resizable) {
  SDL_Window* sdl = PlatSdlWindow(window);
  if (!sdl) return false;
  SDL_GetWindowMinimumSize(sdl, minW, minH);
  SDL_GetWindowMaximumSize(sdl, maxW, maxH);
  *resizable = (SDL_GetWindowFlags(sdl) & SDL_WINDOW_RESIZABLE) != 0;
  return true;
}
