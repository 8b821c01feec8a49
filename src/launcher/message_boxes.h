// The launcher's message boxes: a warning with one button and a question with
// Yes and No, both modal, on top of everything, reporting to the main window.
// Each box is traced when it opens (its title, text and buttons) and when it
// closes (the message it sent). The close button in a box's title bar sends
// the box's safe answer: a warning's closing message, a question's No. The
// texts are shown as given: callers pass them through GetString first.
#pragma once

#include "gui/gui_simple_dialog_box.h"

class TextureMap;

// Closing messages of a warning.
enum : int {
  kWarningClosesBox = 131,   // acknowledging only closes the box
  kWarningEndsProgram = 127  // acknowledging ends the program
};

// A dialog box that traces the message it closes with.
class ZindleDialogBox : public GUISimpleDialogBox {
 public:
  using GUISimpleDialogBox::GUISimpleDialogBox;
  int HandleMessage(int msg, int a, int b, void* p, void* q) override;
};

// The warning: text (at most 506 characters of it) after "@W@Z", titled
// "Message Window", one OK button sending closingMessage. The box becomes
// Modal and the main window's CurrentDialog, and sets its kMessageBoxUp flag.
GUISimpleDialogBox* ShowZindleWarningBox(const char* text, int closingMessage);
// The question: text as it is (at most 511 characters), titled
// "Confirmation Window", Yes and No buttons; otherwise as the warning.
GUISimpleDialogBox* ShowZindleConfirmBox(const char* text, int yesMessage, int noMessage);
// A question box titled "Confirmation Window" on the given background, with
// Yes and No, reporting to the main window and traced like the others, but
// recorded nowhere: the caller decides what it becomes (the retry question
// of a failed transfer is one).
GUISimpleDialogBox* ShowZindleQuestion(const char* text, TextureMap* background, int yesMessage, int noMessage);
