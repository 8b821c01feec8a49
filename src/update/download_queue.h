// The download window's queue of files to fetch, without any drawing: the
// entries, their callback arguments, and the list operations the window's
// scheduling is made of.
#pragma once

class DownloadWindow;

// Size of an entry's name, terminator included. Longer names are refused.
constexpr int kQueueNameSize = 1024;

// Run when a queued file has arrived new, once per argument.
typedef void (*DownloadCallback)(DownloadWindow* window, void* data);
// Frees a callback argument the queue owns; null for arguments it does not.
typedef void (*DownloadArgFree)(void* data);

// One callback argument. The queue frees Data with FreeData (when set) when
// the node is freed, so an argument stays valid for as long as its entry is
// queued, whatever happens to the structure it was taken from.
struct ArgNode {
  ArgNode* next = nullptr;
  void* Data = nullptr;
  DownloadArgFree FreeData = nullptr;
  ~ArgNode();
};

// One queued file; heap-allocated and owned by the queue. Freeing an entry
// frees its argument nodes.
struct DownloadFileQueueEntry {
  DownloadFileQueueEntry* next = nullptr;
  char Name[kQueueNameSize] = {};  // relative to the destination directory; appended to the base address
  DownloadCallback Callback = nullptr;
  ArgNode* Arguments = nullptr;
  int RetryCountdown = 0;   // ticks still to wait after a failure; see MayStartDownload
  unsigned char Tried = 0;  // a transfer of it has been started
  int DownloadFlags = 0;    // FileDownload option bits
  unsigned char HasDigest = 0;
  unsigned char Digest[16] = {};
  ~DownloadFileQueueEntry();
};

// Whether the entry may start now: a fresh entry at once, a failed one only
// once its countdown has gone negative (one tick at the least, so that a
// failing file is never retried in a tight loop).
inline bool MayStartDownload(const DownloadFileQueueEntry* e) { return !e->Tried || e->RetryCountdown < 0; }

// A queued entry whose Name equals name without regard to letter case, or null.
DownloadFileQueueEntry* FindQueuedDownload(DownloadFileQueueEntry* queue, const char* name);

// Queues name (the AddNewDownload rules):
// - an entry of the same name (any case) already queued: a non-null argument
//   is added at the head of its arguments when the name contains ".pig" and
//   no node holds the same Data already; the entry keeps its own callback.
// - otherwise a new entry (countdown 0) goes right behind the head when
//   running is set (a transfer of the head is under way), else it becomes the
//   head: the most recently queued files run first.
// An argument that is not kept is freed with freeArg at once (unless the
// entry holds that very argument already). Returns the
// entry, or null when name is empty or does not fit (kQueueNameSize).
DownloadFileQueueEntry* QueueDownload(DownloadFileQueueEntry*& queue, bool running, const char* name,
                                      DownloadCallback callback, void* argument, DownloadArgFree freeArg,
                                      int downloadFlags, const unsigned char* digest);

// Every entry's countdown goes down by one (it does not go below INT_MIN).
void CountDownRetries(DownloadFileQueueEntry* queue);
// Every entry whose countdown is at least limit gets limit.
void LowerRetryCountdowns(DownloadFileQueueEntry* queue, int limit);
// Appends entry (not linked anywhere) at the tail.
void AppendToQueue(DownloadFileQueueEntry*& queue, DownloadFileQueueEntry* entry);
// Unlinks the head and returns it (null for an empty queue).
DownloadFileQueueEntry* TakeHead(DownloadFileQueueEntry*& queue);
// Frees every entry.
void FreeQueue(DownloadFileQueueEntry*& queue);

// A heap copy of a text, freed with FreeArgText: the usual owned argument.
char* CopyArgText(const char* text);
void FreeArgText(void* text);
