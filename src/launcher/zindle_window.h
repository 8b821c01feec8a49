// ZindleWindow: the launcher's main window. It fills the program window and
// holds the four screens (menu, file copy, install directory, Terms of
// Service), of which one at a time is enabled, and the download window while
// one exists. Its HandleMessage is the launcher's one dispatcher: every
// button of the screens, every dialog box it puts up, the connection
// settings window and the download window report here, and each message id
// goes to one named handler below.
//
// The handlers of the screens and boxes live in zindle_window.cpp; those
// that move the flow from state to state (Launch, Install, the created
// directory, the uninstall answer, the Terms accepted, the retry question,
// the critical-files warning and the download report) live in
// flow_messages.cpp beside the state loop.
#pragma once

#include <cstdint>

#include "gui/gui_backdrop_window.h"
#include "update/update_host.h"
#include "update/update_host.h"

class AuthenticationWindow;
class ConnectionPrefsWindow;
class DownloadWindow;
class FileCopyWindow;
class InstallWindow;
class SplashScreen;
class TOSWindow;

// BoxFlags bits.
enum : uint8_t { kMessageBoxUp = 0x1 };

class ZindleWindow : public GUIBackdropWindow, public DialogHost, public UpdateHost {
 public:
  // The connection settings window while it is open.
  ConnectionPrefsWindow* ConnectionWin = nullptr;
  // The proxy log-on window while it is open.
  AuthenticationWindow* AuthenticationWin = nullptr;
  // Null until the flow creates the download window; then a child of this.
  DownloadWindow* DownloadWin = nullptr;
  // The dialog box being shown (at most one is tracked), or null.
  GUIObject* CurrentDialog = nullptr;
  InstallWindow* InstallWin = nullptr;
  SplashScreen* SplashWin = nullptr;
  FileCopyWindow* FileCopyWin = nullptr;
  TOSWindow* TOSWin = nullptr;
  int Reserved = 0;
  // The flow's state (a LauncherState value); 2, idle, at construction.
  uint8_t State = 2;
  // kMessageBoxUp while a warning or confirmation box of ours is up.
  uint8_t BoxFlags = 0;

  // The background is ZindleBGTexture when loaded, else the colour. Records
  // the working directory in ZindleDir, computes the succeed file names and
  // builds the screens (menu, file copy, install, Terms) as children; all but
  // the menu start disabled.
  ZindleWindow(int x, int y, int width, int height, int red, int green, int blue);
  ~ZindleWindow() override;

  // Always 1, handled or not.
  int HandleMessage(int msg, int a, int b, void* p, void* q) override;
  // The menu screen at (0, 0); it and the install screen take this window's size.
  void LayoutChildren() override;

  // Handlers of the screens' and boxes' messages (zindle_window.cpp).
  void OnAskUninstall();                                                // 101
  void OnCreateDirectoryNo();                                           // 106
  void OnCancelUninstallYes();                                          // 109
  void OnCancelUninstallNo();                                           // 110
  void OnCancelInstallNo();                                             // 114
  void OnTermsDisagree();                                               // 119
  void OnSettings();                                                    // 120
  void OnDetectedProxyAnswer(int msg, int a, int b, void* p, void* q);  // 123, 124
  void OnEndProgram();                                                  // 127
  void OnShowWarning(const char* text);                                 // 128
  void OnWarningClosed();                                               // 131

  // Handlers that move the flow (flow_messages.cpp).
  void OnLaunch();                // 100
  void OnInstall();               // 102
  void OnCreateDirectoryYes();    // 105
  void OnUninstallYes();          // 115
  void OnUninstallNo();           // 116
  void OnTermsAgree();            // 118
  void OnCriticalFilesMissing();  // 129
  void OnRetryYes();              // 5009
  void OnRetryNo();               // 5010
  // 9876: status 0 fetched, 2 failed, 4 unchanged, others progress only;
  // errorText is the transfer's error for status 2 (may be null), else null;
  // fileName is the name as it was queued.
  void OnDownloadReport(int status, const char* errorText, const char* fileName);

  // DialogHost and UpdateHost: the download window's and the settings
  // windows' parent.
  GUIObject* HostObject() override { return this; }

  // UpdateHost: what the update engine uses. The window is the engine's
  // UpdateHostWindow from construction to destruction.
  const char* ServerUrl() override;
  TextureMap* DownloadTexture() override;
  const char* InstallDirectory() override;
  void SetDownloadWindow(DownloadWindow* window) override { DownloadWin = window; }
  void ShowWarning(const char* text, int closingMessage) override;
  bool TakeInstallListWait() override;
  // The progress screen during the digest pass: the first half of the bar
  // counts checked entries (50 x checked / total, a total below 1 counted
  // as 1).
  void SetCheckTotal(int total) override;
  void FinishedChecking(const char* name) override;
  void SetProgressPercent(int percent) override;

  // DialogHost: what the connection settings and log-on windows use.
  GUIObject* ShowWarningBox(const char* text, int closingMessage) override;
  GUIObject* ShowConfirmBox(const char* text, int yesMessage, int noMessage) override;
  void ClearCurrentDialog() override;
  void SetConnectionWin(ConnectionPrefsWindow* window) override { ConnectionWin = window; }
  AuthenticationWindow* GetAuthenticationWin() override { return AuthenticationWin; }
  void SetAuthenticationWin(AuthenticationWindow* window) override { AuthenticationWin = window; }
  // The update server's address (ServerURL).
  const char* ProxyDetectionURL() override;
  // The check box textures and the log-on window's background.
  DialogSkin Skin() override;

  // Enables one screen and disables the other three (and traces both).
  void ShowOnly(GUIObject* screen);
};
