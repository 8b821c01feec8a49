#include "support/fatal.h"

#include "foundation/runtime.h"

namespace {
std::string g_lastFatal;
void Capture(const char* text) { g_lastFatal = text; }
}  // namespace

std::optional<std::string> CatchFatal(const std::function<void()>& fn) {
  unsigned char savedInside = Inside_SetJMP, savedInits = Did_Inits;
  Inside_SetJMP = 1;
  Did_Inits = 0;
  g_lastFatal.clear();
  SetFatalMessageSink(Capture);
  std::optional<std::string> result;
  try {
    fn();
  } catch (const ProgramExit&) {
    result = g_lastFatal;
  }
  ProgramExiting = 0;
  Inside_SetJMP = savedInside;
  Did_Inits = savedInits;
  return result;
}
