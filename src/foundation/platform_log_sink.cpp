// Sends the platform layer's diagnostics to the program's log as well as to
// standard error (the launcher runs with its log off, and a support person
// reading a terminal should still see that a settings file was damaged).
#include <cstdio>

#include "foundation/log.h"
#include "foundation/runtime.h"
#include "platform/platform_log.h"

namespace {
void ToLog(const char* line) {
  Log("%s", line);
  std::fprintf(stderr, "%s\n", line);
}

void InitPlatformLogSink() { SetPlatLogSink(&ToLog); }
void ExitPlatformLogSink() { SetPlatLogSink(nullptr); }

StartupRegistration reg(InitPlatformLogSink, ExitPlatformLogSink);
}  // namespace
