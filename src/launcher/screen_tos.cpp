#include "launcher/screen_tos.h"

#include <string>

#include "foundation/language_catalogue.h"
#include "gfx/font2.h"
#include "gui/gui_button.h"
#include "gui/gui_skin.h"
#include "gui/gui_text_box.h"
#include "launcher/launcher_messages.h"
#include "launcher/launcher_skin.h"
#include "launcher/screen_trace.h"
#include "launcher/zindle_window.h"
#include "transport/file.h"

namespace {
constexpr int kButtonWidth = 100;
constexpr int kLineBytes = 4096;
// Lines of the terms shown at most (a long agreement has a few hundred).
constexpr int kMaxTermsLines = 5000;

// A line of the file as plain text for the box.
std::string ShownLine(const char* line) {
  std::string plain;
  for (const char* s = line; *s; ++s) {
    unsigned char c = static_cast<unsigned char>(*s);
    if (c == '\n' || c == '\r') continue;
    plain += c < 32 ? ' ' : char(c);
  }
  return LiteralText(plain.c_str());
}
}  // namespace

TOSWindow::TOSWindow(int x, int y, int width, int height, ZindleWindow* owner)
    : GUIBackdropWindow(x, y, width, height, 0, 0, 0), Owner(owner) {
  BackTexture = MarbleBGTexture;
  AgreeButton = new GUIButton(0, 0, kButtonWidth, GetString("I Agree"), MsgTermsAgree, 1);
  AgreeButton->AddHelpText(GetString("I accept these terms"));
  AddChild(AgreeButton);
  DisagreeButton = new GUIButton(0, 0, kButtonWidth, GetString("I Disagree"), MsgTermsDisagree, 2);
  DisagreeButton->AddHelpText(GetString("I do not accept these terms"));
  AddChild(DisagreeButton);
  TermsText = new GUITextBox(0, 0, 200, 150, 200, 200, 200);
  TermsText->Font = DefaultGUIObjFont;
  TermsText->RedrawMargin = 8;
  AddChild(TermsText);
  // Sized now, so that the terms are wrapped to the box they are shown in.
  LayoutChildren();
}

TOSWindow::~TOSWindow() = default;

void TOSWindow::LayoutChildren() {
  TermsText->X = 40;
  TermsText->Y = 40;
  TermsText->Width = Width - 80;
  TermsText->Height = Height - 40 - AgreeButton->Height - 20;
  AgreeButton->X = (Width - (DisagreeButton->Width + AgreeButton->Width + 5)) / 2;
  AgreeButton->Y = TermsText->Y + TermsText->Height + 10;
  DisagreeButton->X = AgreeButton->X + AgreeButton->Width + 5;
  DisagreeButton->Y = AgreeButton->Y;
  GUIBackdropWindow::LayoutChildren();
}

void TOSWindow::Draw(int x, int y) {
  if (Hidden()) return;
  DrawBackdrop(x, y);
  Font2* font = Font ? Font : DefaultGUIObjFont;
  int ax = x + X, ay = y + Y;
  if (font) {
    const std::string caption = GetString("@WYou must accept these license agreements to continue");
    font->Print(ax + (Width - int(font->TextSize(caption.c_str()).x)) / 2, ay + 10, caption.c_str());
  }
  DrawChildren(ax - ScrollX, ay - ScrollY);
}

int TOSWindow::HandleMessage(int msg, int a, int b, void* p, void* q) {
  if ((msg == MsgTermsAgree || msg == MsgTermsDisagree) && Owner) Owner->HandleMessage(msg, a, b, p, q);
  return 0;
}

int TOSWindow::ReadTOS(const char* path) {
  TextFile file;
  if (!path || !file.Open(path, 0)) return 0;
  char line[kLineBytes];
  int index = 0;
  // The file comes from the server: only so many lines are shown, so a huge
  // one cannot hold the launcher up (the terms box adds lines one by one).
  while (index < kMaxTermsLines && file.FGets(line, sizeof line)) {
    // The read that meets the end gives what follows the last line feed.
    if (file.atEnd && !line[0]) break;
    TermsText->AddLineAtBottom(ShownLine(line).c_str(), index++);
  }
  file.Close();
  TermsText->ScrollToTop();
  return 1;
}

void TOSWindow::Enable() {
  GUIBackdropWindow::Enable();
  LayoutChildren();
  TraceScreenChange(this, "TOSWindow", true);
}

void TOSWindow::Disable() {
  bool wasEnabled = !(Flags & Disabled);
  GUIBackdropWindow::Disable();
  if (wasEnabled) TraceScreenChange(this, "TOSWindow", false);
}
