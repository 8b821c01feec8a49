#include "tool/gui_demo_window.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "gfx/font2.h"
#include "gfx/texture.h"
#include "gfx/vga565_device.h"
#include "gui/folder_picker.h"
#include "gui/gui_button.h"
#include "gui/gui_drop_down_box.h"
#include "gui/gui_framed_window.h"
#include "gui/gui_redraw.h"
#include "gui/gui_simple_dialog_box.h"
#include "gui/gui_skin.h"
#include "gui/gui_string_gadget.h"
#include "gui/gui_text_box.h"
#include "gui/gui_toggle_button.h"
#include "gui/mouse_dispatch.h"
#include "launcher/launcher_globals.h"
#include "launcher/message_boxes.h"
#include "launcher/screen_trace.h"
#include "launcher/server_urls.h"
#include "platform/filesystem.h"
#include "update/connection_messages.h"
#include "update/dialog_connection_prefs.h"
#include "update/dialog_proxy_auth.h"

namespace {

constexpr int kWidth = kDefaultCustomWinWidth, kHeight = kDefaultCustomWinHeight;
// The demo's own messages; the connection windows' ids (107, 121…131) are
// answered as the launcher's main window answers them.
enum DemoMessage : int {
  MsgPress = 1,
  MsgToggle = 2,
  MsgDialog = 3,
  MsgBrowse = 4,
  MsgQuit = 5,
  MsgConnection = 6,
  MsgYes = 10,
  MsgNo = 11,
  MsgClosed = 12,
  MsgFolderOK = 20,
  MsgFolderCancel = 21,
};

// A tiled backdrop with a sample of the text codes on it.
class DemoSwatch : public GUIBackdropWindow {
 public:
  using GUIBackdropWindow::GUIBackdropWindow;
  void Draw(int x, int y) override {
    if (Hidden()) return;
    DrawBackdrop(x, y);
    if (Font2* f = DefaultGUIObjFont) {
      f->PrintF(x + X + 10, y + Y + 6, "@Y@ZA tiled backdrop");
      f->PrintF(x + X + 10, y + Y + 30, "@W@Rred @Ggreen @Bblue @Ccyan @Wand @idrop @Zshadow");
    }
    DrawChildren(x + X - ScrollX, y + Y - ScrollY);
  }
};

}  // namespace

void DemoReport(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::printf("\n");
  std::fflush(stdout);
  Need_Redraw = 1;
}

void DemoReportWidget(const char* name, GUIObject* o) {
  std::printf("widget %s %d %d %d %d\n", name, o->AbsoluteX(), o->AbsoluteY(), o->Width, o->Height);
}

DemoWindow::DemoWindow(TextureMap* texture) : GUIBackdropWindow(0, 0, kWidth, kHeight, 30, 40, 70) {
  BackTexture = texture;
  Flags |= FillsWindow;
  skin_.toggle[0] = CurGfxDevice->LoadTexture("zindimgs/button01.tga", 0);
  skin_.toggle[1] = CurGfxDevice->LoadTexture("zindimgs/button02.tga", 0);
  skin_.toggle[2] = CurGfxDevice->LoadTexture("zindimgs/button03.tga", 0);
  skin_.background = texture;
  Press = new GUIButton(30, 40, 120, "Press me", MsgPress, 0);
  Press->AddHelpText("A push button: each click flips its state");
  AddChild(Press);
  Toggle = new GUIToggleButton(30, 90, -1, -1, MsgToggle, skin_.toggle[0], skin_.toggle[1], skin_.toggle[2], &ScanAll);
  if (Toggle->Width <= 1) Toggle->Width = Toggle->Height = 16;
  AddChild(Toggle);
  Entry = new GUIStringGadget(30, 150, 260, 22);
  AddChild(Entry);
  Drop = new GUIDropDownBox(CurGfxDevice->LoadTexture("zindimgs/arromenu.tga", 0), 30, 210, 180, 20, this,
                            DefaultDropDownMenuFont, "choose a language", 0);
  const char* languages[] = {"english", "french", "german", "spanish", "italian", "dutch"};
  for (int i = 0; i < 6; ++i) Drop->AddItem(languages[i], i + 1);
  DialogButton = new GUIButton(30, 300, 120, "Dialog", MsgDialog, 0);
  AddChild(DialogButton);
  BrowseButton = new GUIButton(160, 300, 120, "Browse", MsgBrowse, 0);
  AddChild(BrowseButton);
  ConnectionButton = new GUIButton(30, 372, 250, "Connection Settings", MsgConnection, 0);
  AddChild(ConnectionButton);
  QuitButton = new GUIButton(30, 440, 100, "Quit", MsgQuit, 2);
  AddChild(QuitButton);
  auto* disabled = new GUIButton(160, 440, 120, "Disabled", 0, 0);
  disabled->Flags |= GreyWhenDisabled;
  AddChild(disabled);
  disabled->Disable();

  Frame = new GUIFramedWindow(330, 30, 360, 250, "Framed window", 1, 1, 1, 0, this);
  Text = new GUITextBox(Frame->LeftInset + 6, Frame->TopInset + 6, 360 - Frame->LeftInset - Frame->RightInset - 12,
                        250 - Frame->TopInset - Frame->BottomInset - 12, 200, 200, 200);
  Frame->AddChild(Text);
  Text->AddLineAtBottom(
      "A text box with its own scroll bar. Long lines are wrapped to the width of the box, "
      "and lines that do not fit can be scrolled into view.");
  for (int i = 1; i <= 20; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "Line %d of the text box", i);
    Text->AddLineAtBottom(line, i);
  }
  Text->ScrollToTop();
  Swatch = new DemoSwatch(330, 300, 360, 120, 0, 0, 0);
  Swatch->BackTexture = CurGfxDevice->LoadTexture("zindimgs/menudkgr.tga", 0);
  AddChild(Swatch);
}

