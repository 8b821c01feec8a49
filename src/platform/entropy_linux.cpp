#include <errno.h>
#include <sys/random.h>

#include "platform/entropy.h"

int PlatGetEntropy(void* buffer, size_t count) {
  unsigned char* out = static_cast<unsigned char*>(buffer);
  while (count > 0) {
    ssize_t got = getrandom(out, count, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return 0;
    }
    out += got;
    count -= static_cast<size_t>(got);
  }
  return 1;
}
