// A scrolling box of text lines on a coloured background. AddLineAtBottom
// wraps a text to the box's width and appends the pieces as lines; a
// vertical scroll bar appears while the lines do not fit, and a horizontal
// one while a line is wider than the box (a word too long to wrap). Clicking a line
// selects it and reports 5002 (a = line index, p = the box, q = the line); a
// double click reports 5003.
#pragma once

#include "gui/gui_object.h"

class GUIScrollBar;

class TextLine {
 public:
  TextLine* Next = nullptr;
  TextLine* Prev = nullptr;
  char* Text = nullptr;
  char Colour = 'K';  // a text-code colour letter
  int UserData = 0;
  TextLine(const char* text, char colour, int userData);
  ~TextLine();
  TextLine(const TextLine&) = delete;
  TextLine& operator=(const TextLine&) = delete;
};

// The text after a leading text code ("@" and one character), for sorting
// and searching.
const char* SkipFirstAt(const char* text);

class GUITextBox : public GUIObject {
 public:
  TextLine* Lines = nullptr;
  int NLines = 0;
  int FirstLine = 0;
  TextLine* Selected = nullptr;
  unsigned char BackColour[3];
  TextureMap* BackTexture = nullptr;
  char DefaultColour = 'K';
  GUIScrollBar* VScroll = nullptr;
  GUIScrollBar* HScroll = nullptr;
  int FirstColumn = 0;  // pixels scrolled off the left edge
  int WidestLine = 0;   // pixels, of the widest line as drawn
  int ScrollBarWidth = 16;
  int Selectable = 1;

  GUITextBox(int x, int y, int width, int height, unsigned char red, unsigned char green, unsigned char blue);
  ~GUITextBox() override;

  virtual void ClearText();
  virtual void AddLineAtBottom(const char* text);
  virtual void AddLineAtBottom(const char* text, int userData);
  virtual void ScrollToTop();
  virtual void ScrollToBottom();
  virtual void DeleteLine(TextLine* line);
  TextLine* LineAt(int index) const;

  int LineHeightPixels() override;
  int TotalVerticalElements() override { return NLines; }
  int NDisplayedVerticalElements() override;
  int FirstDisplayedVerticalElement() override { return FirstLine; }
  int TotalHorizontalElements() override { return WidestLine; }
  int NDisplayedHorizontalElements() override { return TextWidth(); }
  int FirstDisplayedHorizontalElement() override { return FirstColumn; }
  void CheckNeedScrollBars() override;
  void LayoutChildren() override;
  void Draw(int x, int y) override;
  int HandleMessage(int msg, int a, int b, void* p, void* q) override;
  void DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) override;
  int HandleKey(int key, unsigned long mods) override;

  // Width available to text (less the scroll bar while it shows).
  int TextWidth() const;
  void SetFirstLine(int first);
  void SetFirstColumn(int first);
};
