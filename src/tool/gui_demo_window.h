// The window of `quorvel-tool gui-demo`: every widget of the toolkit on the
// default skin, and the connection settings and proxy log-on windows with
// this window as their owner. Each user action is reported as one line on
// standard output (see cmd_gui_demo.cpp for the lines).
#pragma once

#include "gui/gui_backdrop_window.h"
#include "update/update_host.h"

class GUIButton;
class GUIDropDownBox;
class GUIFramedWindow;
class GUISimpleDialogBox;
class GUIStringGadget;
class GUITextBox;
class GUIToggleButton;
class TextureMap;

// Prints one line on standard output, flushed at once, and asks for a full
// redraw, so that a screenshot follows the session.
void DemoReport(const char* format, ...) __attribute__((format(printf, 1, 2)));
// "widget NAME X Y WIDTH HEIGHT" with the object's screen rectangle.
void DemoReportWidget(const char* name, GUIObject* o);

class DemoWindow : public GUIBackdropWindow, public DialogHost {
 public:
  GUIButton* Press;
  GUIToggleButton* Toggle;
  GUIStringGadget* Entry;
  GUIDropDownBox* Drop;
  GUIButton* DialogButton;
  GUIButton* BrowseButton;
  GUIButton* ConnectionButton;
  GUIButton* QuitButton;
  GUITextBox* Text;
  GUIFramedWindow* Frame;
  GUIBackdropWindow* Swatch;
  GUIObject* CurrentDialog = nullptr;
  ConnectionPrefsWindow* Connection = nullptr;
  AuthenticationWindow* Authentication = nullptr;
  bool Quit = false;
  int ScanAll = 0;

  // The skin's textures are loaded from zindimgs/ in the current directory.
  explicit DemoWindow(TextureMap* texture);

  void Draw(int x, int y) override;
  int HandleMessage(int msg, int a, int b, void* p, void* q) override;

  // Opens the Connection Settings window (once), as the launcher's Settings
  // button does.
  void OpenConnectionSettings();

  // DialogHost: warnings and questions are this window's message boxes.
  GUIObject* HostObject() override { return this; }
  GUIObject* ShowWarningBox(const char* text, int closingMessage) override;
  GUIObject* ShowConfirmBox(const char* text, int yesMessage, int noMessage) override;
  void ClearCurrentDialog() override { CurrentDialog = nullptr; }
  void SetConnectionWin(ConnectionPrefsWindow* window) override;
  AuthenticationWindow* GetAuthenticationWin() override { return Authentication; }
  void SetAuthenticationWin(AuthenticationWindow* window) override;
  const char* ProxyDetectionURL() override;
  DialogSkin Skin() override { return skin_; }

 private:
  void DrawCaptions();
  GUISimpleDialogBox* OpenBox(const char* title, const char* text, int button1, int message1, int button2, int message2,
                              bool traced);
  DialogSkin skin_;
};
