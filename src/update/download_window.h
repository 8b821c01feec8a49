// DownloadWindow: the update engine's transfer scheduler and the small panel
// that shows the running transfer. It runs one FileDownload at a time from
// its queue, retries failed transfers behind the others, calls the completion
// callback of each file that arrives new, and reports every transfer that
// leaves the queue to its parent as message 9876:
//   parent->HandleMessage(9876, status, 0, p, name)
// with status 0 (fetched), 2 (failed) or 4 (unchanged on the server), name
// the entry's Name, and p the window for 0 and 4, or the transfer's error
// text for 2 (valid during the call only). The report comes before the
// callback, so the parent can queue follow-up files first.
//
// Besides the GUI tick, the frame pump advances the running transfer
// whenever its socket is ready (AdvanceTransfer); retry countdowns count GUI
// ticks only.
#pragma once

#include "gui/frame_pump.h"
#include "gui/gui_backdrop_window.h"
#include "update/download_queue.h"

class FileDownload;
class GUIButton;

// Message ids of the window.
enum : int {
  kDownloadReportMessage = 9876,  // to the parent, for every transfer leaving the queue
  kDownloadErrorButtonMessage = 9877,
  kDownloadPassOnMessage = 9880,
};

// Values of Status besides the transfer results (0 to 4).
enum : int {
  kDownloadStarting = 5,
  kDownloadWindowBusy = 1000,  // a digest pass runs: nothing is started or advanced
  kDownloadWindowIdle = 1001,  // the digest pass has ended
};

constexpr int kDestUrlSize = 100;
constexpr int kDestinationDirSize = 260;
constexpr int kStatusMessageSize = 256;

class DownloadWindow : public GUIDraggableBackdropWindow, public PumpSocketSource {
 public:
  char DestUrl[kDestUrlSize] = {};
  int Progress = 0;
  int Status = 0;
  unsigned long RetryWaitTicks = 3600;
  FileDownload* Current = nullptr;
  DownloadFileQueueEntry* Queue = nullptr;
  char* Credential = nullptr;
  char DestinationDir[kDestinationDirSize] = {};
  char StatusMessage[kStatusMessageSize] = {};
  unsigned char Paused = 0;
  unsigned char ShownForTransfer = 0;
  GUIButton* ErrorButton = nullptr;

  // Adds itself at the tail of parent's children, centred on it, hidden.
  // url: the base address ("\" becomes "/"); credential is copied and handed
  // to every transfer; destination is the directory files are stored in.
  DownloadWindow(GUIObject* parent, const char* url, TextureMap* texture, const char* credential,
                 const char* destination, TextureMap* errorButtonTexture);
  ~DownloadWindow() override;

  void Draw(int x, int y) override;
  void HandleTimerTick() override;
  int HandleMessage(int msg, int a, int b, void* p, void* q) override;
  void LayoutChildren() override;

  void SetDestinationDir(const char* directory);
  void SetDestUrl(const char* url);
  // RetryWaitTicks = seconds x 7200; queued countdowns above it are lowered.
  void SetSecondsToWaitForDownloadRetry(unsigned long seconds);
  void SetStatusMessage(const char* text);

  // Queues a file (see QueueDownload for the rules). argument is freed with
  // freeArg when the queue lets go of it (null: the caller keeps it valid).
  // Returns 0 when the name was refused (empty, or too long for an entry).
  int AddNewDownload(const char* name, DownloadCallback callback, void* argument, int downloadFlags,
                     const unsigned char* digest, DownloadArgFree freeArg = nullptr);
  void StartNextDownload();
  // The transfer step of HandleTimerTick without the countdowns: the frame
  // pump calls it when the running transfer's socket is ready.
  void AdvanceTransfer();

  // PumpSocketSource: the running transfer's socket, or at once when the
  // window is idle and the queue's head may start.
  PumpWait PumpWaitItem(PlatPollItem* item) override;
  void PumpSocketReady() override { AdvanceTransfer(); }

 private:
  void FinishCurrent();
  void Report(int status, void* p, const char* name);
};
