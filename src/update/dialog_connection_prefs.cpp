#include "update/dialog_connection_prefs.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/alloc.h"
#include "foundation/language_catalogue.h"
#include "foundation/ui_trace.h"
#include "gfx/font2.h"
#include "gui/gui_button.h"
#include "gui/gui_drag_bar.h"
#include "gui/gui_simple_dialog_box.h"
#include "gui/gui_skin.h"
#include "gui/gui_toggle_button.h"
#include "transport/download_support.h"
#include "transport/transport_globals.h"
#include "update/connection_entries.h"
#include "update/connection_messages.h"
#include "update/update_host.h"
#include "update/dialog_proxy_auth.h"
#include "update/product_key.h"

namespace {
constexpr const char* kClassName = "ConnectionPrefsWindow";

// Between a toggle and its caption, and from the longest caption to the
// window's frame.
constexpr int kCaptionGap = 4;
constexpr int kRightMargin = 20;

UiTraceRect RectOf(GUIObject* o) { return {o->AbsoluteX(), o->AbsoluteY(), o->Width, o->Height}; }

void SetPortBox(GUIStringGadget* box, int port) {
  if (port < 0) {
    box->Clear();
  } else {
    char text[16];
    std::snprintf(text, sizeof text, "%i", port);
    box->Set(text);
  }
}
}  // namespace

int PortEntryBox::HandleKey(int key, unsigned long mods) {
  const bool printable = (key >= 32 && key <= 126) || (key >= 160 && key <= 255);
  if (printable && !(key >= '0' && key <= '9')) return KeyOwner == this ? 1 : 0;  // taken and dropped
  GUIWatch self(this);
  const int result = GUIStringGadget::HandleKey(key, mods);
  // Enter may have closed the window, and this box with it.
  if (!self) return result;
  // A paste may bring other characters: only its digits stay.
  std::string digits;
  for (const char* p = Buffer; *p; ++p)
    if (*p >= '0' && *p <= '9') digits += *p;
  if (digits != Buffer) Set(digits.c_str());
  return result;
}

ConnectionPrefsWindow::ConnectionPrefsWindow(int x, int y, int width, int height, DialogHost* owner)
    : GUIFramedWindow(x, y, width, height, GetString("Connection Settings"), 1, 0, 0, 0, nullptr), Owner(owner) {
  const ConnectionSettings stored = LoadConnectionSettings();
  UseProxy = stored.useProxy;
  GameUsesProxy = stored.gameUsesProxy;
  RequiresLogon = !stored.authorization.empty();

  const DialogSkin skin = owner ? owner->Skin() : DialogSkin();
  OkButton = new GUIButton(0, 0, 90, "", kConnectionOk, 1);
  CancelButton = new GUIButton(0, 0, 90, "", kConnectionCancel, 2);
  DetectButton = new GUIButton(0, 0, 90, GetString("Detect"), kConnectionDetect, 0);
  AddChild(OkButton);
  AddChild(CancelButton);
  AddChild(DetectButton);
  UseProxyToggle = new GUIToggleButton(20, 25, -1, -1, kConnectionProxyToggled, skin.toggle[0], skin.toggle[1],
                                       skin.toggle[2], &UseProxy);
  LogonToggle = new GUIToggleButton(20, UseProxyToggle->Y + UseProxyToggle->Height + 5, -1, -1, kConnectionLogonToggled,
                                    skin.toggle[0], skin.toggle[1], skin.toggle[2], &RequiresLogon);
  GameProxyToggle = new GUIToggleButton(20, LogonToggle->Y + LogonToggle->Height + 5, -1, -1, kConnectionProxyToggled,
                                        skin.toggle[0], skin.toggle[1], skin.toggle[2], &GameUsesProxy);
  UseProxyToggle->State = UseProxy;
  LogonToggle->State = RequiresLogon;
  GameProxyToggle->State = GameUsesProxy;
  AddChild(UseProxyToggle);
  AddChild(LogonToggle);
  AddChild(GameProxyToggle);

  const int httpY = GameProxyToggle->Y + GameProxyToggle->Height + 25;
  ProxyServerBox = new GUIStringGadget(20, httpY, 100, 20);
  ProxyPortBox = new PortEntryBox(125, httpY, 90, 20);
  const int socksY = httpY + GameProxyToggle->Height + 35;
  SocksServerBox = new GUIStringGadget(20, socksY, 100, 20);
  SocksPortBox = new PortEntryBox(125, socksY, 90, 20);
  // The store reads at most 127 characters back, and a port has at most five digits.
  ProxyServerBox->MaxLength = SocksServerBox->MaxLength = kProxyAddressSize - 1;
  ProxyPortBox->MaxLength = SocksPortBox->MaxLength = 10;
  for (GUIObject* box : {static_cast<GUIObject*>(ProxyServerBox), static_cast<GUIObject*>(ProxyPortBox),
                         static_cast<GUIObject*>(SocksServerBox), static_cast<GUIObject*>(SocksPortBox)})
    AddChild(box);
  if (!stored.proxyAddress.empty()) ProxyServerBox->Set(stored.proxyAddress.c_str());
  if (!stored.socksAddress.empty()) SocksServerBox->Set(stored.socksAddress.c_str());
  if (stored.proxyPort >= 0) SetPortBox(ProxyPortBox, stored.proxyPort);
  if (stored.socksPort >= 0) SetPortBox(SocksPortBox, stored.socksPort);
  ProxyServerBox->NextInTabOrder = ProxyPortBox;
  ProxyPortBox->NextInTabOrder = SocksServerBox;
  SocksServerBox->NextInTabOrder = SocksPortBox;
  SocksPortBox->NextInTabOrder = ProxyServerBox;

  if (Width < 325) Width = 325;
  if (Height < 205) Height = 205;
  // Wide enough for the longest toggle caption in the font in use, and for
  // the three buttons (which grow to their labels) beside each other.
  if (Font2* font = LabelFont()) {
    for (const auto& t : ToggleCaptions()) {
      const int right = t.toggle->X + t.toggle->Width + kCaptionGap + font->TextWidth(GetString(t.text), 1.0f);
      Width = std::max(Width, right + kRightMargin + RightInset);
    }
  }
  Width = std::max(Width, LeftInset + 20 + DetectButton->Width + OkButton->Width + CancelButton->Width + 10 +
                              kRightMargin + RightInset);
  MinWidth = 325;
  MinHeight = 205;
  CheckEntryBoxStatus();
  LayoutChildren();
}

