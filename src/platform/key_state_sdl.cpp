#include <SDL2/SDL.h>

#include "platform/key_state.h"
#include "platform/keymap.h"

namespace {
unsigned g_override = 0;
}

void PlatSetKeyStateOverride(unsigned mask) { g_override = mask; }

namespace {
bool InMask(unsigned mask, int virtualKey) {
  if (virtualKey == int(VK_SHIFT)) return mask & 1;
  if (virtualKey == int(VK_CONTROL)) return mask & 2;
  if (virtualKey == int(VK_MENU)) return mask & 4;
  return false;
}
}  // namespace

short GetKeyState(int virtualKey) {
  return InMask(g_override ? g_override : PlatMessageModifiers(), virtualKey) ? short(0x8000) : 0;
}

short GetAsyncKeyState(int virtualKey) {
  bool down = false;
  if (g_override) {
    if (virtualKey == int(VK_SHIFT)) down = g_override & 1;
    else if (virtualKey == int(VK_CONTROL)) down = g_override & 2;
    else if (virtualKey == int(VK_MENU)) down = g_override & 4;
  } else if (SDL_WasInit(SDL_INIT_VIDEO)) {
    SDL_Keymod mod = SDL_GetModState();
    if (virtualKey == int(VK_SHIFT)) down = mod & KMOD_SHIFT;
    else if (virtualKey == int(VK_CONTROL)) down = mod & KMOD_CTRL;
    else if (virtualKey == int(VK_MENU)) down = mod & KMOD_ALT;
  }
  return down ? short(0x8000) : 0;
}
