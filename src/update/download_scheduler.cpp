#include "update/download_scheduler.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "foundation/alloc.h"
#include "foundation/case_compare.h"
#include "gui/gui_object.h"
#include "transport/http_download.h"
#include "transport/transport_globals.h"

namespace {

constexpr int kAddressSize = 2048;
// The countdown's unit as the queue has always counted it; the program sets a
// wait of 0, so only the stored scale matters.
constexpr unsigned long kRetryTicksPerSecond = 7200;

void CopyBounded(char* to, const char* from, size_t size) {
  to[0] = 0;
  if (!from) return;
  std::strncpy(to, from, size - 1);
  to[size - 1] = 0;
}

void CopyUrl(char* to, const char* url) {
  CopyBounded(to, url, kDestUrlSize);
  for (char* c = to; *c; ++c)
    if (*c == '\\') *c = '/';
}

// Countdowns are ints: a wait beyond their range is the longest they hold.
int CountdownOf(unsigned long ticks) { return ticks > 0x7fffffffUL ? 0x7fffffff : static_cast<int>(ticks); }

bool Ended(int status) {
  return status == kDownloadFinished || status == kDownloadNotModified || status == kDownloadFailed;
}

}  // namespace

DownloadScheduler::DownloadScheduler(DownloadSchedulerClient* client, DownloadWindow* callbackWindow, const char* url,
                                     const char* credential, const char* destination)
    : client_(client), callback_window_(callbackWindow) {
  CopyUrl(DestUrl, url);
  Credential = credential ? GUIStrDup(credential) : nullptr;
  CopyBounded(DestinationDir, destination, kDestinationDirSize);
}

DownloadScheduler::~DownloadScheduler() {
  *alive_ = false;
  if (Credential) GRTFree(Credential);
  CancelAll();
}

void DownloadScheduler::SetDestinationDir(const char* directory) {
  CopyBounded(DestinationDir, directory, kDestinationDirSize);
}

void DownloadScheduler::SetDestUrl(const char* url) { CopyUrl(DestUrl, url); }

void DownloadScheduler::SetSecondsToWaitForDownloadRetry(unsigned long seconds) {
  RetryWaitTicks = seconds * kRetryTicksPerSecond;
  LowerRetryCountdowns(Queue, CountdownOf(RetryWaitTicks));
}

int DownloadScheduler::AddNewDownload(const char* name, DownloadCallback callback, void* argument, int downloadFlags,
                                      const unsigned char* digest, DownloadArgFree freeArg) {
  // A running file is still queued as far as callers are concerned: its
  // entry takes a further archive argument like a waiting one.
  if (name)
    for (RunningDownload& r : running_)
      if (CaseCompare(r.entry->Name, name) == 0) {
        DownloadFileQueueEntry* one = r.entry;
        return QueueDownload(one, false, name, callback, argument, freeArg, downloadFlags, digest) != nullptr;
      }
  return QueueDownload(Queue, false, name, callback, argument, freeArg, downloadFlags, digest) != nullptr;
}

void DownloadScheduler::Tick() {
  if (paused_) return;
  CountDownRetries(Queue);
  Advance();
}

void DownloadScheduler::Advance() {
  if (paused_ || Status == kDownloadWindowBusy || in_completion_) return;
  const int before = Progress();
  for (size_t i = 0; i < running_.size();) {
    RunningDownload& r = running_[i];
    Status = r.transfer->Update(r.percent);
    if (!Ended(Status)) {
      ++i;
      continue;
    }
    // The report may pause the rest (a question is up) or start a digest
    // pass; what ended meanwhile waits for the next turn.
    if (!EndTransfer(i, Status)) return;
    if (paused_ || Status == kDownloadWindowBusy) return;
  }
  StartTransfers();
  if (client_ && Progress() != before) client_->OnDownloadProgress();
}

