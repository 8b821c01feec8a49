// The process runtime: initialiser and exit lists, the program window handle,
// the process-wide lock and the orderly stop of the program.
//
// The program ends only through PrintMessageAndExit (directly, or through
// Fail). While the initialisers and the main routine run (Inside_SetJMP set),
// it unwinds to the shutdown point by throwing ProgramExit, which only the
// program's entry (and the tool's and the tests' equivalents) catch, so that
// destructors run on the way.
#pragma once

#include "platform/mutex.h"
#include "platform/window.h"

typedef void (*RuntimeFn)();

constexpr int kMaxInitFns = 40;
constexpr int kMaxExitFns = 40;

extern RuntimeFn init_fns[kMaxInitFns];
extern int n_inits;
extern RuntimeFn exit_fns[kMaxExitFns];
extern int n_atexits;

extern unsigned char Did_Inits;
extern unsigned char ProgramExiting;
extern unsigned char ProgramNeedsToSleep;
extern unsigned char Inside_SetJMP;
extern HWND hMainWindow;

// The process-wide lock taken by the allocator and the connection layer. It is
// recursive, so code holding it may allocate.
extern pthread_mutex_t global_lock;

// Appends to the initialiser / exit list unless the function is already there.
void AddToInitializerList(RuntimeFn fn);
void AtExit(RuntimeFn fn);

// Walks the initialiser list: each non-null entry is cleared, Did_Inits set,
// and the entry called; the count is re-read on every step.
void RunAllInitializers();
// Walks the exit list in registration order the same way, so each function
// runs once however often this is called.
void CallAllExitFunctions();

// How the run ended, for the exit status a POSIX parent sees (the Win32
// entry returns 1 after every end). A stop with a message, a refused command
// line and a warning that ends the program after an error are failures;
// everything else, the launch of the game included, is a normal end.
enum class ProgramEnd : unsigned char { kNormal = 0, kFailure = 1 };
extern ProgramEnd ProgramEndStatus;
inline void MarkProgramFailure() { ProgramEndStatus = ProgramEnd::kFailure; }

// Thrown by PrintMessageAndExit to unwind to the shutdown point.
struct ProgramExit {};

// The orderly fatal stop; a null text stops without a message box and
// counts as a normal end.
[[noreturn]] void PrintMessageAndExit(const char* text);
[[noreturn]] void OSSaysExitProgram();
[[noreturn]] void OS_ExitProgram();

// Where PrintMessageAndExit shows its text. Null (the default) means the
// window handling's message box; the command-line tool and the tests put
// their own sink here.
typedef void (*FatalMessageSink)(const char* text);
void SetFatalMessageSink(FatalMessageSink sink);

// What a program with a window does on a fatal stop with a text: the main
// window is hidden (whatever the sink), then, with no sink set, the text is
// shown in a message box. foundation/fatal_window.cpp installs it before main
// in every program that takes the layers whole, so the runtime itself calls
// nothing of the window system; without it (quorvel-tool) the text goes to
// standard error.
struct FatalWindowHandling {
  void (*hideMainWindow)();
  void (*showMessageBox)(const char* text);
};
void SetFatalWindowHandling(const FatalWindowHandling& handling);

// Registers an initialiser and/or an exit function from a static object's
// constructor: `static StartupRegistration reg(InitFoo, CleanupFoo);`
struct StartupRegistration {
  explicit StartupRegistration(RuntimeFn init, RuntimeFn exit = nullptr);
};

// The debug log: does nothing in this program.
void DLog(const char* format, ...);
