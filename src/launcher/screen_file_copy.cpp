#include "launcher/screen_file_copy.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "foundation/language_catalogue.h"
#include "foundation/program_clock.h"
#include "gfx/font2.h"
#include "gfx/gfx_device.h"
#include "gui/gui_button.h"
#include "gui/gui_skin.h"
#include "launcher/launcher_globals.h"
#include "launcher/launcher_messages.h"
#include "launcher/launcher_skin.h"
#include "launcher/launcher_state.h"
#include "launcher/message_boxes.h"
#include "launcher/screen_trace.h"
#include "launcher/zindle_window.h"
#include "update/update_globals.h"

namespace {
constexpr int kButtonWidth = 70;
constexpr int kQuestionChars = 127;

// The format with its first "%s" replaced by text. The format comes from the
// catalogue, so it is never handed to a printf: a stray directive in a
// translation shows as it is.
std::string WithText(const char* format, const std::string& text) {
  std::string out = format;
  size_t at = out.find("%s");
  if (at != std::string::npos) out.replace(at, 2, text);
  return out;
}
}  // namespace

FileCopyWindow::FileCopyWindow(int x, int y, int width, int height, ZindleWindow* owner)
    : GUIBackdropWindow(x, y, width, height, 0, 0, 0), Owner(owner) {
  BackTexture = ZindleBGTexture;
  NextRedrawTime = GetTimerCount();
  CancelButton = new GUIButton(0, 0, kButtonWidth, "", MsgCancelProgress, 2);
  CancelButton->AddHelpText(GetString("Cancel file installation."));
  AddChild(CancelButton);
}

FileCopyWindow::~FileCopyWindow() = default;

void FileCopyWindow::LayoutChildren() {
  CancelButton->X = Width - CancelButton->Width - 15;
  CancelButton->Y = Height - CancelButton->Height - 15;
  TextX = 20;
  TextY = CancelButton->Y;
  GUIBackdropWindow::LayoutChildren();
}

void FileCopyWindow::Reset(int keepTotal) {
  FilesDone = 0;
  Percent = 0;
  FilesChecked = 0;
  if (!keepTotal) FilesTotal = 0;
  Redraw();
}

void FileCopyWindow::FinishedFile(const char* path, int countIt) {
  if (countIt) {
    ++FilesDone;
    SetPercent(100 * FilesDone / std::max(FilesTotal, 1));
  }
  std::snprintf(CurrentFile, sizeof CurrentFile, "%s", path ? path : "");
  unsigned long now = GetTimerCount();
  if (now > NextRedrawTime) {
    RedrawRegion(TextX, TextY - 20, Width, Height);
    NextRedrawTime = now + kProgressRedrawTicks;
  }
}

void FileCopyWindow::SetPercent(int percent) {
  // A byte: past 255 it would wrap to a small number.
  Percent = uint8_t(std::clamp(percent, 0, 255));
  RedrawRegion(TextX, TextY - 20, Width, Height);
}

int FileCopyWindow::BarX0() const { return TextX; }
int FileCopyWindow::BarX1() const { return CancelButton->X - 5; }
int FileCopyWindow::RedBarEnd() const {
  int x0 = BarX0(), x1 = BarX1();
  return std::min(x1, x0 + (x1 - x0) * Percent / 100);
}

void FileCopyWindow::Draw(int x, int y) {
  if (Flags & Disabled) return;
  DrawBackdrop(x, y);
  int ax = x + X, ay = y + Y;
  Font2* font = Font ? Font : DefaultGUIObjFont;
  int state = Owner ? Owner->State : 0;
  std::string line;
  bool bar = false;
  std::string file = LiteralText(CurrentFile);
  if (state == StateStartCopy) {
    line = GetString("@WMaking Program Directories");
  } else if (FilesTotal != 0) {
    bar = state == StateCopyFiles || state == StateUpdating || state == StateInstallDownloads ||
          state == StateUninstalling;
    switch (state) {
      case StateCopyFiles: line = WithText(GetString("@WInstalling File: %s"), file); break;
      case StateUpdating:
        if (DoneChecksumming) {
          line = GetString("@WDownloading Updated Files");
        } else {
          line = WithText(GetString("@WVerifying File: %s"), file);
        }
        break;
      case StateInstallDownloads: line = GetString("@WDownloading Updated Files"); break;
      case StateUninstalling: line = WithText(GetString("@WDeleting File: %s"), file); break;
      default: break;
    }
  }
  if (font && !line.empty()) font->Print(ax + TextX, ay + TextY - 20, line.c_str());
  if (bar && CurGfxDevice) {
    int x0 = BarX0(), x1 = BarX1();
    int y0 = TextY, y1 = TextY + CancelButton->Height;
    CurGfxDevice->ClearRegion(100, 100, 100, ax + x0, ay + y0, ax + x1, ay + y1);
    if (Percent > 0) CurGfxDevice->ClearRegion(200, 0, 0, ax + x0, ay + y0, ax + RedBarEnd(), ay + y1);
    if (font) {
      std::string done = "@W" + std::to_string(Percent) + "% " + GetString("Complete");
      font->Print(ax + x0 + (x1 - x0) / 2 - 20, ay + TextY + 5, done.c_str());
    }
  }
  DrawChildren(ax - ScrollX, ay - ScrollY);
}

int FileCopyWindow::HandleMessage(int msg, int a, int b, void* p, void* q) {
  if (msg != MsgCancelProgress) return 0;
  int state = Owner ? Owner->State : 0;
  if (state == StateUninstalling) {
    PauseUninstall = 1;
    ShowZindleConfirmBox(GetString("Cancel Uninstall?"), MsgCancelUninstallYes, MsgCancelUninstallNo);
    return 0;
  }
  PauseInstall = 1;
  bool installing = state == StateCopyFiles || state == StateWaitInstallLists || state == StateInstallDownloads;
  const char* question = installing ? "Are you sure you wish to cancel the Quorvel Online installation?"
                                    : "Are you sure you wish to cancel the Quorvel Online update?";
  char text[kQuestionChars + 1];
  std::snprintf(text, sizeof text, "%s", GetString(question));
  ShowZindleConfirmBox(text, MsgEndProgram, MsgCancelInstallNo);
  return 0;
}

void FileCopyWindow::Enable() {
  GUIBackdropWindow::Enable();
  LayoutChildren();
  TraceScreenChange(this, "FileCopyWindow", true);
}

void FileCopyWindow::Disable() {
  bool wasEnabled = !(Flags & Disabled);
  GUIBackdropWindow::Disable();
  if (wasEnabled) TraceScreenChange(this, "FileCopyWindow", false);
}
