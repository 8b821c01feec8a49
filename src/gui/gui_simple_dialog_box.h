// A modal message box: a framed window holding a wrapped message (or, when
// the text would not fit on the screen, a scrolling text box), an optional
// entry field with its prompt, and up to ten buttons from the tables below.
// A button, the close gadget (CloseResult) or Enter in a non-empty entry
// field (EnterResult) is a result: the box reports it to its recipient (the
// parent when null) as HandleMessage (result, UserValue, Tag, UserData,
// text), with the entered text or null, and destroys itself first unless
// the result is KeepOpenId or DontDelete is set.
#pragma once

#include "gui/gui_framed_window.h"

class GUIButton;
class GUIStringGadget;
class GUITextBox;

extern const char* SimpleButtonHelpStrs[10];
extern const int SimpleButtonStyles[10];
extern TextureMap* SimpleButtonIcons[10];

// Indices into the tables.
enum : int {
  DialogHelp = 0, DialogCancel = 1, DialogNo = 2, DialogOK = 3, DialogYes = 4,
  DialogIgnore = 5, DialogDelete = 6, DialogRespond = 7, DialogNo2 = 8, DialogYes2 = 9,
};

// A dialog button of table index `kind` sending messageId.
GUIButton* NewSimpleDialogButton(int kind, int messageId);

class GUISimpleDialogBox : public GUIFramedWindow {
 public:
  GUIButton* Buttons[10] = {};
  int NButtons = 0;
  GUIObject* Recipient = nullptr;
  GUIStringGadget* Entry = nullptr;
  GUITextBox* LongText = nullptr;
  char* Message = nullptr;
  char Prompt[128] = {};
  int KeepOpenId = -1;
  int CloseResult = 0;
  int EnterResult = 0;
  unsigned char DontDelete = 0;
  int Tag = 0;
  int MessageHeight = 0;  // pixels of the wrapped message

  // width, height: the box's starting size (it grows to fit the message).
  // button1/button2: table indices (-1 for none) with their message ids.
  // withEntry: non-zero for an entry field, with its prompt and starting text.
  // The box starts centred on the screen, becomes Modal and, with an entry
  // field, gives it the keyboard. The caller attaches it (AddChild or
  // AddTopLevelObject); Place () then centres it in its parent and keeps it
  // inside.
  GUISimpleDialogBox(const char* title, GUIObject* recipient, TextureMap* background, const char* message,
                     int width, int height, int button1, int button1Msg, int button2, int button2Msg,
                     int withEntry, const char* prompt, const char* entryText);
  ~GUISimpleDialogBox() override;

  // Adds one more button (up to ten); false when full.
  bool AddButton(int kind, int messageId);
  // Centres the box in its parent (or the screen) and keeps it inside.
  void Place();

  void Draw(int x, int y) override;
  int HandleMessage(int msg, int a, int b, void* p, void* q) override;
  void LayoutChildren() override;

 private:
  void Arrange();
};
