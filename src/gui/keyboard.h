// Keyboard routing. Key codes: characters as their codes (Enter is 10),
// special keys as 0x1000 plus the key's set-1 scan code (0x80 added for
// extended keys); 0x400 Shift, 0x200 Control, 0x100 Alt.
#pragma once

enum : int {
  KeyScanCode = 0x1000,
  KeyAlt = 0x100,
  KeyControl = 0x200,
  KeyShift = 0x400,
  KeyEnter = 10,
  KeyTab = 9,
  KeyBackspace = 8,
  KeyEscape = 0x1001,
  KeyLeft = 0x10CB,
  KeyRight = 0x10CD,
  KeyUp = 0x10C8,
  KeyDown = 0x10D0,
  KeyHome = 0x10C7,
  KeyEnd = 0x10CF,
  KeyPageUp = 0x10C9,
  KeyPageDown = 0x10D1,
  KeyInsert = 0x10D2,
  KeyDelete = 0x10D3,
  KeyF1 = 0x103B,
  KeyF10 = 0x1044,
};

// Routes a key: to the keyboard owner (Tab moves the focus along
// NextInTabOrder or is swallowed), with a modal object to it, else to the
// top-level objects in order. Alt keys and F1 to F10 bypass the owner.
void GUIHandleKey(int key, unsigned long mods);
