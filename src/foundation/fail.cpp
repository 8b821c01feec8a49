#include "foundation/fail.h"

#include <cstdarg>
#include <cstdio>

#include "foundation/log.h"
#include "foundation/runtime.h"

void Fail(const char* format, ...) {
  if (!format) PrintMessageAndExit(nullptr);
  char message[132];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  Log("%s", message);
  PrintMessageAndExit(message);
}
