// DownloadWindow: the small panel that shows the update engine's transfers.
// It owns the DownloadScheduler (Downloads) and draws its state: the name of
// a running file and the percentage of every running transfer's bytes. It
// turns the scheduler's reports into message 9876 to its parent:
//   parent->HandleMessage(9876, status, 0, p, name)
// with status 0 (fetched), 2 (failed) or 4 (unchanged on the server), name
// the entry's Name, and p the window for 0 and 4, or the transfer's error
// text for 2 (valid during the call only). The report comes before the
// callback, so the parent can queue follow-up files first.
//
// Besides the GUI tick, the frame pump advances the transfers whenever one
// of their sockets is ready; retry countdowns count GUI ticks only.
#pragma once

#include "gui/frame_pump.h"
#include "gui/gui_backdrop_window.h"
#include "update/download_queue.h"
#include "update/download_scheduler.h"

class GUIButton;

// Message ids of the window.
enum : int {
  kDownloadReportMessage = 9876,  // to the parent, for every transfer leaving the queue
  kDownloadErrorButtonMessage = 9877,
  kDownloadPassOnMessage = 9880,
};

constexpr int kStatusMessageSize = 256;

class DownloadWindow : public GUIDraggableBackdropWindow, public PumpSocketSource, public DownloadSchedulerClient {
 public:
  DownloadScheduler Downloads;
  char StatusMessage[kStatusMessageSize] = {};  // drawn while a digest pass runs
  unsigned char ShownForTransfer = 0;
  GUIButton* ErrorButton = nullptr;

  // Adds itself at the tail of parent's children, centred on it, hidden.
  // url: the base address ("\" becomes "/"); credential is copied and handed
  // to every transfer; destination is the directory files are stored in.
  DownloadWindow(GUIObject* parent, const char* url, TextureMap* texture, const char* credential,
                 const char* destination, TextureMap* errorButtonTexture);
  ~DownloadWindow() override;

  void Draw(int x, int y) override;
  void HandleTimerTick() override { Downloads.Tick(); }
  int HandleMessage(int msg, int a, int b, void* p, void* q) override;
  void LayoutChildren() override;

  void SetStatusMessage(const char* text);

  // PumpSocketSource: the running transfers' sockets.
  PumpWait PumpWaitItems(PlatPollItem* items, int capacity, int* count) override {
    return Downloads.WaitItems(items, capacity, count);
  }
  void PumpSocketReady() override { Downloads.Advance(); }

  // DownloadSchedulerClient: reports to the parent; shown while transfers run.
  void OnDownloadReport(int status, const char* errorText, const char* name) override;
  void OnDownloadActivity(bool active) override;
  void OnDownloadProgress() override { Redraw(); }
};
