// DownloadScheduler: the update engine's transfers without any drawing. It
// owns the queue of files to fetch and the transfers running from it (up to
// MaxConnections at once), retries a failed file behind the others, calls the
// completion callback of each file that arrives new, and hands every transfer
// that leaves the queue to its client as a report, in the order the transfers
// end. The download window owns one and draws its state; tests drive one
// with no window at all.
//
// A report comes before the callback, so the client can queue follow-up
// files first. Status values of a report: 0 (fetched), 2 (failed, with the
// transfer's error text) or 4 (unchanged on the server).
//
// Single-threaded: everything runs on the GUI thread. While a report or a
// callback runs, no transfer is advanced, started or ended: a callback that
// pumps messages cannot end another file inside its own completion. The
// client may pause, cancel or destroy the scheduler from a report or a
// callback.
#pragma once

#include <memory>
#include <vector>

#include "gui/frame_pump.h"
#include "update/download_queue.h"

class FileDownload;

// Values of Status besides the transfer results (0 to 4).
enum : int {
  kDownloadStarting = 5,
  kDownloadWindowBusy = 1000,  // a digest pass runs: nothing is started or advanced
  kDownloadWindowIdle = 1001,  // the digest pass has ended
};

constexpr int kDestUrlSize = 100;
constexpr int kDestinationDirSize = 260;

// What the scheduler tells the one that shows it.
class DownloadSchedulerClient {
 public:
  // A file left the queue. p: the error text for status 2 (valid during the
  // call only), else null. name: the entry's Name (a copy).
  virtual void OnDownloadReport(int status, const char* errorText, const char* name) = 0;
  // A transfer is starting (active) or none runs and none can start yet.
  virtual void OnDownloadActivity(bool active) = 0;
  // The shown percentage changed.
  virtual void OnDownloadProgress() = 0;

 protected:
  ~DownloadSchedulerClient() = default;
};

// One running transfer and the entry it fetches; both owned by the scheduler.
struct RunningDownload {
  DownloadFileQueueEntry* entry = nullptr;
  FileDownload* transfer = nullptr;
  int percent = 0;
};

class DownloadScheduler {
 public:
  char DestUrl[kDestUrlSize] = {};                // base address; "\" turned into "/"
  char DestinationDir[kDestinationDirSize] = {};  // where files are stored; empty: none
  char* Credential = nullptr;                     // owned copy, handed to every transfer
  unsigned long RetryWaitTicks = 3600;            // countdown a failed entry is given
  DownloadFileQueueEntry* Queue = nullptr;        // the files waiting to start, next first
  int Status = 0;                                 // last transfer result, or busy/idle

  // client receives reports and may be null; callbackWindow is what the
  // completion callbacks are given (null when there is no window).
  DownloadScheduler(DownloadSchedulerClient* client, DownloadWindow* callbackWindow, const char* url,
                    const char* credential, const char* destination);
  // Resets every running transfer (a resumable body stays as a leftover for
  // the next run) and frees the queue.
  ~DownloadScheduler();
  DownloadScheduler(const DownloadScheduler&) = delete;
  DownloadScheduler& operator=(const DownloadScheduler&) = delete;

  void SetDestinationDir(const char* directory);
  void SetDestUrl(const char* url);
  // RetryWaitTicks = seconds x 7200; queued countdowns above it are lowered.
  void SetSecondsToWaitForDownloadRetry(unsigned long seconds);

  // Queues a file: a name already queued or running (any case) takes only a
  // ".pig" argument (see QueueDownload); a new one is the next to start.
  // argument is freed with freeArg when the queue lets go of it. Returns 0
  // when the name was refused (empty, or too long for an entry).
  int AddNewDownload(const char* name, DownloadCallback callback, void* argument, int downloadFlags,
                     const unsigned char* digest, DownloadArgFree freeArg = nullptr);

  // The GUI tick: countdowns move, then Advance. Nothing while paused.
  void Tick();
  // Advances every running transfer, ends those that have ended, and starts
  // queued files while fewer than MaxConnections run. Nothing while paused,
  // busy, or inside a report or callback.
  void Advance();
  // What the frame pump waits on: the running transfers' sockets (up to
  // capacity, *count of them), or at once when one has a step to take or a
  // queued file may start.
  PumpWait WaitItems(PlatPollItem* items, int capacity, int* count);

  // Pausing: running transfers keep their connections but are not advanced.
  // Resuming restarts their clocks, so the player's time spent answering is
  // not taken for a stalled server.
  void SetPaused(bool paused);
  bool Paused() const { return paused_ != 0; }
  // Stops every running transfer (leftovers stay for the next run) and
  // empties the queue.
  void CancelAll();

  // Something is queued or running.
  bool Pending() const { return Queue || !running_.empty(); }
  const std::vector<RunningDownload>& Running() const { return running_; }
  // The percentage shown: the one transfer's own, or the bytes of every
  // running transfer over their announced lengths.
  int Progress() const;

 private:
  void StartTransfers();
  // Reports and completes running_[index], which has ended with status.
  // False when the scheduler is gone.
  bool EndTransfer(size_t index, int status);

  DownloadSchedulerClient* client_;
  DownloadWindow* callback_window_;
  std::vector<RunningDownload> running_;
  unsigned char paused_ = 0;  // set: nothing moves, not even countdowns
  bool in_completion_ = false;
  // Cleared by the destructor: a report or callback that destroyed the
  // scheduler is noticed by the code that called it.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