void DemoWindow::Draw(int x, int y) {
  if (Hidden()) return;
  // Background, captions, then the children over them.
  DrawBackdrop(x, y);
  DrawCaptions();
  DrawChildren(x + X - ScrollX, y + Y - ScrollY);
}

void DemoWindow::DrawCaptions() {
  Font2* f = DefaultGUIObjFont;
  if (!f) return;
  f->PrintF(30, 12, "@W@ZGUI toolkit demo");
  f->PrintF(30 + Toggle->Width + 8, 90, "@W@zScan All Files (a toggle)");
  f->PrintF(30, 132, "@WAn entry field (Enter reports the text):");
  f->PrintF(30, 192, "@WA drop-down box:");
  f->PrintF(30, 282, "@WA dialog box and the folder picker:");
  f->PrintF(30, 354, "@WThe connection windows:");
}

GUISimpleDialogBox* DemoWindow::OpenBox(const char* title, const char* text, int button1, int message1, int button2,
                                        int message2, bool traced) {
  const SimpleDialogSettings settings{.Title = title,
                                      .Recipient = this,
                                      .Background = skin_.background,
                                      .Message = text,
                                      .Width = (kWidth - 30) / 2,
                                      .Height = (kHeight - 20) / 2,
                                      .Button1 = button1,
                                      .Button1Msg = message1,
                                      .Button2 = button2,
                                      .Button2Msg = message2};
  // The connection windows' boxes are traced as the launcher's are.
  GUISimpleDialogBox* box = traced ? new ZindleDialogBox(settings) : new GUISimpleDialogBox(settings);
  AddTopLevelObject(box);
  if (traced) TraceDialogBox(box, title, text);
  box->Place();
  CurrentDialog = box;
  return box;
}

GUIObject* DemoWindow::ShowWarningBox(const char* text, int closingMessage) {
  const std::string message = std::string("@W@Z") + (text ? text : "");
  GUISimpleDialogBox* box = OpenBox("Message Window", message.c_str(), DialogOK, closingMessage, -1, 0, true);
  SetModal(box);
  DemoReport("warning %s", text ? text : "");
  DemoReportWidget("warning-ok", box->Buttons[0]);
  return box;
}

GUIObject* DemoWindow::ShowConfirmBox(const char* text, int yesMessage, int noMessage) {
  GUISimpleDialogBox* box =
      OpenBox("Confirmation Window", text ? text : "", DialogYes, yesMessage, DialogNo, noMessage, true);
  SetModal(box);
  DemoReport("question %s", text ? text : "");
  return box;
}

void DemoWindow::OpenConnectionSettings() {
  if (Connection) return;
  ConnectionPrefsWindow::Open(this);
  DemoReport("connection open");
}

void DemoWindow::SetConnectionWin(ConnectionPrefsWindow* window) {
  if (Connection && !window) DemoReport("connection closed");
  Connection = window;
}

void DemoWindow::SetAuthenticationWin(AuthenticationWindow* window) {
  if (window != Authentication) DemoReport(window ? "authentication open" : "authentication closed");
  Authentication = window;
}

const char* DemoWindow::ProxyDetectionURL() { return ServerURL; }

int DemoWindow::HandleMessage(int msg, int a, int b, void* p, void* q) {
  switch (msg) {
    case MsgPress: DemoReport("button clicked %d", a); return 0;
    case MsgToggle: DemoReport("toggle %d", a); return 0;
    case MsgEnterPressed: DemoReport("entered %s", Entry->Text()); return 0;
    case MsgItemChosen: DemoReport("picked %s %d", Drop->GetSelectedText() ? Drop->GetSelectedText() : "", a); return 0;
    case MsgDialog: {
      if (CurrentDialog) return 0;
      GUISimpleDialogBox* box = OpenBox("Confirmation Window",
                                        "Do you like this dialog box? It wraps its message to its width and grows "
                                        "to fit it.",
                                        DialogYes, MsgYes, DialogNo, MsgNo, false);
      box->CloseResult = MsgClosed;
      DemoReport("dialog open");
      for (int i = 0; i < box->NButtons; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "dialog-button-%d", i);
        DemoReportWidget(name, box->Buttons[i]);
      }
      std::fflush(stdout);
      return 1;
    }
    case MsgYes:
    case MsgNo:
    case MsgClosed:
      CurrentDialog = nullptr;
      DemoReport("dialog result %s", msg == MsgYes ? "yes" : msg == MsgNo ? "no" : "closed");
      return 1;
    case MsgBrowse: {
      std::string cwd = PlatCurrentDirectory();
      auto* picker =
          new GUIFolderPicker("Select directory", this, cwd.empty() ? "." : cwd.c_str(), MsgFolderOK, MsgFolderCancel);
      AddChild(picker);
      picker->Place();
      picker->BringToFront();
      DemoReport("folder picker open");
      return 1;
    }
    case MsgFolderOK: DemoReport("folder %s", q ? static_cast<char*>(q) : ""); return 1;
    case MsgFolderCancel: DemoReport("folder cancelled"); return 1;
    case MsgConnection: OpenConnectionSettings(); return 1;
    case kConnectionWarningClosed:
      // A warning of the connection windows has been answered.
      CurrentDialog = nullptr;
      SetModal(nullptr);
      DemoReport("warning closed");
      return 1;
    case kConnectionUseDetected:
    case kConnectionIgnoreDetected:
      CurrentDialog = nullptr;
      SetModal(nullptr);
      if (Connection) Connection->HandleMessage(msg, a, b, p, q);
      return 1;
    case MsgQuit:
      DemoReport("quit");
      Quit = true;
      return 1;
    default: return 0;
  }
}
