// Translation of Windows virtual keys and scan codes into the toolkit's key
// codes (see keyboard.h).
#pragma once

struct KeyMapEntry {
  int virtualKey;
  int keyCode;    // set-1 scan code, 0x80 added for extended keys
  int character;  // 1: the key also arrives as a character message
};

constexpr int kKeyMapEntries = 78;
// The first 36 entries (digits and letters) serve only system key-downs.
constexpr int kKeyMapAltOnlyEntries = 36;
extern const KeyMapEntry KeyMap[kKeyMapEntries];

// The index of the entry for a virtual key, or -1.
int FindKeyMapEntry(int virtualKey);

// The key state table of the engine's keyboard reader, indexed by scan code
// (0x80 added for extended keys); non-zero means held. The launcher never
// starts that reader, so it stays all zero.
extern unsigned char KeyStateTable[256];

// The character of a scan code (Enter gives 10) plus the held modifiers, or
// the scan code with 0x1000, Shift 0x400 and the Alt and Control bits.
int ScanCodeToExtendedKey(int scanCode);
