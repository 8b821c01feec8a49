// A one-line entry field: a text of up to MaxLength characters (1024 at
// most) with a cursor, a selection, a history of earlier entries (Up/Down),
// clipboard keys and symbol entry (Control+Q then a character inserts a
// "{c}" group). It takes the keyboard on a left press; keys reach it only
// while it owns the keyboard. Enter sends 2000 to the parent and moves the
// focus to NextInTabOrder; a right press sends 6063.
#pragma once

#include <string>

#include "gui/gui_object.h"

constexpr int kStringGadgetCapacity = 1024;

extern const char SpecialCtrlString[];
extern const char SpecialCtrlCharChars[];

struct StringHistoryEntry {
  StringHistoryEntry* Next = nullptr;
  StringHistoryEntry* Prev = nullptr;
  char Text[kStringGadgetCapacity] = {};
};

class GUIStringGadget : public GUIObject {
 public:
  char Buffer[kStringGadgetCapacity + 1] = {};
  int Cursor = 0;
  int MaxLength = kStringGadgetCapacity;
  unsigned char BackColour[3] = {149, 147, 165};
  unsigned char Selecting = 0;
  int SelectAnchor = 0;
  unsigned char Typed = 0;  // a key was typed since the field got the focus
  StringHistoryEntry* History = nullptr;
  StringHistoryEntry* CurrentHistory = nullptr;
  unsigned char CursorVisible = 1;
  unsigned char SymbolEntry = 0;
  int TextScroll = 0;          // pixels the text is shifted left to keep the cursor visible
  unsigned char ReadOnly = 0;  // display only: keys are ignored
  unsigned char Masked = 0;    // a password: shown as "*", never copied to the clipboard

  GUIStringGadget(int x, int y, int width, int height);
  ~GUIStringGadget() override;

  void Set(const char* text);
  void Clear();
  void SetEnd() override;
  const char* Text() const { return Buffer; }
  int Length() const;

  void Draw(int x, int y) override;
  void DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) override;
  void DoMouseMovement(int x, int y, unsigned long mods) override;
  int HandleKey(int key, unsigned long mods) override;
  void HandleTimerTick() override;
  void LayoutChildren() override;
  int CursorType(int x, int y) override { return 2; }

  // Index of the character boundary nearest to local x.
  int FindHitIndex(int x);
  void KeepCursorVisible();
  int SpaceRemaining() const { return MaxLength - Length(); }
  bool HasSelection() const { return Selecting && SelectAnchor != Cursor; }
  void SelectAll();
  // The first n characters in the form handed to the font: typed "@" and
  // braces that open no drawable symbol group escaped, masked text as stars.
  std::string Shown(int n) const;

 private:
  int PixelOffset(int index);
  void DeleteRange(int from, int to);
  // Inserts as much of text as fits; replaces a selection first.
  void Insert(const char* text, int n);
  void DeleteSelection();
  void CopySelection();
  void MoveCursor(int to, bool extend);
  void AddToHistory();
  void Changed();
};
