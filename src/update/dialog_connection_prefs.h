// The "Connection Settings" window: the HTTP proxy for updates (with its
// log-on), and the SOCKS5 proxy for the game's log-on, edited and saved in
// the product key; Detect offers the system's proxy.
#pragma once

#include <array>

#include "gui/gui_framed_window.h"
#include "gui/gui_string_gadget.h"
#include "update/proxy_settings.h"

class AuthenticationWindow;
class DialogHost;
class Font2;
class GUIButton;
class GUIToggleButton;

// An entry box that takes digits only (typed or pasted).
class PortEntryBox : public GUIStringGadget {
 public:
  using GUIStringGadget::GUIStringGadget;
  int HandleKey(int key, unsigned long mods) override;
};

class ConnectionPrefsWindow : public GUIFramedWindow {
 public:
  GUIStringGadget* ProxyServerBox = nullptr;
  PortEntryBox* ProxyPortBox = nullptr;
  GUIStringGadget* SocksServerBox = nullptr;
  PortEntryBox* SocksPortBox = nullptr;
  GUIButton* OkButton = nullptr;
  GUIButton* CancelButton = nullptr;
  GUIButton* DetectButton = nullptr;
  GUIToggleButton* UseProxyToggle = nullptr;
  GUIToggleButton* LogonToggle = nullptr;
  GUIToggleButton* GameProxyToggle = nullptr;
  DialogHost* Owner = nullptr;
  int UseProxy = 0;
  int RequiresLogon = 0;
  int GameUsesProxy = 0;
  DetectedProxy Detected;

  // Reads the stored settings and builds the window; the caller adds it to
  // the owner's object (Open does both).
  ConnectionPrefsWindow(int x, int y, int width, int height, DialogHost* owner);
  // The window as the Settings button opens it: 350 by 250, centred on the
  // owner's object and added to it in front of its other children. The
  // owner then holds it (SetConnectionWin) until it closes.
  static ConnectionPrefsWindow* Open(DialogHost* owner);
  ~ConnectionPrefsWindow() override;

  void Draw(int x, int y) override;
  int HandleMessage(int msg, int a, int b, void* p, void* q) override;
  void LayoutChildren() override;

  // The HTTP boxes only while UseProxy is set, the SOCKS boxes only while
  // GameUsesProxy is set; then a redraw.
  void CheckEntryBoxStatus();

 private:
  struct Caption {
    GUIObject* toggle;
    const char* text;  // looked up with GetString when drawn
  };
  std::array<Caption, 3> ToggleCaptions() const;
  Font2* LabelFont() const;
  void OnOk();
  void OnDetect();
  void OnUseDetected();
  void OnLogonToggled();
  void Close();
  // A warning with the keyboard on box afterwards.
  void Warn(const char* text, GUIObject* box);
  // Which entry boxes are enabled, one bit each: the window is traced again
  // when that changes, so the trace always lists the boxes one can type in.
  unsigned EnabledBoxes() const;
  bool traced_ = false;  // traced as opened (at the first draw, once placed)
  unsigned tracedBoxes_ = 0;
};
