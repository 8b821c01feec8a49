#include "platform/platform_log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace {
std::atomic<PlatLogSink> gSink{nullptr};
}

void SetPlatLogSink(PlatLogSink sink) { gSink.store(sink); }

void PlatLog(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (PlatLogSink sink = gSink.load()) {
    sink(line);
  } else {
    std::fprintf(stderr, "%s\n", line);
  }
}
