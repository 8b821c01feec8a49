// What the update engine needs of the main window, which the launcher
// implements; update/ never includes launcher/. Reports of transfers reach
// the main window as messages of the download window's parent; everything
// else goes through this interface. While no host is set (UpdateHostWindow
// null) the engine calls nothing of it.
#pragma once

class GUIObject;
class DownloadWindow;
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