ConnectionPrefsWindow::~ConnectionPrefsWindow() {
  // The log-on window refers to this one: it goes too.
  if (Owner) {
    if (AuthenticationWindow* auth = Owner->GetAuthenticationWin()) {
      Owner->SetAuthenticationWin(nullptr);
      if (Modal == auth) Modal = nullptr;
      delete auth;
    }
  }
  if (traced_) TraceScreen(kClassName, false);
}

void ConnectionPrefsWindow::LayoutChildren() {
  GUIFramedWindow::LayoutChildren();
  if (!CancelButton) return;
  CancelButton->X = Width - CancelButton->Width - 20;
  CancelButton->Y = Height - CancelButton->Height - 20;
  OkButton->X = CancelButton->X - OkButton->Width - 5;
  OkButton->Y = CancelButton->Y;
  DetectButton->X = OkButton->X - DetectButton->Width - 5;
  DetectButton->Y = CancelButton->Y;
  ProxyPortBox->X = SocksPortBox->X = CancelButton->X;
  ProxyServerBox->Width = ProxyPortBox->X - 5 - ProxyServerBox->X;
  SocksServerBox->Width = SocksPortBox->X - 5 - SocksServerBox->X;
}

unsigned ConnectionPrefsWindow::EnabledBoxes() const {
  unsigned bits = 0, bit = 1;
  for (GUIObject* f : {static_cast<GUIObject*>(ProxyServerBox), static_cast<GUIObject*>(ProxyPortBox),
                       static_cast<GUIObject*>(SocksServerBox), static_cast<GUIObject*>(SocksPortBox)}) {
    if (!(f->Flags & ::Disabled)) bits |= bit;
    bit <<= 1;
  }
  return bits;
}

