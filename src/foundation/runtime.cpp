#include "foundation/runtime.h"

#include <cstdio>
#include <cstdlib>

#include "foundation/log.h"

RuntimeFn init_fns[kMaxInitFns];
int n_inits;
RuntimeFn exit_fns[kMaxExitFns];
int n_atexits;

unsigned char Did_Inits;
unsigned char ProgramExiting;
unsigned char ProgramNeedsToSleep;
unsigned char Inside_SetJMP;
ProgramEnd ProgramEndStatus = ProgramEnd::kNormal;
HWND hMainWindow;

pthread_mutex_t global_lock = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;

namespace {
FatalMessageSink g_sink = nullptr;
FatalWindowHandling g_windowHandling = {nullptr, nullptr};

// The lists are fixed arrays filled during static construction, before
// anything could report a failure: one registration too many is a fault of
// the program itself and stops it at once rather than writing past the end.
void AddUnique(RuntimeFn* list, int& count, int capacity, const char* what, RuntimeFn fn) {
  for (int i = 0; i < count; ++i)
    if (list[i] == fn) return;
  if (count >= capacity) {
    std::fprintf(stderr, "More than %d %s functions are registered.\n", capacity, what);
    std::abort();
  }
  list[count++] = fn;
}

// With QUORVEL_EXIT_TRACE set, each exit function called is recorded as its
// list index, one line each, so tests of the real program can see that every
// function ran once and in order.
void TraceExit(int index) {
  const char* path = std::getenv("QUORVEL_EXIT_TRACE");
  if (!path || !*path) return;
  if (FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "exit %d\n", index);
    std::fclose(f);
  }
}
}  // namespace

void AddToInitializerList(RuntimeFn fn) { AddUnique(init_fns, n_inits, kMaxInitFns, "initialiser", fn); }
void AtExit(RuntimeFn fn) { AddUnique(exit_fns, n_atexits, kMaxExitFns, "exit", fn); }

void RunAllInitializers() {
  for (int i = 0; i < n_inits; ++i) {
    RuntimeFn fn = init_fns[i];
    if (!fn) continue;
    init_fns[i] = nullptr;
    Did_Inits = 1;
    fn();
  }
}

void CallAllExitFunctions() {
  for (int i = 0; i < n_atexits; ++i) {
    RuntimeFn fn = exit_fns[i];
    if (!fn) continue;
    exit_fns[i] = nullptr;
    TraceExit(i);
    fn();
  }
}

void SetFatalMessageSink(FatalMessageSink sink) { g_sink = sink; }

void SetFatalWindowHandling(const FatalWindowHandling& handling) { g_windowHandling = handling; }

void PrintMessageAndExit(const char* text) {
  ProgramExiting = 1;
  Log("exiting -- %s", text ? text : "(null)");
  if (text) {
    MarkProgramFailure();
    if (g_windowHandling.hideMainWindow) g_windowHandling.hideMainWindow();
    if (g_sink) g_sink(text);
    else if (g_windowHandling.showMessageBox) g_windowHandling.showMessageBox(text);
    else std::fprintf(stderr, "%s\n", text);
  }
  if (Did_Inits) CallAllExitFunctions();
  if (Inside_SetJMP) throw ProgramExit{};
  std::exit(static_cast<int>(ProgramEndStatus));
}

void OSSaysExitProgram() { PrintMessageAndExit(nullptr); }

void OS_ExitProgram() {
  ProgramExiting = 1;
  OSSaysExitProgram();
}

StartupRegistration::StartupRegistration(RuntimeFn init, RuntimeFn exit) {
  if (init) AddToInitializerList(init);
  if (exit) AtExit(exit);
}

void DLog(const char*, ...) {}
