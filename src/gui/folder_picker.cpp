#include "gui/folder_picker.h"

#include <algorithm>
#include <cstdlib>

#include "gfx/font2.h"
#include "gfx/gfx_device.h"
#include "gui/gui_button.h"
#include "gui/gui_drag_bar.h"
#include "gui/gui_string_gadget.h"
#include "gui/gui_text_box.h"
#include "gui/mouse_dispatch.h"
#include "platform/filesystem.h"

std::string ParentFolder(const std::string& path) {
  std::string p = PlatNativePath(path);
  while (p.size() > 1 && p.back() == kPathSeparator) p.pop_back();
  size_t at = p.find_last_of(kPathSeparator);
  if (at == std::string::npos) return p;
  if (at == 0) return std::string(1, kPathSeparator);
  return p.substr(0, at);
}

std::string JoinFolder(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == kPathSeparator) return folder + name;
  return folder + kPathSeparator + name;
}

GUIFolderPicker::GUIFolderPicker(const char* title, GUIObject* recipient, const char* startPath, int okMessage,
                                 int cancelMessage, int width, int height)
    : GUIFramedWindow(0, 0, width, height, title, 1, 0, 0, 0, nullptr),
      Recipient(recipient),
      OkMessage(okMessage),
      CancelMessage(cancelMessage) {
  PathField = new GUIStringGadget(0, 0, 10, 20);
  AddChild(PathField);
  List = new GUITextBox(0, 0, 10, 10, 235, 235, 240);
  AddChild(List);
  UpButton = new GUIButton(0, 0, 70, "Up", MsgPickerUp, 0);
  OpenButton = new GUIButton(0, 0, 70, "Open", MsgPickerOpen, 0);
  OkButton = new GUIButton(0, 0, 80, "OK", MsgPickerOK, 1);
  CancelButton = new GUIButton(0, 0, 80, "Cancel", MsgPickerCancel, 2);
  for (GUIButton* b : {UpButton, OpenButton, OkButton, CancelButton}) AddChild(b);
  std::string start = startPath && *startPath ? PlatNativePath(startPath) : std::string();
  if (start.empty()) start = PlatResolvedPath(".");
  // The nearest folder of the start path that exists.
  while (!ChangeTo(start)) {
    std::string up = ParentFolder(start);
    if (up == start) {
      ChangeTo(".");
      break;
    }
    start = up;
  }
  LayoutChildren();
  SetModal(this);
}

void GUIFolderPicker::LayoutChildren() {
  int l = LeftInset + 8, r = Width - RightInset - 8, top = TopInset + 8, bottom = Height - BottomInset - 8;
  int bh = OkButton ? OkButton->Height : 22;
  if (PathField) {
    PathField->X = l;
    PathField->Y = top;
    PathField->Width = r - l;
    PathField->Height = 20;
  }
  if (List) {
    List->X = l;
    List->Y = top + 28;
    List->Width = r - l;
    List->Height = std::max(30, bottom - bh - 8 - List->Y);
  }
  if (UpButton) {
    UpButton->X = l;
    UpButton->Y = bottom - bh;
    OpenButton->X = UpButton->X + UpButton->Width + 6;
    OpenButton->Y = UpButton->Y;
    CancelButton->X = r - CancelButton->Width;
    CancelButton->Y = UpButton->Y;
    OkButton->X = CancelButton->X - OkButton->Width - 6;
    OkButton->Y = UpButton->Y;
  }
  GUIFramedWindow::LayoutChildren();
}

void GUIFolderPicker::Place() {
  int pw = Parent ? Parent->Width : GfxDevice::Width;
  int ph = Parent ? Parent->Height : GfxDevice::Height;
  X = std::max(0, (pw - Width) / 2);
  Y = std::max(0, (ph - Height) / 2);
  if (Parent) ClampToBorders();
  RedrawRegion();
}

bool GUIFolderPicker::ChangeTo(const std::string& path) {
  std::string p = PlatNativePath(path);
  if (p.empty() || !PlatIsDirectory(p)) return false;
  std::vector<std::string> names;
  if (!PlatListDirectory(p, names)) return false;
  if (p != ".") p = PlatResolvedPath(p);
  Path = p;
  Folders.clear();
  for (auto& n : names)
    if (!n.empty() && n[0] != '.' && PlatIsDirectory(JoinFolder(Path, n))) Folders.push_back(n);
  std::sort(Folders.begin(), Folders.end());
  List->ClearText();
  if (ParentFolder(Path) != Path) List->AddLineAtBottom("..", -1);
  // Folder names are shown as they are, never read as text codes.
  for (size_t i = 0; i < Folders.size(); ++i) List->AddLineAtBottom(LiteralText(Folders[i].c_str()).c_str(), int(i));
  List->ScrollToTop();
  PathField->Set(Path.c_str());
  RedrawRegion();
  return true;
}

void GUIFolderPicker::GoUp() { ChangeTo(ParentFolder(Path)); }

std::string GUIFolderPicker::SelectedFolderPath() const {
  TextLine* line = List->Selected;
  if (!line) return std::string();
  if (line->UserData < 0) return ParentFolder(Path);
  if (line->UserData >= int(Folders.size())) return std::string();
  return JoinFolder(Path, Folders[size_t(line->UserData)]);
}

void GUIFolderPicker::Finish(bool ok) {
  std::string chosen = ok ? std::string(PathField->Text()) : std::string();
  GUIObject* to = Recipient ? Recipient : Parent;
  int message = ok ? OkMessage : CancelMessage;
  GUIWatch recipient(to);
  delete this;
  if (recipient)
    recipient.get()->HandleMessage(message, 0, 0, nullptr, ok ? const_cast<char*>(chosen.c_str()) : nullptr);
}

int GUIFolderPicker::HandleMessage(int msg, int a, int b, void* p, void* q) {
  switch (msg) {
    case MsgPickerUp: GoUp(); return 0;
    case MsgPickerOpen: {
      std::string target = SelectedFolderPath();
      if (!target.empty()) ChangeTo(target);
      return 0;
    }
    case MsgLineDoubleClicked: {
      std::string target = SelectedFolderPath();
      if (!target.empty()) ChangeTo(target);
      return 1;
    }
    case MsgLineSelected: {
      // The path field follows the selection, so OK takes the selected folder.
      std::string target = SelectedFolderPath();
      if (!target.empty() && List->Selected && List->Selected->UserData >= 0) PathField->Set(target.c_str());
      return 1;
    }
    case MsgEnterPressed:
      // A typed path: go there when it is a folder.
      if (p == PathField && !ChangeTo(PathField->Text())) PathField->Set(Path.c_str());
      return 1;
    case MsgPickerOK: Finish(true); return 1;
    case MsgPickerCancel:
    case MsgCloseGadget: Finish(false); return 1;
    default: return GUIFramedWindow::HandleMessage(msg, a, b, p, q);
  }
}
