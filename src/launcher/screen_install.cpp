#include "launcher/screen_install.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/language_catalogue.h"
#include "gfx/font2.h"
#include "gui/folder_picker.h"
#include "gui/gui_button.h"
#include "gui/gui_messages.h"
#include "gui/gui_skin.h"
#include "gui/gui_string_gadget.h"
#include "launcher/flow.h"
#include "launcher/launcher_globals.h"
#include "launcher/launcher_messages.h"
#include "launcher/launcher_skin.h"
#include "launcher/launcher_state.h"
#include "launcher/message_boxes.h"
#include "launcher/registry_info.h"
#include "launcher/screen_file_copy.h"
#include "launcher/screen_trace.h"
#include "launcher/zindle_window.h"
#include "platform/directory_maintenance.h"
#include "platform/filesystem.h"

namespace {
constexpr int kButtonWidth = 70;
constexpr const char* kPickerClass = "GUIFolderPicker";
}  // namespace

InstallWindow::InstallWindow(int x, int y, int width, int height, ZindleWindow* owner)
    : GUIBackdropWindow(x, y, width, height, 0, 0, 0), Owner(owner) {
  BackTexture = ZindleBGTexture;
  FieldFont = new Font2("ms sans serif", "sserife.fon", 32, 0, 6, 16);
  CaptionFont = new Font2("ms sans serif", "sserife.fon", 32, 0, 5, 13);
  DirectoryField = new GUIStringGadget(0, 0, Width / 2, FieldFont->LineHeight + 5);
  DirectoryField->Font = FieldFont;
  if (RegInfo) DirectoryField->Set(RegInfo->Directory);
  AddChild(DirectoryField);
  BrowseButton = new GUIButton(0, 0, kButtonWidth, GetString("Browse"), MsgBrowseDirectory, 0);
  BrowseButton->AddHelpText(GetString("Select a different location to install to."));
  AddChild(BrowseButton);
  NextButton = new GUIButton(0, 0, kButtonWidth, GetString("Next"), MsgInstallNext, 0);
  NextButton->AddHelpText(GetString("Continue to Next Screen"));
  AddChild(NextButton);
}

InstallWindow::~InstallWindow() {
  // The children draw with the fonts: they go first.
  while (Children) delete Children;
  delete FieldFont;
  delete CaptionFont;
}

void InstallWindow::LayoutChildren() {
  NextButton->X = Width - NextButton->Width - 15;
  NextButton->Y = Height - DirectoryField->Height - 15;
  BrowseButton->X = NextButton->X - BrowseButton->Width - 5;
  BrowseButton->Y = NextButton->Y;
  DirectoryField->X = BrowseButton->X - DirectoryField->Width;
  DirectoryField->Y = BrowseButton->Y;
  GUIBackdropWindow::LayoutChildren();
}

void InstallWindow::Draw(int x, int y) {
  if (Flags & Disabled) return;
  DrawBackdrop(x, y);
  int ax = x + X, ay = y + Y;
  const std::string caption = GetString("@WDirectory to install Quorvel Online to:");
  CaptionFont->Print(ax + DirectoryField->X, ay + DirectoryField->Y - 15, caption.c_str());
  DrawChildren(ax - ScrollX, ay - ScrollY);
}

int InstallWindow::HandleMessage(int msg, int a, int b, void* p, void* q) {
  switch (msg) {
    case MsgBrowseDirectory: OpenFolderPicker(); return 1;
    case MsgInstallNext:
    case MsgEnterPressed: CheckDirectoryAndGoOn(); return 1;
    case MsgFolderPicked:
      TraceScreenChange(nullptr, kPickerClass, false);
      if (const char* path = static_cast<const char*>(q)) {
        if (RegInfo) std::snprintf(RegInfo->Directory, sizeof RegInfo->Directory, "%s", path);
        DirectoryField->Set(path);
        DirectoryField->RedrawRegion();
      }
      return 1;
    case MsgFolderPickCancelled: TraceScreenChange(nullptr, kPickerClass, false); return 1;
    default: return 0;
  }
}

void InstallWindow::OpenFolderPicker() {
  auto* picker = new GUIFolderPicker(GetString("Select directory to install Quorvel Online to"), this, ZindleDir,
                                     MsgFolderPicked, MsgFolderPickCancelled);
  AddTopLevelObject(picker);
  picker->Place();
  picker->Redraw();
  TraceScreenChange(picker, kPickerClass, true);
}

void InstallWindow::CheckDirectoryAndGoOn() {
  const char* text = DirectoryField->Text();
  std::string path = PlatNativePath(text);
  if (!text[0]) {
    ShowZindleWarningBox(GetString("You must select a directory to install to."), kWarningClosesBox);
  } else if (std::strlen(text) > size_t(kMaxInstallDirectoryLength)) {
    ShowZindleWarningBox(GetString("Installation directory name too long."), kWarningClosesBox);
  } else if (!PlatFileExists(path)) {
    ShowZindleConfirmBox(GetString("Directory does not exist, ok to create it?"), MsgCreateDirectoryYes,
                         MsgCreateDirectoryNo);
  } else if (!PlatIsDirectory(path) || !PlatIsWritableDirectory(path)) {
    // A plain file in the directory's place cannot take the installation
    // either.
    ShowZindleWarningBox(GetString("Directory could not be written to, check directory write attributes or "
                                   "choose another directory."),
                         kWarningClosesBox);
  } else {
    if (Owner && Owner->FileCopyWin) {
      Owner->FileCopyWin->Enable();
      Owner->FileCopyWin->Redraw();
    }
    Disable();
    if (Owner) SetState(Owner, StateBeginInstall);
  }
}

void InstallWindow::Enable() {
  GUIBackdropWindow::Enable();
  LayoutChildren();
  TraceScreenChange(this, "InstallWindow", true);
}

void InstallWindow::Disable() {
  bool wasEnabled = !(Flags & Disabled);
  GUIBackdropWindow::Disable();
  if (wasEnabled) TraceScreenChange(this, "InstallWindow", false);
}
