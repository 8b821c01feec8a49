// What the connection settings and proxy log-on windows need from the main
// window that owns them, which lives in a higher layer and implements this.
// The update engine's own needs are a separate interface (update_host.h);
// the main window implements both, and both name it by HostObject.
#pragma once

class AuthenticationWindow;
class ConnectionPrefsWindow;
class GUIObject;
class TextureMap;

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
