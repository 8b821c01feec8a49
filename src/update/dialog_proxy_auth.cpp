#include "update/dialog_proxy_auth.h"

#include "foundation/language_catalogue.h"
#include "foundation/ui_trace.h"
#include "gfx/font2.h"
#include "gui/gui_button.h"
#include "gui/gui_simple_dialog_box.h"
#include "gui/gui_skin.h"
#include "gui/gui_string_gadget.h"
#include "gui/gui_toggle_button.h"
#include "update/connection_messages.h"
#include "update/dialog_connection_prefs.h"
#include "update/update_host.h"
#include "update/proxy_settings.h"

namespace {
constexpr const char* kClassName = "AuthenticationWindow";
UiTraceRect RectOf(GUIObject* o) { return {o->AbsoluteX(), o->AbsoluteY(), o->Width, o->Height}; }
}  // namespace

AuthenticationWindow::AuthenticationWindow(int x, int y, int width, int height, ConnectionPrefsWindow* prefs,
                                           DialogHost* owner)
    : GUIFramedWindow(x, y, width, height, GetString("Proxy Authentication"), 0, 0, 0, 0, nullptr),
      Prefs(prefs),
      Owner(owner) {
  if (owner) InteriorTexture = owner->Skin().background;
  OkButton = new GUIButton(0, 0, 90, "", kConnectionOk, 1);
  CancelButton = new GUIButton(0, 0, 90, "", kConnectionCancel, 2);
  const int least = OkButton->Width + CancelButton->Width + 45;
  if (Width < least) Width = least;
  if (Width < 225) Width = 225;
  if (Height < 175) Height = 175;
  MinWidth = Width;
  MinHeight = Height;
  UserBox = new GUIStringGadget(20, 35, Width - 40, 20);
  PasswordBox = new GUIStringGadget(20, 35 + 20 + 20, Width - 40, 20);
  PasswordBox->Masked = 1;
  // The credential is at most 255 bytes with its colon.
  UserBox->MaxLength = PasswordBox->MaxLength = kCredentialSize - 2;
  UserBox->NextInTabOrder = PasswordBox;
  PasswordBox->NextInTabOrder = UserBox;
  AddChild(UserBox);
  AddChild(PasswordBox);
  AddChild(OkButton);
  AddChild(CancelButton);
  LayoutChildren();
  if (UiTraceEnabled()) traceOnDraw_ = true;
}

AuthenticationWindow::~AuthenticationWindow() {
  if (Owner && Owner->GetAuthenticationWin() == this) Owner->SetAuthenticationWin(nullptr);
  if (Modal == this) Modal = nullptr;
  if (traced_) TraceScreen(kClassName, false);
}

void AuthenticationWindow::LayoutChildren() {
  GUIFramedWindow::LayoutChildren();
  if (!CancelButton) return;
  CancelButton->X = Width - CancelButton->Width - 20;
  CancelButton->Y = Height - CancelButton->Height - 20;
  OkButton->X = CancelButton->X - OkButton->Width - 5;
  OkButton->Y = CancelButton->Y;
  UserBox->Width = PasswordBox->Width = Width - 40;
}

void AuthenticationWindow::Draw(int x, int y) {
  if (traceOnDraw_ && !traced_) {
    traced_ = true;
    TraceScreen(kClassName, true);
    TraceWidget(UiWidgetKind::kField, UserBox->Text(), RectOf(UserBox), MsgEnterPressed);
    TraceWidget(UiWidgetKind::kField, "", RectOf(PasswordBox), MsgEnterPressed);  // never the password
    TraceWidget(UiWidgetKind::kButton, OkButton->Text, RectOf(OkButton), OkButton->MessageId);
    TraceWidget(UiWidgetKind::kButton, CancelButton->Text, RectOf(CancelButton), CancelButton->MessageId);
  }
  GUIFramedWindow::Draw(x, y);
  if (Minimized || Hidden()) return;
  Font2* font = Font ? Font : DefaultGUIObjFont;
  if (!font) return;
  const int h = font->LineHeight > 0 ? font->LineHeight : 16;
  font->Print(x + X + UserBox->X, y + Y + UserBox->Y - h, GetString("@WUsername"));
  font->Print(x + X + PasswordBox->X, y + Y + PasswordBox->Y - h, GetString("@WPassword"));
}

int AuthenticationWindow::HandleMessage(int msg, int a, int b, void* p, void* q) {
  GUIWatch self(this);
  GUIFramedWindow::HandleMessage(msg, a, b, p, q);
  if (!self) return 1;
  if (msg == kConnectionOk) {
    const char* problem = nullptr;
    switch (CheckCredential(UserBox->Text(), PasswordBox->Text())) {
      case CredentialProblem::kNone: break;
      case CredentialProblem::kEmpty:
        problem = GetString("You must enter a username and password to log into your proxy server");
        break;
      case CredentialProblem::kColonInUser:
        problem = GetString("A username for your proxy server cannot contain a colon (:).");
        break;
      case CredentialProblem::kTooLong:
        problem = GetString("Your proxy server username and password are too long.");
        break;
    }
    if (problem) {
      GUIObject* box = Owner ? Owner->ShowWarningBox(problem, kConnectionWarningClosed) : nullptr;
      // Its closing comes here first, so this window is modal again after it.
      if (auto* dialog = dynamic_cast<GUISimpleDialogBox*>(box)) dialog->Recipient = this;
      return 1;
    }
    SetProxyAuthentication(UserBox->Text(), PasswordBox->Text());
    if (Owner) Owner->SetAuthenticationWin(nullptr);
    Modal = nullptr;
    GUIObject* parent = Parent;
    delete this;
    if (parent) parent->Redraw();
    return 1;
  }
  if (msg == kConnectionWarningClosed) {
    if (Owner) Owner->HostObject()->HandleMessage(msg, a, b, p, q);
    if (!self) return 1;
    Modal = this;
    KeyOwner = UserBox;
    return 1;
  }
  if (msg == kConnectionCancel) {
    if (Prefs) {
      Prefs->RequiresLogon = 0;
      if (Prefs->LogonToggle) Prefs->LogonToggle->State = 0;
      Prefs->RedrawRegion();
    }
    if (Owner) Owner->SetAuthenticationWin(nullptr);
    Modal = nullptr;
    GUIObject* parent = Parent;
    delete this;
    if (parent) parent->Redraw();
    return 1;
  }
  return 1;
}