void DownloadScheduler::StartTransfers() {
  const size_t limit = static_cast<size_t>(std::max(1, MaxConnections));
  while (running_.size() < limit && Queue && MayStartDownload(Queue)) {
    DownloadFileQueueEntry* entry = TakeHead(Queue);
    entry->Tried = 1;
    Status = kDownloadStarting;
    std::string address = DestUrl;
    if (address.size() + std::strlen(entry->Name) <= static_cast<size_t>(kAddressSize - 1)) address += entry->Name;
    else address = entry->Name;
    RunningDownload r;
    r.entry = entry;
    r.transfer =
        new FileDownload(address.c_str(), entry->Name, entry->DownloadFlags, Credential,
                         DestinationDir[0] ? DestinationDir : nullptr, entry->HasDigest ? entry->Digest : nullptr);
    running_.push_back(r);
    if (client_) client_->OnDownloadActivity(true);
    // A transfer whose set-up failed reports so at the next turn.
    Status = running_.back().transfer->Update(running_.back().percent);
  }
  if (running_.empty() && client_) client_->OnDownloadActivity(false);
}

bool DownloadScheduler::EndTransfer(size_t index, int status) {
  RunningDownload r = running_[index];
  running_.erase(running_.begin() + static_cast<std::ptrdiff_t>(index));
  std::shared_ptr<bool> alive = alive_;
  // The client may queue, pause or even destroy the scheduler from the
  // report or a callback: the name reported is a copy, and nothing of the
  // scheduler is touched once it is gone.
  char name[kQueueNameSize];
  std::strcpy(name, r.entry->Name);
  in_completion_ = true;
  if (status == kDownloadFailed) {
    std::string error = r.transfer->ErrorString() ? r.transfer->ErrorString() : "";
    r.transfer->Reset(1);
    delete r.transfer;
    r.entry->RetryCountdown = CountdownOf(RetryWaitTicks);
    AppendToQueue(Queue, r.entry);
    if (client_) client_->OnDownloadReport(status, error.c_str(), name);
    if (!*alive) return false;
    in_completion_ = false;
    return true;
  }
  r.transfer->Reset(1);
  delete r.transfer;
  // The finished entry has left the queue before it is reported: the client
  // queues the next list from the report.
  if (client_) client_->OnDownloadReport(status, nullptr, name);
  if (*alive && r.entry->Callback && status == kDownloadFinished) {
    if (!r.entry->Arguments) {
      r.entry->Callback(callback_window_, nullptr);
    } else {
      for (ArgNode* a = r.entry->Arguments; a && *alive; a = a->next) r.entry->Callback(callback_window_, a->Data);
    }
  }
  delete r.entry;
  if (!*alive) return false;
  in_completion_ = false;
  return true;
}

PumpWait DownloadScheduler::WaitItems(PlatPollItem* items, int capacity, int* count) {
  *count = 0;
  if (paused_ || Status == kDownloadWindowBusy || in_completion_) return PumpWait::kNothing;
  // A file queued while a slot is free starts at the pump's next turn rather
  // than at the next GUI tick, half a second away.
  const bool mayStart =
      Queue && MayStartDownload(Queue) && running_.size() < static_cast<size_t>(std::max(1, MaxConnections));
  if (mayStart) return PumpWait::kReadyNow;
  for (const RunningDownload& r : running_) {
    if (*count >= capacity) break;
    // A transfer that has ended, or has a step to take without the network,
    // is advanced at once.
    if (!r.transfer->WaitItem(&items[*count])) return PumpWait::kReadyNow;
    ++*count;
  }
  return *count ? PumpWait::kOnSocket : PumpWait::kNothing;
}

void DownloadScheduler::SetPaused(bool paused) {
  if (paused_ && !paused)
    for (RunningDownload& r : running_) r.transfer->RestartClocks();
  paused_ = paused ? 1 : 0;
}

void DownloadScheduler::CancelAll() {
  for (RunningDownload& r : running_) {
    r.transfer->Reset(1);
    delete r.transfer;
    delete r.entry;
  }
  running_.clear();
  FreeQueue(Queue);
}

int DownloadScheduler::Progress() const {
  if (running_.size() == 1) return running_[0].percent;
  long long got = 0, total = 0;
  for (const RunningDownload& r : running_) {
    const long long length = r.transfer->AnnouncedLength();
    if (length <= 0) continue;
    got += std::min(static_cast<long long>(r.transfer->Received()), length);
    total += length;
  }
  return total > 0 ? static_cast<int>(got * 100 / total) : 0;
}
