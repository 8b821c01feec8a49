#include <SDL2/SDL.h>

#include "platform/cursor.h"
#include "platform/window.h"

int PlatCursorKindForShape(unsigned shape) {
  switch (shape) {
    case 2: return 1;
    case 3: return 2;
    case 0x101:
    case 0x102: return 3;
    case 0x104:
    case 0x108: return 4;
    case 0x105:
    case 0x10A: return 5;
    case 0x106:
    case 0x109: return 6;
    default: return 0;
  }
}

void PlatSetCursorShape(unsigned shape) {
  if (PlatIsHeadless() || !SDL_WasInit(SDL_INIT_VIDEO)) return;
  static SDL_Cursor* cursors[7] = {};
  static const SDL_SystemCursor kinds[7] = {
      SDL_SYSTEM_CURSOR_ARROW,  SDL_SYSTEM_CURSOR_CROSSHAIR, SDL_SYSTEM_CURSOR_WAIT,    SDL_SYSTEM_CURSOR_SIZEWE,
      SDL_SYSTEM_CURSOR_SIZENS, SDL_SYSTEM_CURSOR_SIZENWSE,  SDL_SYSTEM_CURSOR_SIZENESW};
  int k = PlatCursorKindForShape(shape);
  if (!cursors[k]) cursors[k] = SDL_CreateSystemCursor(kinds[k]);
  if (cursors[k]) SDL_SetCursor(cursors[k]);
}
