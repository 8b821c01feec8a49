#include "update/download_queue.h"

#include <climits>
#include <cstring>

#include "foundation/alloc.h"
#include "foundation/case_compare.h"
#include "foundation/intrusive_list.h"

ArgNode::~ArgNode() {
  if (FreeData && Data) FreeData(Data);
}

DownloadFileQueueEntry::~DownloadFileQueueEntry() { WipeList(Arguments); }

DownloadFileQueueEntry* FindQueuedDownload(DownloadFileQueueEntry* queue, const char* name) {
  for (DownloadFileQueueEntry* e = queue; e; e = e->next)
    if (CaseCompare(e->Name, name) == 0) return e;
  return nullptr;
}

DownloadFileQueueEntry* QueueDownload(DownloadFileQueueEntry*& queue, bool running, const char* name,
                                      DownloadCallback callback, void* argument, DownloadArgFree freeArg,
                                      int downloadFlags, const unsigned char* digest) {
  auto drop = [&] {
    if (argument && freeArg) freeArg(argument);
  };
  if (!name || !*name || std::strlen(name) >= static_cast<size_t>(kQueueNameSize)) {
    drop();
    return nullptr;
  }
  if (DownloadFileQueueEntry* found = FindQueuedDownload(queue, name)) {
    // The same argument again is the one the entry already owns: freeing it
    // here would leave the entry holding freed memory.
    for (ArgNode* a = found->Arguments; a; a = a->next)
      if (argument && a->Data == argument) return found;
    if (!argument || !std::strstr(name, ".pig")) {
      drop();
      return found;
    }
    ArgNode* node = new ArgNode;
    node->Data = argument;
    node->FreeData = freeArg;
    node->next = found->Arguments;
    found->Arguments = node;
    return found;
  }
  DownloadFileQueueEntry* entry = new DownloadFileQueueEntry;
  std::strcpy(entry->Name, name);
  entry->Callback = callback;
  if (argument) {
    entry->Arguments = new ArgNode;
    entry->Arguments->Data = argument;
    entry->Arguments->FreeData = freeArg;
  }
  entry->RetryCountdown = 0;
  entry->DownloadFlags = downloadFlags;
  if (digest) {
    entry->HasDigest = 1;
    std::memcpy(entry->Digest, digest, sizeof entry->Digest);
  }
  if (running && queue) {
    entry->next = queue->next;
    queue->next = entry;
  } else {
    entry->next = queue;
    queue = entry;
  }
  return entry;
}

void CountDownRetries(DownloadFileQueueEntry* queue) {
  for (DownloadFileQueueEntry* e = queue; e; e = e->next)
    if (e->RetryCountdown > INT_MIN) --e->RetryCountdown;
}

void LowerRetryCountdowns(DownloadFileQueueEntry* queue, int limit) {
  for (DownloadFileQueueEntry* e = queue; e; e = e->next)
    if (e->RetryCountdown >= limit) e->RetryCountdown = limit;
}

void AppendToQueue(DownloadFileQueueEntry*& queue, DownloadFileQueueEntry* entry) {
  entry->next = nullptr;
  AddToEnd(queue, entry);
}

DownloadFileQueueEntry* TakeHead(DownloadFileQueueEntry*& queue) {
  DownloadFileQueueEntry* head = queue;
  if (head) {
    queue = head->next;
    head->next = nullptr;
  }
  return head;
}

void FreeQueue(DownloadFileQueueEntry*& queue) { WipeList(queue); }

char* CopyArgText(const char* text) {
  size_t n = std::strlen(text) + 1;
  char* copy = static_cast<char*>(MustAlloc(n));
  std::memcpy(copy, text, n);
  return copy;
}

void FreeArgText(void* text) { GRTFree(text); }