void ConnectionPrefsWindow::Draw(int x, int y) {
  if ((!traced_ || EnabledBoxes() != tracedBoxes_) && UiTraceEnabled()) {
    traced_ = true;
    tracedBoxes_ = EnabledBoxes();
    TraceScreen(kClassName, true);
    for (GUIButton* b : {OkButton, CancelButton, DetectButton})
      TraceWidget(UiWidgetKind::kButton, b->Text, RectOf(b), b->MessageId);
    if (TitleBar && TitleBar->CloseGadget)
      TraceWidget(UiWidgetKind::kButton, "", RectOf(TitleBar->CloseGadget), MsgCloseGadget);
    TraceWidget(UiWidgetKind::kToggle, "Use proxy server settings for updates", RectOf(UseProxyToggle),
                kConnectionProxyToggled);
    TraceWidget(UiWidgetKind::kToggle, "My proxy server requires me to log on", RectOf(LogonToggle),
                kConnectionLogonToggled);
    TraceWidget(UiWidgetKind::kToggle, "Use SOCKS5 for logging on to Quorvel Online", RectOf(GameProxyToggle),
                kConnectionProxyToggled);
    for (GUIStringGadget* f : {ProxyServerBox, static_cast<GUIStringGadget*>(ProxyPortBox), SocksServerBox,
                               static_cast<GUIStringGadget*>(SocksPortBox)})
      if (!(f->Flags & ::Disabled)) TraceWidget(UiWidgetKind::kField, f->Text(), RectOf(f), MsgEnterPressed);
  }
  GUIFramedWindow::Draw(x, y);
  if (Minimized || Hidden()) return;
  Font2* font = LabelFont();
  if (!font) return;
  const int ax = x + X, ay = y + Y;
  for (const auto& t : ToggleCaptions())
    font->Print(ax + t.toggle->X + t.toggle->Width + kCaptionGap, ay + t.toggle->Y, GetString(t.text));
  const int h = font->LineHeight > 0 ? font->LineHeight : 16;
  const struct {
    GUIObject* box;
    const char* text;
  } labels[] = {{ProxyServerBox, "@WServer Name"},
                {ProxyPortBox, "@WPort"},
                {SocksServerBox, "@WSocks Server Name"},
                {SocksPortBox, "@WSocks Port"}};
  // A hidden box takes its caption with it.
  for (const auto& l : labels)
    if (!(l.box->Flags & ::Disabled)) font->Print(ax + l.box->X, ay + l.box->Y - h, GetString(l.text));
}

Font2* ConnectionPrefsWindow::LabelFont() const { return Font ? Font : DefaultGUIObjFont; }

std::array<ConnectionPrefsWindow::Caption, 3> ConnectionPrefsWindow::ToggleCaptions() const {
  return {{{UseProxyToggle, "@WUse proxy server settings for updates"},
           {LogonToggle, "@WMy proxy server requires me to log on"},
           {GameProxyToggle, "@WUse SOCKS5 for logging on to Quorvel Online"}}};
}

void ConnectionPrefsWindow::CheckEntryBoxStatus() {
  for (GUIObject* box : {static_cast<GUIObject*>(ProxyServerBox), static_cast<GUIObject*>(ProxyPortBox)}) {
    if (UseProxy) box->Enable();
    else box->Disable();
  }
  for (GUIObject* box : {static_cast<GUIObject*>(SocksServerBox), static_cast<GUIObject*>(SocksPortBox)}) {
    if (GameUsesProxy) box->Enable();
    else box->Disable();
  }
  RedrawRegion();
}

void ConnectionPrefsWindow::Warn(const char* text, GUIObject* box) {
  if (Owner) Owner->ShowWarningBox(text, kConnectionWarningClosed);
  // The box is modal and takes every key while it is up; afterwards the
  // keyboard is on the box to correct.
  KeyOwner = box;
}

void ConnectionPrefsWindow::OnOk() {
  if (ProxyServer) GRTFree(ProxyServer);
  ProxyServer = nullptr;
  const ConnectionVerdict verdict =
      CheckConnectionEntries({ProxyServerBox->Text(), ProxyPortBox->Text(), SocksServerBox->Text(),
                              SocksPortBox->Text(), UseProxy, GameUsesProxy});
  if (verdict.proxyPort) ProxyPort = *verdict.proxyPort;
  if (verdict.socksPort) SocksPPort = *verdict.socksPort;
  UseProxyToggle->State = UseProxy;
  if (!verdict.proxyHost.empty()) {
    ProxyServerBox->Set(verdict.proxyHost.c_str());
    ProxyServer = StrDup(verdict.proxyHost.c_str(), "ProxyServer");
  }
  if (verdict.warning) {
    GUIObject* boxes[] = {nullptr, ProxyServerBox, ProxyPortBox, SocksServerBox, SocksPortBox};
    Warn(verdict.translated ? GetString(verdict.warning) : verdict.warning, boxes[int(verdict.box)]);
    return;
  }
  // The credential is the log-on window's: the one stored now is kept.
  ConnectionSettings values = verdict.settings;
  values.authorization = LoadConnectionSettings().authorization;
  SaveConnectionSettings(values);
  Close();
}

