// Feeding window messages to the GUI the way the window procedure does.
#pragma once

#include <string>

#include "gui/gui_message_handler.h"
#include "platform/keymap.h"

inline long PackXY(int x, int y) { return long((unsigned(y) & 0xFFFF) << 16 | (unsigned(x) & 0xFFFF)); }
inline void MouseDown(int x, int y) { GUIMessageHandler(WM_LBUTTONDOWN, MK_LBUTTON, PackXY(x, y)); }
inline void MouseUp(int x, int y) { GUIMessageHandler(WM_LBUTTONUP, 0, PackXY(x, y)); }
inline void MouseMove(int x, int y) { GUIMessageHandler(WM_MOUSEMOVE, 0, PackXY(x, y)); }
inline void DoubleClick(int x, int y) { GUIMessageHandler(WM_LBUTTONDBLCLK, MK_LBUTTON, PackXY(x, y)); }
inline void RightDown(int x, int y) { GUIMessageHandler(WM_RBUTTONDOWN, MK_RBUTTON, PackXY(x, y)); }
inline void Click(int x, int y) {
  MouseMove(x, y);
  MouseDown(x, y);
  MouseUp(x, y);
}
// Characters as the platform delivers them: WM_CHAR with the scan code of
// the key in bits 16-23 (0 here; Enter carries 0x1C).
inline void TypeChar(unsigned char c) { GUIMessageHandler(WM_CHAR, c, c == 13 ? (0x1C << 16) : 0); }
inline void Type(const std::string& s) {
  for (unsigned char c : s) TypeChar(c);
}
inline void PressEnter() { TypeChar(13); }
inline void PressBackspace() { GUIMessageHandler(WM_CHAR, 8, 0x0E << 16); }
// A special key (not a character): WM_KEYDOWN with the virtual key.
inline void KeyDown(unsigned vk) { GUIMessageHandler(WM_KEYDOWN, vk, 0); }
