#include "platform/keymap.h"

KeyTranslation TranslateScancode(SDL_Scancode s) {
  // Letters and digits: virtual keys are the upper-case ASCII codes.
  static const unsigned char letterScan[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                               0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                               0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
  if (s >= SDL_SCANCODE_A && s <= SDL_SCANCODE_Z) {
    int i = s - SDL_SCANCODE_A;
    return {unsigned('A' + i), letterScan[i], false};
  }
  if (s >= SDL_SCANCODE_1 && s <= SDL_SCANCODE_9) {
    int i = s - SDL_SCANCODE_1;
    return {unsigned('1' + i), unsigned(0x02 + i), false};
  }
  if (s == SDL_SCANCODE_0) return {'0', 0x0B, false};
  if (s >= SDL_SCANCODE_F1 && s <= SDL_SCANCODE_F10) {
    int i = s - SDL_SCANCODE_F1;
    return {VK_F1 + i, unsigned(0x3B + i), false};
  }
  if (s == SDL_SCANCODE_F11) return {VK_F1 + 10, 0x57, false};
  if (s == SDL_SCANCODE_F12) return {VK_F12, 0x58, false};
  if (s >= SDL_SCANCODE_KP_1 && s <= SDL_SCANCODE_KP_9) {
    static const unsigned char kpScan[9] = {0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
    int i = s - SDL_SCANCODE_KP_1;
    return {VK_NUMPAD0 + 1 + i, kpScan[i], false};
  }
  switch (s) {
    case SDL_SCANCODE_RETURN: return {VK_RETURN, 0x1C, false};
    case SDL_SCANCODE_KP_ENTER: return {VK_RETURN, 0x1C, true};
    case SDL_SCANCODE_ESCAPE: return {VK_ESCAPE, 0x01, false};
    case SDL_SCANCODE_BACKSPACE: return {VK_BACK, 0x0E, false};
    case SDL_SCANCODE_TAB: return {VK_TAB, 0x0F, false};
    case SDL_SCANCODE_SPACE: return {VK_SPACE, 0x39, false};
    case SDL_SCANCODE_MINUS: return {VK_OEM_MINUS, 0x0C, false};
    case SDL_SCANCODE_EQUALS: return {VK_OEM_PLUS, 0x0D, false};
    case SDL_SCANCODE_LEFTBRACKET: return {VK_OEM_4, 0x1A, false};
    case SDL_SCANCODE_RIGHTBRACKET: return {VK_OEM_6, 0x1B, false};
    case SDL_SCANCODE_BACKSLASH: return {VK_OEM_5, 0x2B, false};
    case SDL_SCANCODE_SEMICOLON: return {VK_OEM_1, 0x27, false};
    case SDL_SCANCODE_APOSTROPHE: return {VK_OEM_7, 0x28, false};
    case SDL_SCANCODE_GRAVE: return {VK_OEM_3, 0x29, false};
    case SDL_SCANCODE_COMMA: return {VK_OEM_COMMA, 0x33, false};
    case SDL_SCANCODE_PERIOD: return {VK_OEM_PERIOD, 0x34, false};
    case SDL_SCANCODE_SLASH: return {VK_OEM_2, 0x35, false};
    case SDL_SCANCODE_CAPSLOCK: return {VK_CAPITAL, 0x3A, false};
    case SDL_SCANCODE_LSHIFT: return {VK_SHIFT, 0x2A, false};
    case SDL_SCANCODE_RSHIFT: return {VK_SHIFT, 0x36, false};
    case SDL_SCANCODE_LCTRL: return {VK_CONTROL, 0x1D, false};
    case SDL_SCANCODE_RCTRL: return {VK_CONTROL, 0x1D, true};
    case SDL_SCANCODE_LALT: return {VK_MENU, 0x38, false};
    case SDL_SCANCODE_RALT: return {VK_MENU, 0x38, true};
    case SDL_SCANCODE_INSERT: return {VK_INSERT, 0x52, true};
    case SDL_SCANCODE_DELETE: return {VK_DELETE, 0x53, true};
    case SDL_SCANCODE_HOME: return {VK_HOME, 0x47, true};
    case SDL_SCANCODE_END: return {VK_END, 0x4F, true};
    case SDL_SCANCODE_PAGEUP: return {VK_PRIOR, 0x49, true};
    case SDL_SCANCODE_PAGEDOWN: return {VK_NEXT, 0x51, true};
    case SDL_SCANCODE_LEFT: return {VK_LEFT, 0x4B, true};
    case SDL_SCANCODE_RIGHT: return {VK_RIGHT, 0x4D, true};
    case SDL_SCANCODE_UP: return {VK_UP, 0x48, true};
    case SDL_SCANCODE_DOWN: return {VK_DOWN, 0x50, true};
    case SDL_SCANCODE_KP_0: return {VK_NUMPAD0, 0x52, false};
    case SDL_SCANCODE_KP_PERIOD: return {VK_DECIMAL, 0x53, false};
    case SDL_SCANCODE_KP_PLUS: return {VK_ADD, 0x4E, false};
    case SDL_SCANCODE_KP_MINUS: return {VK_SUBTRACT, 0x4A, false};
    case SDL_SCANCODE_KP_MULTIPLY: return {VK_MULTIPLY, 0x37, false};
    case SDL_SCANCODE_KP_DIVIDE: return {VK_DIVIDE, 0x35, true};
    case SDL_SCANCODE_NUMLOCKCLEAR: return {VK_NUMLOCK, 0x45, false};
    case SDL_SCANCODE_SCROLLLOCK: return {VK_SCROLL, 0x46, false};
    case SDL_SCANCODE_PAUSE: return {VK_PAUSE, 0x45, false};
    default: return {0, 0, false};
  }
}
