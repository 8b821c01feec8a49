// The program's entry and outermost control: WinMain, the window procedure
// through which every window message reaches the registered handlers, and
// the message pump for code that waits.
#pragma once

#include "foundation/program_globals.h"
#include "platform/window.h"

typedef int (*WindozeMessageHandler)(unsigned message, unsigned long wParam, long lParam);

constexpr int kMaxMessageHandlers = 10;
constexpr int kMaxArguments = 20;

extern WindozeMessageHandler MessageHandlers[kMaxMessageHandlers];
extern HWND WindowForMessageHandlers[kMaxMessageHandlers];
extern MSG CurrentMSG;
extern const char* IconResourceName;
extern int CustomWinWidth, CustomWinHeight;
extern int MainWindowWidth, MainWindowHeight, MainWindowLeft, MainWindowTop;
extern unsigned long MainWindowStyle;

// The process entry. The command line is one string split at spaces and tabs.
int WinMain(void* instance, void* prevInstance, const char* commandLine, int showFlag);
// The launcher's main routine, called by WinMain with argv[0] null.
int RealMain(int argc, char** argv);

long OurWindowProc(HWND window, unsigned message, unsigned long wParam, long lParam);
// A null window means the main window. Ends the program through Fail when all
// slots are taken.
void AddWindozeMessageHandler(WindozeMessageHandler handler, HWND window);
void RemoveWindozeMessageHandler(WindozeMessageHandler handler);

void SetMainWindowVars();
void MakeTheMainWindow();
// Takes and dispatches every pending message of the main window; with
// ProgramNeedsToSleep set it sleeps in WaitMessage until the flag clears.
void DoVeryOften();

// Reads "language.dat" from the current directory into LanguageString and
// LanguageTrack ("English" and 0 without the file).
void ReadLanguageDat();

// Splits a command line in place with strtok semantics (runs of spaces and
// tabs collapse) into argv[1..]; argv[0] is null and argv has
// kMaxArguments + 1 places. Returns the argument count (1 + tokens), or -1
// when there are more than kMaxArguments tokens.
int SplitCommandLine(char* buffer, char** argv);
