// quorvel-tool gui-demo: a window showing every widget of the toolkit on the
// default skin. Each user action is reported as one line on standard output
// (flushed at once), so that scripted sessions can follow what happened:
//   ready
//   widget NAME X Y WIDTH HEIGHT      (screen rectangles, after "ready")
//   button clicked STATE
//   toggle STATE
//   entered TEXT
//   picked TEXT VALUE
//   dialog open / dialog result ID
//   folder PATH / folder cancelled
//   closed
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/runtime.h"
#include "gfx/font2.h"
#include "gfx/texture.h"
#include "gfx/vga565_device.h"
#include "gui/damage.h"
#include "gui/display_startup.h"
#include "gui/folder_picker.h"
#include "gui/gui_backdrop_window.h"
#include "gui/gui_button.h"
#include "gui/gui_drop_down_box.h"
#include "gui/gui_framed_window.h"
#include "gui/gui_message_handler.h"
#include "gui/gui_redraw.h"
#include "gui/gui_simple_dialog_box.h"
#include "gui/gui_skin.h"
#include "gui/gui_string_gadget.h"
#include "gui/gui_text_box.h"
#include "gui/gui_toggle_button.h"
#include "launcher/launcher_globals.h"
#include "platform/filesystem.h"
#include "platform/window.h"
#include "tool/tool_command.h"

