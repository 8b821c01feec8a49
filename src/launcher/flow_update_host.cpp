#include "launcher/flow_update_host.h"

#include "launcher/flow.h"
#include "launcher/launcher_globals.h"
#include "launcher/launcher_skin.h"
#include "launcher/message_boxes.h"
#include "launcher/registry_info.h"
#include "launcher/screen_file_copy.h"
#include "launcher/server_urls.h"
#include "launcher/zindle_window.h"
#include "update/update_host.h"

namespace {

class MainWindowUpdateHost final : public UpdateHost {
 public:
  GUIObject* HostObject() override { return MainWin; }
  const char* ServerUrl() override { return ServerURL; }
  // The download panel shares the retry question's dark background.
  TextureMap* DownloadTexture() override { return MarbleDarkBGTexture; }
  const char* InstallDirectory() override { return RegInfo->Directory; }
  void SetDownloadWindow(DownloadWindow* window) override {
    if (MainWin) MainWin->DownloadWin = window;
  }
  void ShowWarning(const char* text, int closingMessage) override { ShowZindleWarningBox(text, closingMessage); }
  bool TakeInstallListWait() override {
    if (!MainWin || MainWin->State != StateWaitInstallLists) return false;
    SetState(MainWin, StateStartCopy);
    return true;
  }
  void SetCheckTotal(int total) override {
    if (FileCopyWindow* screen = Screen()) {
      screen->FilesTotal = total;
      screen->FilesChecked = 0;
    }
  }
  void FinishedChecking(const char* name) override {
    FileCopyWindow* screen = Screen();
    if (!screen) return;
    ++screen->FilesChecked;
    const int total = screen->FilesTotal > 0 ? screen->FilesTotal : 1;
    screen->Percent = static_cast<uint8_t>(50 * screen->FilesChecked / total);
    screen->FinishedFile(name, 0);
  }
  void SetProgressPercent(int percent) override {
    if (FileCopyWindow* screen = Screen()) screen->SetPercent(percent);
  }

 private:
  static FileCopyWindow* Screen() { return MainWin ? MainWin->FileCopyWin : nullptr; }
};

MainWindowUpdateHost host;

}  // namespace


void ConnectUpdateHost() { UpdateHostWindow = MainWin ? &host : nullptr; }
