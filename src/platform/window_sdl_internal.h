// Shared between the platform's own files: the SDL objects behind a window.
// Nothing outside src/platform includes this.
#pragma once

#include <SDL2/SDL.h>

#include <string>

#include "platform/window.h"

struct PlatWindow {
  SDL_Window* sdl = nullptr;
  WNDPROC proc = nullptr;
  std::string className;
  int x = 0, y = 0;  // outer position
  int clientWidth = 0, clientHeight = 0;
  bool visible = true;
};

// The SDL window behind a live window handle, or null.
SDL_Window* PlatSdlWindow(HWND window);