void ConnectionPrefsWindow::OnDetect() {
  Detected.Clear();
  if (!DetectProxyInformation(Owner ? Owner->ProxyDetectionURL() : "", &Detected)) {
    if (Owner)
      Owner->ShowWarningBox(GetString("Proxy server information could not be detected. Please check with your "
                                      "Internet service provider for proxy server settings."),
                            kConnectionWarningClosed);
    return;
  }
  std::string text = GetString(DetectedProxyQuestionHeader());
  char line[600];
  if (Detected.httpHost[0]) {
    std::snprintf(line, sizeof line, "Proxy Server Address=%s\nPort=%i\n", Detected.httpHost, Detected.httpPort);
    text += line;
  }
  if (Detected.socksHost[0]) {
    std::snprintf(line, sizeof line, "Socks5 Server Address=%s\nPort=%i\n", Detected.socksHost, Detected.socksPort);
    text += line;
  }
  text += "\nWould you like to use these settings?";
  if (text.size() > 500) text.resize(500);
  if (Owner) Owner->ShowConfirmBox(text.c_str(), kConnectionUseDetected, kConnectionIgnoreDetected);
}

void ConnectionPrefsWindow::OnUseDetected() {
  if (Owner) Owner->ClearCurrentDialog();
  ProxyServerBox->Set(Detected.httpHost);
  SocksServerBox->Set(Detected.socksHost);
  SetPortBox(ProxyPortBox, Detected.httpPort);
  SetPortBox(SocksPortBox, Detected.socksPort);
  UseProxy = Detected.httpEnabled;
  GameUsesProxy = Detected.socksEnabled;
  UseProxyToggle->State = UseProxy;
  GameProxyToggle->State = GameUsesProxy;
  RedrawRegion();
  Detected.Clear();
  CheckEntryBoxStatus();
}

void ConnectionPrefsWindow::OnLogonToggled() {
  AuthenticationWindow* open = Owner ? Owner->GetAuthenticationWin() : nullptr;
  if (!RequiresLogon || open) {
    if (open) {
      Owner->SetAuthenticationWin(nullptr);
      if (Modal == open) Modal = nullptr;
      delete open;
    }
    KillProxyAuthentication();
    return;
  }
  if (!Owner) return;
  GUIObject* host = Owner->HostObject();
  auto* auth = new AuthenticationWindow(0, 0, 225, 175, this, Owner);
  auth->X = (host->Width - auth->Width) / 2;
  auth->Y = (host->Height - auth->Height) / 2;
  host->AddChild(auth);
  auth->BringToFront();
  Owner->SetAuthenticationWin(auth);
  Modal = auth;
  KeyOwner = auth->UserBox;
  host->Redraw();
}

ConnectionPrefsWindow* ConnectionPrefsWindow::Open(DialogHost* owner) {
  auto* w = new ConnectionPrefsWindow(0, 0, 350, 250, owner);
  GUIObject* host = owner->HostObject();
  w->X = (host->Width - w->Width) / 2;
  w->Y = (host->Height - w->Height) / 2;
  host->AddChild(w);
  owner->SetConnectionWin(w);
  w->BringToFront();
  host->Redraw();
  return w;
}

void ConnectionPrefsWindow::Close() {
  if (Owner) Owner->SetConnectionWin(nullptr);
  GUIObject* parent = Parent;
  delete this;
  if (parent) parent->Redraw();
}

int ConnectionPrefsWindow::HandleMessage(int msg, int a, int b, void* p, void* q) {
  switch (msg) {
    case kConnectionOk: OnOk(); return 1;
    case MsgEnterPressed:
      if (p == ProxyPortBox) {
        OnOk();
        return 1;
      }
      break;
    case kConnectionCancel:
    case MsgCloseGadget:  // the title bar's close button is Cancel
      if (Owner && Owner->GetAuthenticationWin()) return 1;
      Close();
      return 1;
    case kConnectionDetect: OnDetect(); return 1;
    case kConnectionUseDetected: OnUseDetected(); return 1;
    case kConnectionIgnoreDetected:
      if (Owner) Owner->ClearCurrentDialog();
      Detected.Clear();
      CheckEntryBoxStatus();
      return 1;
    case kConnectionProxyToggled: CheckEntryBoxStatus(); return 1;
    case kConnectionLogonToggled: OnLogonToggled(); return 1;
    default: break;
  }
  return GUIFramedWindow::HandleMessage(msg, a, b, p, q);
}