namespace {

constexpr int kWidth = kDefaultCustomWinWidth, kHeight = kDefaultCustomWinHeight;
enum : int {
  MsgPress = 1, MsgToggle = 2, MsgDialog = 3, MsgBrowse = 4, MsgQuit = 5,
  MsgYes = 10, MsgNo = 11, MsgClosed = 12, MsgFolderOK = 20, MsgFolderCancel = 21,
};

bool g_quit = false;
int g_scanAll = 0;

void Report(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Report(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::printf("\n");
  std::fflush(stdout);
  // Each step ends in a full redraw, so that a screenshot follows the session.
  Need_Redraw = 1;
}

void ReportWidget(const char* name, GUIObject* o) {
  std::printf("widget %s %d %d %d %d\n", name, o->AbsoluteX(), o->AbsoluteY(), o->Width, o->Height);
}

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

class DemoWindow : public GUIBackdropWindow {
 public:
  GUIButton* Press;
  GUIToggleButton* Toggle;
  GUIStringGadget* Entry;
  GUIDropDownBox* Drop;
  GUIButton* DialogButton;
  GUIButton* BrowseButton;
  GUIButton* QuitButton;
  GUITextBox* Text;
  GUIFramedWindow* Frame;
  GUIBackdropWindow* Swatch;
  GUIObject* CurrentDialog = nullptr;

  explicit DemoWindow(TextureMap* texture) : GUIBackdropWindow(0, 0, kWidth, kHeight, 30, 40, 70) {
    BackTexture = texture;
    Flags |= FillsWindow;
    Press = new GUIButton(30, 40, 120, "Press me", MsgPress, 0);
    Press->AddHelpText("A push button: each click flips its state");
    AddChild(Press);
    Toggle = new GUIToggleButton(30, 90, -1, -1, MsgToggle, CurGfxDevice->LoadTexture("zindimgs/button01.tga", 0),
                                 CurGfxDevice->LoadTexture("zindimgs/button02.tga", 0),
                                 CurGfxDevice->LoadTexture("zindimgs/button03.tga", 0), &g_scanAll);
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
    Text->AddLineAtBottom("A text box with its own scroll bar. Long lines are wrapped to the width of the box, "
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

  void Draw(int x, int y) override {
    if (Hidden()) return;
    // Background, captions, then the children over them.
    DrawBackdrop(x, y);
    if (Font2* f = DefaultGUIObjFont) DrawCaptions(f);
    DrawChildren(x + X - ScrollX, y + Y - ScrollY);
  }

  void DrawCaptions(Font2* f) {
    f->PrintF(30, 12, "@W@ZGUI toolkit demo");
    f->PrintF(30 + Toggle->Width + 8, 90, "@W@zScan All Files (a toggle)");
    f->PrintF(30, 132, "@WAn entry field (Enter reports the text):");
    f->PrintF(30, 192, "@WA drop-down box:");
    f->PrintF(30, 282, "@WA dialog box and the folder picker:");
  }

  int HandleMessage(int msg, int a, int b, void* p, void* q) override {
    switch (msg) {
      case MsgPress: Report("button clicked %d", a); return 0;
      case MsgToggle: Report("toggle %d", a); return 0;
      case MsgEnterPressed: Report("entered %s", Entry->Text()); return 0;
      case MsgItemChosen: Report("picked %s %d", Drop->GetSelectedText() ? Drop->GetSelectedText() : "", a); return 0;
      case MsgDialog: {
        if (CurrentDialog) return 0;
        auto* box = new GUISimpleDialogBox({.Title = "Confirmation Window",
                                            .Recipient = this,
                                            .Background = CurGfxDevice->LoadTexture("zindimgs/menublue.tga", 0),
                                            .Message = "Do you like this dialog box? It wraps its message to its "
                                                       "width and grows to fit it.",
                                            .Width = (kWidth - 30) / 2,
                                            .Height = (kHeight - 20) / 2,
                                            .Button1 = DialogYes,
                                            .Button1Msg = MsgYes,
                                            .Button2 = DialogNo,
                                            .Button2Msg = MsgNo});
        box->CloseResult = MsgClosed;
        AddTopLevelObject(box);
        box->Place();
        CurrentDialog = box;
        Report("dialog open");
        for (int i = 0; i < box->NButtons; ++i) {
          char name[32];
          std::snprintf(name, sizeof name, "dialog-button-%d", i);
          ReportWidget(name, box->Buttons[i]);
        }
        std::fflush(stdout);
        return 1;
      }
      case MsgYes:
      case MsgNo:
      case MsgClosed:
        CurrentDialog = nullptr;
        Report("dialog result %s", msg == MsgYes ? "yes" : msg == MsgNo ? "no" : "closed");
        return 1;
      case MsgBrowse: {
        std::string cwd = PlatCurrentDirectory();
        auto* picker = new GUIFolderPicker("Select directory", this, cwd.empty() ? "." : cwd.c_str(),
                                           MsgFolderOK, MsgFolderCancel);
        AddChild(picker);
        picker->Place();
        picker->BringToFront();
        Report("folder picker open");
        return 1;
      }
      case MsgFolderOK: Report("folder %s", q ? static_cast<char*>(q) : ""); return 1;
      case MsgFolderCancel: Report("folder cancelled"); return 1;
      case MsgQuit:
        Report("quit");
        g_quit = true;
        return 1;
      default: return 0;
    }
  }
};

long DemoWindowProc(HWND window, unsigned message, unsigned long wParam, long lParam) {
  if (window == hMainWindow) {
    GfxWindowMessageHandler(message, wParam, lParam);
    GUIMessageHandler(message, wParam, lParam);
    if (message == WM_DESTROY) g_quit = true;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int Run(int argc, char** argv) {
  static const ToolCommand self = {"gui-demo", "gui-demo [ASSETDIR]",
                                   "show every GUI widget on the skin in ASSETDIR/zindimgs (default: here) and report each action", Run};
  if (WantsHelp(argc, argv)) return ToolHelp(self);
  if (argc > 2) return ToolError("usage: quorvel-tool %s", self.usage);
  if (argc == 2 && !PlatChangeDirectory(argv[1])) return ToolError("cannot enter %s", argv[1]);
  // Missing images would quietly draw as nothing: say so instead.
  if (!PlatFileExists("zindimgs/menublue.tga"))
    return ToolError("no skin in %s (zindimgs/menublue.tga is missing)", argc == 2 ? argv[1] : "the current directory");
  DisplayStartError error = CreateProgramWindow(
      {.ClassName = "QuorvelGuiDemo", .Title = "Quorvel GUI Demo", .Proc = DemoWindowProc,
       .ClientWidth = kWidth, .ClientHeight = kHeight});
  if (error == DisplayStartError::kNone) error = StartWindowedDisplay(kWidth, kHeight);
  if (error != DisplayStartError::kNone) return ToolError("%s", DisplayStartErrorText(error));
  StartGUI();

  auto* demo = new DemoWindow(CurGfxDevice->LoadTexture("zindimgs/menublue.tga", 0));
  AddTopLevelObject(demo);
  demo->LayoutChildren();
  Need_Redraw = 1;
  GUIRedrawWindows();
  std::printf("ready\n");
  ReportWidget("button", demo->Press);
  ReportWidget("toggle", demo->Toggle);
  ReportWidget("entry", demo->Entry);
  ReportWidget("dropdown", demo->Drop);
  ReportWidget("dialog", demo->DialogButton);
  ReportWidget("browse", demo->BrowseButton);
  ReportWidget("quit", demo->QuitButton);
  std::fflush(stdout);

  while (!g_quit && IsWindow(hMainWindow)) {
    GUIDoEvents(0);
    if (g_quit) break;
    GUIRedrawWindows();
    if (demo->Drop->List && Need_Redraw == 0 && NDamageRegions == 0) {
      // Report the open list once it is on screen.
      static GUIMenuObject* reported = nullptr;
      if (reported != demo->Drop->List) {
        reported = demo->Drop->List;
        std::printf("list open %d %d %d %d %d\n", reported->AbsoluteX(), reported->AbsoluteY(), reported->Width,
                    reported->ItemHeight, reported->Scrolls() ? 10 : 0);
        std::fflush(stdout);
        Need_Redraw = 1;
      }
    }
  }
  Report("closed");
  StopDisplay();
  return 0;
}

ToolCommandRegistration reg({"gui-demo", "gui-demo [ASSETDIR]",
                             "show every GUI widget on the skin in ASSETDIR/zindimgs (default: here) and report each action",
                             Run});

}  // namespace
