// Shared between the platform's own files: one poll over sockets and other
// descriptors of the system. Nothing outside src/platform includes this.
#pragma once

#include "platform/sockets.h"

// Waits as PlatSocketPoll does, over items and also the descriptors fds
// (readable or hung up sets fdReady[i]). Returns the number of ready items
// (the descriptors not counted), or minus an error number.
int PlatPollSocketsAndDescriptors(PlatPollItem* items, int count, const int* fds, bool* fdReady, int fdCount,
                                  int timeoutMs);
