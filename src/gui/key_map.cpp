#include "gui/key_map.h"

#include "platform/keymap.h"

// clang-format off
const KeyMapEntry KeyMap[kKeyMapEntries] = {
  {'0', 0x0B, 1}, {'1', 0x02, 1}, {'2', 0x03, 1}, {'3', 0x04, 1}, {'4', 0x05, 1},
  {'5', 0x06, 1}, {'6', 0x07, 1}, {'7', 0x08, 1}, {'8', 0x09, 1}, {'9', 0x0A, 1},
  {'A', 0x1E, 1}, {'C', 0x2E, 1}, {'D', 0x20, 1}, {'E', 0x12, 1}, {'F', 0x21, 1},
  {'H', 0x23, 1}, {'I', 0x17, 1}, {'J', 0x24, 1}, {'K', 0x25, 1}, {'L', 0x26, 1},
  {'M', 0x32, 1}, {'N', 0x31, 1}, {'O', 0x18, 1}, {'P', 0x19, 1}, {'Q', 0x10, 1},
  {'S', 0x1F, 1}, {'V', 0x2F, 1}, {'Y', 0x15, 1}, {'Z', 0x2C, 1}, {'B', 0x30, 1},
  {'G', 0x22, 1}, {'R', 0x13, 1}, {'T', 0x14, 1}, {'U', 0x16, 1}, {'W', 0x11, 1},
  {'X', 0x2D, 1},
  {VK_INSERT, 0xD2, 0}, {VK_DELETE, 0xD3, 0},
  {VK_NUMPAD0 + 0, 0x52, 0}, {VK_NUMPAD0 + 1, 0x4F, 0}, {VK_NUMPAD0 + 2, 0x50, 0},
  {VK_NUMPAD0 + 3, 0x51, 0}, {VK_NUMPAD0 + 4, 0x4B, 0}, {VK_NUMPAD0 + 5, 0x4C, 0},
  {VK_NUMPAD0 + 6, 0x4D, 0}, {VK_NUMPAD0 + 7, 0x47, 0}, {VK_NUMPAD0 + 8, 0x48, 0},
  {VK_NUMPAD0 + 9, 0x49, 0},
  {VK_F1 + 0, 0x3B, 0}, {VK_F1 + 1, 0x3C, 0}, {VK_F1 + 2, 0x3D, 0}, {VK_F1 + 3, 0x3E, 0},
  {VK_F1 + 4, 0x3F, 0}, {VK_F1 + 5, 0x40, 0}, {VK_F1 + 6, 0x41, 0}, {VK_F1 + 7, 0x42, 0},
  {VK_F1 + 8, 0x43, 0}, {VK_F1 + 9, 0x44, 0}, {VK_F1 + 10, 0x57, 0}, {VK_F1 + 11, 0x58, 0},
  {VK_SCROLL, 0x46, 0}, {VK_ESCAPE, 0x01, 0}, {VK_TAB, 0x0F, 1}, {VK_RETURN, 0x1C, 1},
  {VK_SHIFT, 0x2A, 1}, {VK_MENU, 0x38, 1}, {VK_PAUSE, 0xC5, 0}, {VK_CAPITAL, 0x3A, 1},
  {VK_SPACE, 0x39, 1}, {VK_PRIOR, 0xC9, 0}, {VK_NEXT, 0xD1, 0}, {VK_END, 0xCF, 0},
  {VK_HOME, 0xC7, 0}, {VK_LEFT, 0xCB, 0}, {VK_UP, 0xC8, 0}, {VK_RIGHT, 0xCD, 0},
  {VK_DOWN, 0xD0, 0}, {VK_BACK, 0x0E, 1},
};
// clang-format on

unsigned char KeyStateTable[256];

int FindKeyMapEntry(int virtualKey) {
  for (int i = 0; i < kKeyMapEntries; ++i)
    if (KeyMap[i].virtualKey == virtualKey) return i;
  return -1;
}

namespace {
// US layout of scan codes 0x00 to 0x3A; 0 where the key has no character.
const char kUnshifted[0x3B] = {
    0,   27,  '1', '2', '3', '4', '5', '6', '7',  '8', '9', '0',  '-', '=', 8,   9,    // 0x00
    'q', 'w', 'e', 'r', 't', 'y', 'u', 'i', 'o',  'p', '[', ']',  10,  0,   'a', 's',  // 0x10
    'd', 'f', 'g', 'h', 'j', 'k', 'l', ';', '\'', '`', 0,   '\\', 'z', 'x', 'c', 'v',  // 0x20
    'b', 'n', 'm', ',', '.', '/', 0,   0,   0,    ' ', 0,                              // 0x30
};
const char kShifted[0x3B] = {
    0,   27,  '!', '@', '#', '$', '%', '^', '&', '*', '(', ')', '_', '+', 8,   9,    // 0x00
    'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', '{', '}', 10,  0,   'A', 'S',  // 0x10
    'D', 'F', 'G', 'H', 'J', 'K', 'L', ':', '"', '~', 0,   '|', 'Z', 'X', 'C', 'V',  // 0x20
    'B', 'N', 'M', '<', '>', '?', 0,   0,   0,   ' ', 0,                             // 0x30
};
}  // namespace

int ScanCodeToExtendedKey(int s) {
  int mods = 0;
  if (KeyStateTable[0x38] || KeyStateTable[0xB8]) mods |= 0x100;
  if (KeyStateTable[0x1D] || KeyStateTable[0x9D]) mods |= 0x200;
  bool shift = KeyStateTable[0x2A] || KeyStateTable[0x36];
  if (s >= 0 && s < 0x3B) {
    char c = shift ? kShifted[s] : kUnshifted[s];
    if (c) return mods + static_cast<unsigned char>(c);
  }
  return s + 0x1000 + (shift ? 0x400 : 0) + mods;
}
