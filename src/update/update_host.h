// What the update engine needs of the main window, which the launcher
// implements; update/ never includes launcher/. Reports of transfers reach
// the main window as messages of the download window's parent; everything
// else goes through this interface. While no host is set (UpdateHostWindow
// null) the engine calls nothing of it. DialogHost, below, is what the
// connection settings and proxy log-on windows need of the same window.
#pragma once

class AuthenticationWindow;
class ConnectionPrefsWindow;
class DownloadWindow;
class GUIObject;
class TextureMap;

class UpdateHost {
 public:
  // The main window as a GUI object: the download window's parent.
  virtual GUIObject* HostObject() = 0;
  // What the download window is built from: the server's base address
  // (ServerURL), its texture, and the installation directory.
  virtual const char* ServerUrl() = 0;
  virtual TextureMap* DownloadTexture() = 0;
  virtual const char* InstallDirectory() = 0;
  // The main window's DownloadWin.
  virtual void SetDownloadWindow(DownloadWindow* window) = 0;
  // A warning box with the text; closingMessage is sent when it is
  // acknowledged.
  virtual void ShowWarning(const char* text, int closingMessage) = 0;
  // When the flow waits for the installation's lists (StateWaitInstallLists)
  // it moves to StateStartCopy and true is returned.
  virtual bool TakeInstallListWait() = 0;
  // The progress screen: the number of entries to check, one entry checked
  // (count, percentage 50 x checked / total and FinishedFile (name, 0)), and
  // a percentage set and redrawn.
  virtual void SetCheckTotal(int total) = 0;
  virtual void FinishedChecking(const char* name) = 0;
  virtual void SetProgressPercent(int percent) = 0;

 protected:
  ~UpdateHost() = default;
};

// The launcher's main window (MainWin) as the engine sees it; null until it
// is built.
extern UpdateHost* UpdateHostWindow;

// What the connection settings and proxy log-on windows need from the main
// window that owns them. The main window implements this and UpdateHost; both
// name it by HostObject.

// The skin pieces the windows draw with (any may be null).
struct DialogSkin {
  TextureMap* toggle[3] = {};        // the check box's three textures (checkbtn0..2)
  TextureMap* background = nullptr;  // the log-on window's background ("zindimgs/menublue.tga")
};

class DialogHost {
 public:
  virtual ~DialogHost() = default;
  // The main window as a GUI object: the windows are added to it, centred in
  // it, and it is redrawn.
  virtual GUIObject* HostObject() = 0;
  // A warning box with the text (prefixed with the text codes "@W@Z") and one
  // button sending closingMessage; it becomes the current dialog and Modal.
  // Returns the box (a GUISimpleDialogBox).
  virtual GUIObject* ShowWarningBox(const char* text, int closingMessage) = 0;
  // A question with Yes and No buttons sending yesMessage and noMessage.
  virtual GUIObject* ShowConfirmBox(const char* text, int yesMessage, int noMessage) = 0;
  // The dialog being shown is gone (the host's CurrentDialog = null).
  virtual void ClearCurrentDialog() = 0;
  // The host's ConnectionWin and AuthenticationWin.
  virtual void SetConnectionWin(ConnectionPrefsWindow* window) = 0;
  virtual AuthenticationWindow* GetAuthenticationWin() = 0;
  virtual void SetAuthenticationWin(AuthenticationWindow* window) = 0;
  // The address whose proxy the Detect button asks the system for (the
  // update server).
  virtual const char* ProxyDetectionURL() = 0;
  // Textures the windows draw with; none by default.
  virtual DialogSkin Skin() { return {}; }
};
