#include "launcher/zindle_window.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "foundation/fail.h"
#include "foundation/language_catalogue.h"
#include "gui/gui_object.h"
#include "launcher/flow.h"
#include "launcher/launcher_globals.h"
#include "launcher/launcher_messages.h"
#include "launcher/launcher_skin.h"
#include "launcher/launcher_state.h"
#include "launcher/message_boxes.h"
#include "launcher/registry_info.h"
#include "launcher/screen_file_copy.h"
#include "launcher/screen_install.h"
#include "launcher/screen_splash.h"
#include "launcher/screen_tos.h"
#include "launcher/server_urls.h"
#include "update/dialog_connection_prefs.h"
#include "update/update_globals.h"

ZindleWindow::ZindleWindow(int x, int y, int width, int height, int red, int green, int blue)
    : GUIBackdropWindow(x, y, width, height, red, green, blue) {
  BackTexture = ZindleBGTexture;
  Reserved = 0;
  State = StateIdle;
  std::error_code error;
  std::snprintf(ZindleDir, sizeof ZindleDir, "%s", std::filesystem::current_path(error).c_str());
  const char* directory = RegInfo ? RegInfo->Directory : "";
  std::snprintf(MasterSucceedFilename, sizeof MasterSucceedFilename, "%.246ssucceed1.txt", directory);
  std::snprintf(UpdatedSucceedFilename, sizeof UpdatedSucceedFilename, "%.246ssucceed2.txt", directory);

  SplashWin = new SplashScreen(0, 0, width, height, this);
  AddChild(SplashWin);
  FileCopyWin = new FileCopyWindow(0, 0, width, height, this);
  FileCopyWin->Flags |= Disabled;
  AddChild(FileCopyWin);
  InstallWin = new InstallWindow(0, 0, width, height, this);
  InstallWin->Flags |= Disabled;
  AddChild(InstallWin);
  TOSWin = new TOSWindow(0, 0, width, height, this);
  TOSWin->Flags |= Disabled;
  AddChild(TOSWin);
  UpdateHostWindow = this;
}

ZindleWindow::~ZindleWindow() {
  if (UpdateHostWindow == this) UpdateHostWindow = nullptr;
}

void ZindleWindow::LayoutChildren() {
  SplashWin->X = SplashWin->Y = 0;
  SplashWin->Width = InstallWin->Width = Width;
  SplashWin->Height = InstallWin->Height = Height;
  GUIBackdropWindow::LayoutChildren();
}

int ZindleWindow::HandleMessage(int msg, int a, int b, void* p, void* q) {
  switch (msg) {
    case MsgLaunch: OnLaunch(); break;
    case MsgAskUninstall: OnAskUninstall(); break;
    case MsgInstall: OnInstall(); break;
    case MsgCreateDirectoryYes: OnCreateDirectoryYes(); break;
    case MsgCreateDirectoryNo: OnCreateDirectoryNo(); break;
    case MsgCancelUninstallYes: OnCancelUninstallYes(); break;
    case MsgCancelUninstallNo: OnCancelUninstallNo(); break;
    case MsgCancelInstallNo: OnCancelInstallNo(); break;
    case MsgUninstallYes: OnUninstallYes(); break;
    case MsgUninstallNo: OnUninstallNo(); break;
    case MsgTermsAgree: OnTermsAgree(); break;
    case MsgTermsDisagree: OnTermsDisagree(); break;
    case MsgSettings: OnSettings(); break;
    case MsgUseDetectedYes:
    case MsgUseDetectedNo: OnDetectedProxyAnswer(msg, a, b, p, q); break;
    case MsgEndProgram: OnEndProgram(); break;
    case MsgShowWarning: OnShowWarning(static_cast<const char*>(p)); break;
    case MsgCriticalFilesMissing: OnCriticalFilesMissing(); break;
    case MsgWarningClosed: OnWarningClosed(); break;
    case MsgRetryYes: OnRetryYes(); break;
    case MsgRetryNo: OnRetryNo(); break;
    case MsgDownloadReport:
      OnDownloadReport(a, a == kReportFailed ? static_cast<const char*>(p) : nullptr, static_cast<const char*>(q));
      break;
    default: break;
  }
  return 1;
}

