// Start-up shared by the fuzz targets whose code may end through Fail: the
// registered initialisers run once, the log stays off, and a fatal stop is
// silent and runs no exit functions, so the target can catch it and go on.
#pragma once

#include "foundation/log.h"
#include "foundation/runtime.h"

inline void PrepareFuzzRuntime() {
  LogEnabled = 0;
  RunAllInitializers();
  SetFatalMessageSink([](const char*) {});
  Did_Inits = 0;
}
