#include "launcher/screen_splash.h"

#include <algorithm>

#include "foundation/case_compare.h"
#include "foundation/language_catalogue.h"
#include "gfx/font2.h"
#include "gui/gui_button.h"
#include "gui/gui_drop_down_box.h"
#include "gui/gui_messages.h"
#include "gui/gui_skin.h"
#include "gui/gui_toggle_button.h"
#include "gui/keyboard.h"
#include "launcher/launcher_globals.h"
#include "launcher/launcher_messages.h"
#include "launcher/launcher_skin.h"
#include "launcher/localisation.h"
#include "launcher/registry_info.h"
#include "launcher/screen_trace.h"
#include "launcher/zindle_window.h"
#include "transport/file.h"
#include "update/update_globals.h"

namespace {
constexpr int kButtonWidth = 100;
constexpr int kLanguageBoxY = 380;
constexpr int kLanguageBoxHeight = 25;
constexpr int kLanguageBoxLines = 10;
constexpr int kMaxLanguageName = kLanguageIdSize - 1;
// Without its textures (the null device) the tick box keeps a usable size.
constexpr int kBareTickBoxSize = 16;
// Captions end at least this far from the screen's right edge.
constexpr int kRightMargin = 5;
// Between the tick box and its caption.
constexpr int kCaptionGap = 2;

template <class T>
void Destroy(T*& object) {
  delete object;
  object = nullptr;
}
}  // namespace