void ZindleWindow::ShowOnly(GUIObject* screen) {
  GUIObject* screens[] = {SplashWin, FileCopyWin, InstallWin, TOSWin};
  // The old screen goes first, so the trace reads as the player sees it.
  for (GUIObject* s : screens)
    if (s != screen && !(s->Flags & Disabled)) s->Disable();
  if (screen && (screen->Flags & Disabled)) screen->Enable();
  Redraw();
}

GUIObject* ZindleWindow::ShowWarningBox(const char* text, int closingMessage) {
  return ShowZindleWarningBox(text, closingMessage);
}

GUIObject* ZindleWindow::ShowConfirmBox(const char* text, int yesMessage, int noMessage) {
  return ShowZindleConfirmBox(text, yesMessage, noMessage);
}

void ZindleWindow::ClearCurrentDialog() { CurrentDialog = nullptr; }

const char* ZindleWindow::ProxyDetectionURL() { return ServerURL; }

const char* ZindleWindow::ServerUrl() { return ServerURL; }

// The download panel shares the retry question's dark background.
TextureMap* ZindleWindow::DownloadTexture() { return MarbleDarkBGTexture; }

const char* ZindleWindow::InstallDirectory() { return RegInfo ? RegInfo->Directory : ""; }

void ZindleWindow::ShowWarning(const char* text, int closingMessage) { ShowZindleWarningBox(text, closingMessage); }

bool ZindleWindow::TakeInstallListWait() {
  if (State != StateWaitInstallLists) return false;
  SetState(this, StateStartCopy);
  return true;
}

void ZindleWindow::SetCheckTotal(int total) {
  FileCopyWin->FilesTotal = total;
  FileCopyWin->FilesChecked = 0;
}

void ZindleWindow::FinishedChecking(const char* name) {
  ++FileCopyWin->FilesChecked;
  FileCopyWin->SetPercent(50 * FileCopyWin->FilesChecked / std::max(FileCopyWin->FilesTotal, 1));
  FileCopyWin->FinishedFile(name, 0);
}

void ZindleWindow::SetProgressPercent(int percent) { FileCopyWin->SetPercent(percent); }

namespace {
// The dialog box that sent a closing message is gone; forget it.
void ForgetDialog(ZindleWindow* w) {
  w->CurrentDialog = nullptr;
  w->BoxFlags &= uint8_t(~kMessageBoxUp);
}
}  // namespace

void ZindleWindow::OnAskUninstall() {
  ShowZindleConfirmBox(GetString("Are you sure you want to uninstall?"), MsgUninstallYes, MsgUninstallNo);
}

void ZindleWindow::OnCreateDirectoryNo() { ForgetDialog(this); }

void ZindleWindow::OnCancelUninstallYes() {
  ForgetDialog(this);
  ShowZindleWarningBox(GetString("Uninstall Cancelled"), kWarningClosesBox);
  FileCopyWin->Disable();
  SetState(this, StateIdle);
  SplashWin->Enable();
  SplashWin->LayoutChildren();
  Redraw();
}

void ZindleWindow::OnCancelUninstallNo() {
  ForgetDialog(this);
  PauseUninstall = 0;
}

void ZindleWindow::OnCancelInstallNo() {
  PauseInstall = 0;
  ForgetDialog(this);
}

void ZindleWindow::OnTermsDisagree() {
  ShowZindleWarningBox(GetString("You must agree to these terms to continue."), kWarningClosesBox);
}

void ZindleWindow::OnSettings() {
  if (!ConnectionWin) ConnectionPrefsWindow::Open(this);
}

void ZindleWindow::OnDetectedProxyAnswer(int msg, int a, int b, void* p, void* q) {
  if (ConnectionWin) ConnectionWin->HandleMessage(msg, a, b, p, q);
}

DialogSkin ZindleWindow::Skin() {
  DialogSkin skin;
  skin.toggle[0] = checkbtn0;
  skin.toggle[1] = checkbtn1;
  skin.toggle[2] = checkbtn2;
  skin.background = MarbleBGTexture;
  return skin;
}

void ZindleWindow::OnEndProgram() { Fail(nullptr); }

void ZindleWindow::OnShowWarning(const char* text) { ShowZindleWarningBox(text ? text : "", kWarningClosesBox); }

void ZindleWindow::OnWarningClosed() {
  ForgetDialog(this);
  Modal = nullptr;
}
