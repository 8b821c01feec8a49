// The installation directory screen: the directory in an entry field, Browse
// (the folder picker) and Next. Next, and Enter in the field, check the
// directory and move the flow on to the installation (state 9), or warn.
#pragma once

#include "gui/gui_backdrop_window.h"

class Font2;
class GUIButton;
class GUIStringGadget;
class ZindleWindow;

// The longest installation directory accepted, in characters.
constexpr int kMaxInstallDirectoryLength = 80;

// The folder picker's answers to the install screen.
enum : int { MsgFolderPicked = 140, MsgFolderPickCancelled = 141 };

class InstallWindow : public GUIBackdropWindow {
 public:
  ZindleWindow* Owner = nullptr;
  Font2* FieldFont = nullptr;    // the field's text
  Font2* CaptionFont = nullptr;  // the caption above the field
  GUIStringGadget* DirectoryField = nullptr;
  GUIButton* NextButton = nullptr;
  GUIButton* BrowseButton = nullptr;

  InstallWindow(int x, int y, int width, int height, ZindleWindow* owner);

  void Draw(int x, int y) override;
  // 103 Browse, 104 Next and 2000 Enter in the field, and the picker's
  // answers; 1 for those, 0 for every other message.
  int HandleMessage(int msg, int a, int b, void* p, void* q) override;
  ~InstallWindow() override;
  void LayoutChildren() override;
  void Enable() override;
  void Disable() override;

  // Next: checks the field's directory in order (empty, too long, missing,
  // not a writable folder) and warns or asks; a directory that passes
  // enables the progress screen, disables this one and sets state 9.
  void CheckDirectoryAndGoOn();
  // Browse: opens the folder picker at the working directory.
  void OpenFolderPicker();
};
