// The "Proxy Authentication" window: the user name and password of the HTTP
// proxy, stored as soon as OK accepts them.
#pragma once

#include "gui/gui_framed_window.h"

class ConnectionPrefsWindow;
class DialogHost;
class GUIButton;
class GUIStringGadget;

class AuthenticationWindow : public GUIFramedWindow {
 public:
  GUIStringGadget* UserBox = nullptr;
  GUIStringGadget* PasswordBox = nullptr;
  GUIButton* OkButton = nullptr;
  GUIButton* CancelButton = nullptr;
  ConnectionPrefsWindow* Prefs = nullptr;
  DialogHost* Owner = nullptr;

  AuthenticationWindow(int x, int y, int width, int height, ConnectionPrefsWindow* prefs, DialogHost* owner);
  ~AuthenticationWindow() override;

  void Draw(int x, int y) override;
  int HandleMessage(int msg, int a, int b, void* p, void* q) override;
  void LayoutChildren() override;

 private:
  bool traceOnDraw_ = false;
  bool traced_ = false;
};
