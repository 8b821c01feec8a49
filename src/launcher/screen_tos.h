// The Terms of Service screen: the terms in a scrolling text box, with
// I Agree (118) and I Disagree (119), which go to the main window.
#pragma once

#include "gui/gui_backdrop_window.h"

class GUIButton;
class GUITextBox;
class ZindleWindow;

class TOSWindow : public GUIBackdropWindow {
 public:
  ZindleWindow* Owner = nullptr;
  GUIButton* AgreeButton = nullptr;
  GUIButton* DisagreeButton = nullptr;
  GUITextBox* TermsText = nullptr;

  TOSWindow(int x, int y, int width, int height, ZindleWindow* owner);

  void Draw(int x, int y) override;
  // 118 and 119 go to the owner; the result is always 0.
  int HandleMessage(int msg, int a, int b, void* p, void* q) override;
  ~TOSWindow() override;
  void LayoutChildren() override;
  void Enable() override;
  void Disable() override;

  // Appends the file's lines (each up to 4095 bytes; a longer line goes on in
  // the next) to the text box as lines 0, 1, 2, ... and scrolls to the top;
  // the box is not cleared first. The text is shown as it stands: "@" and
  // "{" are not read as text codes, control bytes show as blanks, and the
  // file ends at its first NUL byte. 0 when the file cannot be opened.
  int ReadTOS(const char* path);
};
