// The one start-up every fuzz target goes through, from its
// LLVMFuzzerInitialize: the registered initialisers run once, the log stays
// off, and a fatal stop is silent, runs no exit functions and unwinds by
// throwing ProgramExit (never std::exit, which would end the fuzzing run).
// A target whose code may end through Fail runs it inside FuzzUntilFail; in a
// target whose code cannot, a ProgramExit escapes and is reported as a crash.
#pragma once

#include "foundation/log.h"
#include "foundation/runtime.h"

inline void PrepareFuzzRuntime() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  LogEnabled = 0;
  RunAllInitializers();
  SetFatalMessageSink([](const char*) {});
  Did_Inits = 0;
  Inside_SetJMP = 1;
}

// Runs one input's work; a fatal stop is an expected outcome and leaves the
// runtime ready for the next input. Returns false if the work stopped so.
template <typename Work>
bool FuzzUntilFail(Work&& work) {
  try {
    work();
    return true;
  } catch (const ProgramExit&) {
    ProgramExiting = 0;
    return false;
  }
}

// Defines the LLVMFuzzerInitialize of a target that needs nothing beyond the
// shared start-up.
#define QUORVEL_FUZZ_STARTUP                           \
  extern "C" int LLVMFuzzerInitialize(int*, char***) { \
    PrepareFuzzRuntime();                              \
    return 0;                                          \
  }
