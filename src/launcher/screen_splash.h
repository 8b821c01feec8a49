// The menu screen: Install (not installed) or Launch with the "Scan All
// Files" box (installed), Settings, and the language box when the working
// directory holds catalogues ("*.cat"). Messages it does not handle go to
// the main window.
#pragma once

#include <string>
#include <vector>

#include "gui/gui_backdrop_window.h"

class GUIButton;
class GUIDropDownBox;
class GUIToggleButton;
class ZindleWindow;

// The language box's y on the menu of an installed game (380 otherwise).
constexpr int kLanguageBoxInstalledY = 300;

class SplashScreen : public GUIBackdropWindow {
 public:
  ZindleWindow* Owner = nullptr;
  GUIButton* LaunchButton = nullptr;
  GUIButton* InstallButton = nullptr;
  GUIButton* SettingsButton = nullptr;
  GUIToggleButton* ScanAllFilesBox = nullptr;
  GUIDropDownBox* LanguageBox = nullptr;
  // The catalogue file names found at construction, sorted.
  std::vector<std::string> CatalogFiles;

  SplashScreen(int x, int y, int width, int height, ZindleWindow* owner);

  void Draw(int x, int y) override;
  // 60000 (a language picked) is SetLanguage; everything else goes to the
  // owner, whose result is returned.
  int HandleMessage(int msg, int a, int b, void* p, void* q) override;
  ~SplashScreen() override;
  // Builds the buttons for the installed or not installed menu and places
  // them; traced again when the widgets changed while enabled.
  void LayoutChildren() override;
  // Offered to each enabled child in turn; 1 exactly for Enter.
  int HandleKey(int key, unsigned long mods) override;
  // Clears Disabled, lays out, redraws, traces.
  void Enable() override;
  void Disable() override;
  // The box's selected language becomes the choice: ZindleLanguageID,
  // "language.txt" and the catalogue; the screen is redrawn. Nothing happens
  // without a selection.
  void SetLanguage();

 private:
  void Trace();
  // A caption's width in the screen's font (0 without one).
  int CaptionWidth(const char* text);
  std::string traced_;  // the widget lines last traced
};

// The language box's item for a catalogue file name: at most 31 characters,
// without everything from the last ".".
std::string LanguageNameOfCatalogue(const std::string& fileName);
