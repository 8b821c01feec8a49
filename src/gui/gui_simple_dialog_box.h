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
  DialogHelp = 0,
  DialogCancel = 1,
  DialogNo = 2,
  DialogOK = 3,
  DialogYes = 4,
  DialogIgnore = 5,
  DialogDelete = 6,
  DialogRespond = 7,
  DialogNo2 = 8,
  DialogYes2 = 9,
};

// A dialog button of table index `kind` sending messageId.
GUIButton* NewSimpleDialogButton(int kind, int messageId);

// What a dialog box is built from; written with designated initialisers,
// e.g. {.Title = "Q", .Recipient = w, .Message = "Sure?", .Button1 = DialogYes,
// .Button1Msg = 1, .Button2 = DialogNo, .Button2Msg = 2}.
struct SimpleDialogSettings {
  const char* Title = "";
  GUIObject* Recipient = nullptr;  // null: the parent
  TextureMap* Background = nullptr;
  const char* Message = nullptr;
  // The starting size (at least 160 by 80); the box grows to fit the message.
  int Width = 0;
  int Height = 0;
  // Table indices (-1 for none) with the message ids their buttons send.
  int Button1 = -1;
  int Button1Msg = 0;
  int Button2 = -1;
  int Button2Msg = 0;
  // An entry field, with its prompt and starting text.
  bool WithEntry = false;
  const char* Prompt = nullptr;
  const char* EntryText = nullptr;
};

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

  // The box starts centred on the screen, becomes Modal and, with an entry
  // field, gives it the keyboard. The caller attaches it (AddChild or
  // AddTopLevelObject); Place () then centres it in its parent and keeps it
  // inside.
  explicit GUISimpleDialogBox(const SimpleDialogSettings& settings);
  // The same by position, in the order of SimpleDialogSettings; withEntry
  // non-zero for an entry field.
  GUISimpleDialogBox(const char* title, GUIObject* recipient, TextureMap* background, const char* message, int width,
                     int height, int button1, int button1Msg, int button2, int button2Msg, int withEntry,
                     const char* prompt, const char* entryText);
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
