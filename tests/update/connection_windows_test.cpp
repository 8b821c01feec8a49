// The Connection Settings and Proxy Authentication windows driven through
// the real input path (window messages into the GUI's handler) on the null
// device, with an owner that puts up real message boxes.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/gfx_device.h"
#include "gui/gui_backdrop_window.h"
#include "gui/gui_button.h"
#include "gui/gui_globals.h"
#include "gui/gui_input.h"
#include "gui/gui_simple_dialog_box.h"
#include "gui/gui_string_gadget.h"
#include "gui/gui_toggle_button.h"
#include "support/process.h"
#include "transport/transport_globals.h"
#include "update/connection_messages.h"
#include "update/dialog_connection_prefs.h"
#include "update/update_host.h"
#include "update/dialog_proxy_auth.h"
#include "update/product_key.h"

namespace {
class TestHost : public GUIBackdropWindow, public DialogHost {
 public:
  TestHost() : GUIBackdropWindow(0, 0, 720, 505, 20, 20, 40) {}
  GUIObject* HostObject() override { return this; }
  GUIObject* ShowWarningBox(const char* text, int closingMessage) override {
    warnings.push_back(text);
    return Open(std::string("@W@Z") + text, DialogOK, closingMessage, -1, 0);
  }
  GUIObject* ShowConfirmBox(const char* text, int yes, int no) override {
    questions.push_back(text);
    return Open(text, DialogYes, yes, DialogNo, no);
  }
  void ClearCurrentDialog() override { current = nullptr; }
  void SetConnectionWin(ConnectionPrefsWindow* w) override { connection = w; }
  AuthenticationWindow* GetAuthenticationWin() override { return auth; }
  void SetAuthenticationWin(AuthenticationWindow* w) override { auth = w; }
  const char* ProxyDetectionURL() override { return "http://updates.example/krnx/"; }
  DialogSkin Skin() override { return {}; }
  int HandleMessage(int msg, int a, int b, void* p, void* q) override {
    if (msg == kConnectionWarningClosed) {
      current = nullptr;
      Modal = nullptr;
    } else if ((msg == kConnectionUseDetected || msg == kConnectionIgnoreDetected) && connection) {
      connection->HandleMessage(msg, a, b, p, q);
    }
    return 1;
  }
  GUISimpleDialogBox* Open(const std::string& text, int b1, int m1, int b2, int m2) {
    auto* box = new GUISimpleDialogBox(SimpleDialogSettings{.Title = "Message Window",
                                                            .Recipient = this,
                                                            .Message = text.c_str(),
                                                            .Width = 345,
                                                            .Height = 242,
                                                            .Button1 = b1,
                                                            .Button1Msg = m1,
                                                            .Button2 = b2,
                                                            .Button2Msg = m2});
    AddTopLevelObject(box);
    box->Place();
    Modal = box;
    current = box;
    return box;
  }
  std::vector<std::string> warnings, questions;
  GUIObject* current = nullptr;
  ConnectionPrefsWindow* connection = nullptr;
  AuthenticationWindow* auth = nullptr;
};

void ClickOn(GUIObject* o) { Click(o->AbsoluteX() + o->Width / 2, o->AbsoluteY() + o->Height / 2); }

class ConnectionWindows : public testing::Test {
 protected:
  void SetUp() override {
    setenv("QUORVEL_REGISTRY", (dir_ / "settings.txt").c_str(), 1);
    ResetGuiGlobals();
    ResetTransportGlobals();
    device_ = CurGfxDevice = new GfxDevice(720, 505);
    host_ = new TestHost;
    AddTopLevelObject(host_);
  }
  void TearDown() override {
    KillAllGUIObjects();
    ResetGuiGlobals();
    ResetTransportGlobals();
    delete device_;
    CurGfxDevice = nullptr;
    unsetenv("QUORVEL_REGISTRY");
  }
  ConnectionPrefsWindow* Open() {
    auto* w = new ConnectionPrefsWindow(185, 127, 350, 250, host_);
    host_->AddChild(w);
    host_->connection = w;
    return w;
  }
  void TypeInto(GUIStringGadget* box, const std::string& text) {
    ClickOn(box);
    Type(text);
  }
  // The OK button of the message box that is up.
  void AcknowledgeWarning() {
    auto* box = dynamic_cast<GUISimpleDialogBox*>(host_->current);
    ASSERT_NE(box, nullptr);
    ClickOn(box->Buttons[0]);
  }
  TempDir dir_;
  GfxDevice* device_ = nullptr;
  TestHost* host_ = nullptr;
};

TEST_F(ConnectionWindows, AnEmptyPortWithTheProxyUntickedSavesMinusOne) {
  ConnectionPrefsWindow* w = Open();
  EXPECT_TRUE(w->ProxyServerBox->Flags & Disabled);
  ClickOn(w->OkButton);
  EXPECT_EQ(host_->connection, nullptr) << "closed";
  EXPECT_EQ(GetKeyValue("ProxyPort"), -1);
  EXPECT_EQ(GetKeyValue("UseProxy"), 0);
  EXPECT_EQ(ProxyServer, nullptr);
  EXPECT_TRUE(host_->warnings.empty());
}

TEST_F(ConnectionWindows, AnUpperCaseSchemeIsReducedAndThePortIsStillRequired) {
  ConnectionPrefsWindow* w = Open();
  ClickOn(w->UseProxyToggle);
  ASSERT_EQ(w->UseProxy, 1);
  EXPECT_FALSE(w->ProxyServerBox->Flags & Disabled);
  TypeInto(w->ProxyServerBox, "HTTP://proxy.local:3128/");
  ClickOn(w->OkButton);
  ASSERT_EQ(host_->warnings.size(), 1u);
  EXPECT_EQ(host_->warnings[0], "You must enter a port to connect to proxy on.");
  EXPECT_STREQ(w->ProxyServerBox->Text(), "proxy.local:3128");
  EXPECT_EQ(ProxyPort, -1);
  EXPECT_EQ(KeyOwner, w->ProxyPortBox);
  AcknowledgeWarning();
  EXPECT_EQ(Modal, nullptr);
  Type("31a2-8");  // the keyboard is still on the port box; only digits go in
  EXPECT_STREQ(w->ProxyPortBox->Text(), "3128");
  PressEnter();  // Enter in the port box is OK
  EXPECT_EQ(host_->connection, nullptr);
  EXPECT_STREQ(GetKeyValueString("ProxyAddress"), "proxy.local:3128");
  EXPECT_EQ(GetKeyValue("ProxyPort"), 3128);
  EXPECT_EQ(GetKeyValue("UseProxy"), 1);
  ASSERT_NE(ProxyServer, nullptr);
  EXPECT_STREQ(ProxyServer, "proxy.local:3128");
}

TEST_F(ConnectionWindows, OutOfRangePortsWarnAndKeepTheWindowOpen) {
  ConnectionPrefsWindow* w = Open();
  ClickOn(w->UseProxyToggle);
  TypeInto(w->ProxyServerBox, "proxy.local");
  TypeInto(w->ProxyPortBox, "65536");
  ClickOn(w->OkButton);
  ASSERT_EQ(host_->warnings.size(), 1u);
  EXPECT_EQ(host_->warnings[0], "Invalid port number, must be between the values of 0 and 65535.");
  EXPECT_EQ(ProxyPort, 65535);
  EXPECT_EQ(host_->connection, w);
  EXPECT_EQ(KeyOwner, w->ProxyPortBox);
  AcknowledgeWarning();
  // A negative number cannot be typed; set it as a stored value would be.
  w->ProxyPortBox->Set("-5");
  ClickOn(w->OkButton);
  EXPECT_EQ(ProxyPort, 0);
  AcknowledgeWarning();
  // The SOCKS boxes are checked the same way, and only when ticked are they required.
  w->ProxyPortBox->Set("8080");
  ClickOn(w->GameProxyToggle);
  ClickOn(w->OkButton);
  ASSERT_EQ(host_->warnings.back(), "You must enter a valid socks proxy server to connect to.");
  EXPECT_EQ(KeyOwner, w->SocksServerBox);
  AcknowledgeWarning();
  Type("socks.local");
  ClickOn(w->OkButton);
  ASSERT_EQ(host_->warnings.back(), "You must enter a socks port to connect to proxy on.");
  EXPECT_EQ(KeyOwner, w->SocksPortBox);
  AcknowledgeWarning();
  Type("99999");
  ClickOn(w->OkButton);
  ASSERT_EQ(host_->warnings.back(), "Invalid socks port number, must be between the values of 0 and 65535.");
  AcknowledgeWarning();
  w->SocksPortBox->Set("1080");
  ClickOn(w->OkButton);
  EXPECT_EQ(host_->connection, nullptr);
  EXPECT_EQ(GetKeyValue("SocksProxyPort"), 1080);
  EXPECT_STREQ(GetKeyValueString("SocksProxyAddress"), "socks.local");
  EXPECT_EQ(GetKeyValue("GameUsesProxy"), 1);
}

// Regression: Enter in the HTTP port box saves and closes the window, which
// destroys the box while its key handler is still running; the handler then
// read and rewrote the freed box. Freed memory is filled with a non-digit so
// that such a late access finds "typed" characters to remove and writes.
TEST_F(ConnectionWindows, EnterInThePortBoxThatClosesTheWindowLeavesTheFreedBoxAlone) {
  ConnectionPrefsWindow* w = Open();
  ClickOn(w->UseProxyToggle);
  TypeInto(w->ProxyServerBox, "proxy.local");
  TypeInto(w->ProxyPortBox, "3128");
  ASSERT_EQ(mallopt(M_PERTURB, 'x'), 1);
  PressEnter();
  mallopt(M_PERTURB, 0);
  EXPECT_EQ(host_->connection, nullptr);
  EXPECT_EQ(GetKeyValue("ProxyPort"), 3128);
  EXPECT_STREQ(GetKeyValueString("ProxyAddress"), "proxy.local");
}

// Regression: a cleared SOCKS port box used to leave the old port in the
// store (only the address was erased), so the cleared port came back.
TEST_F(ConnectionWindows, AClearedSocksPortIsSavedAsZeroWhileSocksIsNotInUse) {
  ASSERT_TRUE(SetProductString("SocksProxyAddress", "socks.local"));
  ASSERT_TRUE(SetProductDword("SocksProxyPort", 1080));
  ConnectionPrefsWindow* w = Open();
  EXPECT_STREQ(w->SocksPortBox->Text(), "1080");
  ClickOn(w->GameProxyToggle);
  ASSERT_EQ(w->GameUsesProxy, 1);
  w->SocksServerBox->Clear();
  w->SocksPortBox->Clear();
  ClickOn(w->GameProxyToggle);
  ASSERT_EQ(w->GameUsesProxy, 0);
  ClickOn(w->OkButton);
  EXPECT_TRUE(host_->warnings.empty());
  EXPECT_EQ(host_->connection, nullptr);
  EXPECT_STREQ(GetKeyValueString("SocksProxyAddress"), "");
  EXPECT_EQ(GetKeyValue("SocksProxyPort"), 0);
  EXPECT_EQ(GetKeyValue("GameUsesProxy"), 0);

  // While the SOCKS proxy is in use the empty box is refused and nothing is written.
  w = Open();
  EXPECT_STREQ(w->SocksPortBox->Text(), "0");
  ClickOn(w->GameProxyToggle);
  w->SocksServerBox->Set("socks.local");
  w->SocksPortBox->Clear();
  ClickOn(w->OkButton);
  ASSERT_EQ(host_->warnings.size(), 1u);
  EXPECT_EQ(host_->warnings[0], "You must enter a socks port to connect to proxy on.");
  EXPECT_EQ(SocksPPort, -1);
  EXPECT_EQ(host_->connection, w);
  EXPECT_EQ(GetKeyValue("SocksProxyPort"), 0);
}

TEST_F(ConnectionWindows, TheLogOnWindowStoresTheCredentialAndUntickingErasesItAtOnce) {
  ConnectionPrefsWindow* w = Open();
  ClickOn(w->LogonToggle);
  AuthenticationWindow* auth = host_->auth;
  ASSERT_NE(auth, nullptr);
  EXPECT_EQ(Modal, auth);
  // Cancel in the settings window does nothing while the log-on window is open.
  w->HandleMessage(kConnectionCancel, 0, 0, w->CancelButton, nullptr);
  EXPECT_EQ(host_->connection, w);
  // A colon in the user name cannot be carried by Basic authentication.
  TypeInto(auth->UserBox, "ann:x");
  TypeInto(auth->PasswordBox, "pw");
  ClickOn(auth->OkButton);
  ASSERT_EQ(host_->warnings.size(), 1u);
  EXPECT_NE(host_->warnings[0].find("colon"), std::string::npos);
  AcknowledgeWarning();
  EXPECT_EQ(Modal, auth) << "modal again after its warning";
  auth->UserBox->Set("ann");
  ClickOn(auth->OkButton);
  EXPECT_EQ(host_->auth, nullptr);
  EXPECT_STREQ(GetKeyValueString("ProxyAuthorization"), "YW5uOnB3");
  ASSERT_NE(ProxyAuthentication, nullptr);
  EXPECT_EQ(w->RequiresLogon, 1);

  ClickOn(w->LogonToggle);  // unticked: erased now, whatever happens to the window
  EXPECT_EQ(w->RequiresLogon, 0);
  EXPECT_STREQ(GetKeyValueString("ProxyAuthorization"), "");
  EXPECT_EQ(ProxyAuthentication, nullptr);
  ClickOn(w->CancelButton);
  EXPECT_EQ(host_->connection, nullptr);
  EXPECT_STREQ(GetKeyValueString("ProxyAuthorization"), "");
}

TEST_F(ConnectionWindows, CancellingTheLogOnWindowUnticksTheBox) {
  ConnectionPrefsWindow* w = Open();
  ClickOn(w->LogonToggle);
  ASSERT_NE(host_->auth, nullptr);
  ClickOn(host_->auth->OkButton);  // empty: refused
  EXPECT_EQ(host_->warnings.back(), "You must enter a username and password to log into your proxy server");
  AcknowledgeWarning();
  ClickOn(host_->auth->CancelButton);
  EXPECT_EQ(host_->auth, nullptr);
  EXPECT_EQ(w->RequiresLogon, 0);
  EXPECT_EQ(w->LogonToggle->State, 0);
  EXPECT_EQ(Modal, nullptr);
}

TEST_F(ConnectionWindows, DetectOffersTheSystemProxyAndFillsTheBoxesOnYes) {
  setenv("http_proxy", "http://127.0.0.1:3128", 1);
  setenv("all_proxy", "socks5://127.0.0.1:1080", 1);
  ConnectionPrefsWindow* w = Open();
  ClickOn(w->DetectButton);
  unsetenv("http_proxy");
  unsetenv("all_proxy");
  ASSERT_EQ(host_->questions.size(), 1u);
  EXPECT_EQ(host_->questions[0],
            "Found system proxy information:\nProxy Server Address=127.0.0.1\nPort=3128\n"
            "Socks5 Server Address=127.0.0.1\nPort=1080\n\nWould you like to use these settings?");
  auto* box = dynamic_cast<GUISimpleDialogBox*>(host_->current);
  ASSERT_NE(box, nullptr);
  ClickOn(box->Buttons[0]);  // Yes
  EXPECT_STREQ(w->ProxyServerBox->Text(), "127.0.0.1");
  EXPECT_STREQ(w->ProxyPortBox->Text(), "3128");
  EXPECT_STREQ(w->SocksPortBox->Text(), "1080");
  EXPECT_EQ(w->UseProxy, 1);
  EXPECT_EQ(w->GameUsesProxy, 1);
  EXPECT_FALSE(w->SocksServerBox->Flags & Disabled);
  EXPECT_EQ(w->Detected.httpEnabled, 0);

  ClickOn(w->DetectButton);  // nothing in the environment now
  EXPECT_EQ(host_->warnings.back(),
            "Proxy server information could not be detected. Please check with your Internet service provider for "
            "proxy server settings.");
}
}  // namespace