std::string LanguageNameOfCatalogue(const std::string& fileName) {
  std::string name = fileName.substr(0, kMaxLanguageName);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

SplashScreen::SplashScreen(int x, int y, int width, int height, ZindleWindow* owner)
    : GUIBackdropWindow(x, y, width, height, 0, 0, 0), Owner(owner) {
  BackTexture = ZindleBGTexture;
  Flags |= NotDrawn;
  if (!Uninstalling) {
    SettingsButton = new GUIButton(0, 0, kButtonWidth, "Settings", MsgSettings, 0);
    SettingsButton->AddHelpText(GetString("Settings for your connection to the Internet"));
    AddChild(SettingsButton);
  }
  FullFileVerify = 0;
  StrNode* found = FindMatchingFileNames("*.cat", 0);
  for (StrNode* n = found; n; n = n->next) CatalogFiles.push_back(n->name);
  FreeStrNodeList(found);
  if (!CatalogFiles.empty() && !Uninstalling) {
    Font2* font = Font ? Font : DefaultGUIObjFont;
    int widest = 0;
    for (const std::string& f : CatalogFiles) widest = std::max(widest, font ? font->TextWidth(f.c_str(), 1.0f) : 0);
    int boxWidth = widest + 40;
    LanguageBox = new GUIDropDownBox(DropDownTexture, Width - boxWidth - 15, kLanguageBoxY, boxWidth,
                                     kLanguageBoxHeight, this, nullptr, "", kLanguageBoxLines);
    LanguageBox->AddItem("ENGLISH", 0);
    int value = 1;
    for (const std::string& f : CatalogFiles) LanguageBox->AddItem(LanguageNameOfCatalogue(f).c_str(), value++);
    if (ZindleLanguageID[0]) {
      for (size_t i = 0; i < LanguageBox->Items.size(); ++i) {
        if (CaseCompare(LanguageBox->Items[i].text.c_str(), ZindleLanguageID) == 0) {
          LanguageBox->SelectItem(int(i));
          break;
        }
      }
    }
  }
  LayoutChildren();
}

SplashScreen::~SplashScreen() = default;

void SplashScreen::LayoutChildren() {
  if (RegInfo && RegInfo->Installed) {
    Destroy(InstallButton);
    if (!Uninstalling) {
      if (!ScanAllFilesBox) {
        ScanAllFilesBox =
            new GUIToggleButton(20, 25, -1, -1, MsgScanAllFiles, checkbtn0, checkbtn1, checkbtn2, &FullFileVerify);
        if (ScanAllFilesBox->Width <= 1) ScanAllFilesBox->Width = ScanAllFilesBox->Height = kBareTickBoxSize;
        AddChild(ScanAllFilesBox);
      }
      if (!LaunchButton) {
        LaunchButton = new GUIButton(0, 0, kButtonWidth, "Launch", MsgLaunch, 0);
        LaunchButton->AddHelpText(GetString("Check for updates and launch Quorvel Online"));
        AddChild(LaunchButton);
      }
      LaunchButton->X = Width - LaunchButton->Width - 20;
      ScanAllFilesBox->Y = Height - LaunchButton->Height - 15;
      // Under Launch, unless its caption would then run past the screen's
      // right margin: a longer caption moves the box left.
      ScanAllFilesBox->X = std::min(LaunchButton->X, Width - kRightMargin - CaptionWidth(GetString("Scan All Files")) -
                                                         kCaptionGap - ScanAllFilesBox->Width);
      LaunchButton->Y = ScanAllFilesBox->Y - LaunchButton->Height - 5;
      if (SettingsButton) {
        SettingsButton->X = LaunchButton->X - SettingsButton->Width - 5;
        SettingsButton->Y = LaunchButton->Y;
      }
    }
    if (LanguageBox) LanguageBox->Y = kLanguageBoxInstalledY;
    KeyOwner = this;
  } else {
    if (!InstallButton) {
      InstallButton = new GUIButton(0, 0, kButtonWidth, GetString("Install"), MsgInstall, 0);
      InstallButton->AddHelpText("Install Quorvel Online");
      AddChild(InstallButton);
    }
    InstallButton->X = Width - InstallButton->Width - 15;
    InstallButton->Y = Height - InstallButton->Height - 15;
    if (SettingsButton) {
      SettingsButton->X = InstallButton->X - SettingsButton->Width - 5;
      SettingsButton->Y = InstallButton->Y;
    }
    Destroy(LaunchButton);
  }
  GUIBackdropWindow::LayoutChildren();
  if (!(Flags & Disabled) && WidgetLines(this) != traced_) Trace();
}

int SplashScreen::CaptionWidth(const char* text) {
  Font2* font = Font ? Font : DefaultGUIObjFont;
  return font ? font->TextWidth(text, 1.0f) : 0;
}

void SplashScreen::Draw(int x, int y) {
  if (Flags & Disabled) return;
  DrawBackdrop(x, y);
  Font2* font = Font ? Font : DefaultGUIObjFont;
  int ax = x + X, ay = y + Y;
  if (font && LanguageBox) {
    const char* caption = GetString("Select Language");
    const int cx = std::min(LanguageBox->X, Width - kRightMargin - CaptionWidth(caption));
    font->Print(ax + cx, ay + LanguageBox->Y - 22, caption);
  }
  if (font && ScanAllFilesBox)
    font->Print(ax + ScanAllFilesBox->X + ScanAllFilesBox->Width + kCaptionGap, ay + ScanAllFilesBox->Y,
                GetString("Scan All Files"));
  DrawChildren(ax - ScrollX, ay - ScrollY);
}

int SplashScreen::HandleMessage(int msg, int a, int b, void* p, void* q) {
  if (msg == MsgItemChosen) {
    SetLanguage();
    return 0;
  }
  return Owner ? Owner->HandleMessage(msg, a, b, p, q) : 0;
}

void SplashScreen::SetLanguage() {
  const char* text = LanguageBox ? LanguageBox->GetSelectedText() : nullptr;
  if (!text) return;
  ChooseLanguage(text);
  // The captions are now in another language, and of another width.
  LayoutChildren();
  Redraw();
  // The box now shows another item: the trace gives the screen as it is.
  if (!(Flags & Disabled) && WidgetLines(this) != traced_) Trace();
}

int SplashScreen::HandleKey(int key, unsigned long mods) {
  ForEachSibling(Children, [&](GUIObject* c) { return !(c->Flags & Disabled) && c->HandleKey(key, mods); });
  return key == KeyEnter;
}

void SplashScreen::Enable() {
  Flags &= ~uint32_t(Disabled);
  traced_.clear();
  LayoutChildren();
  Redraw();
}

void SplashScreen::Disable() {
  bool wasEnabled = !(Flags & Disabled);
  GUIBackdropWindow::Disable();
  if (wasEnabled) TraceScreenChange(this, "SplashScreen", false);
  traced_.clear();
}

void SplashScreen::Trace() {
  traced_ = WidgetLines(this);
  TraceScreenChange(this, "SplashScreen", true, [this](GUIObject* o) {
    return o == ScanAllFilesBox ? ShownText(GetString("Scan All Files")) : std::string();
  });
}
