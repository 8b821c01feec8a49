// The UI trace: with QUORVEL_UI_TRACE=FILE set, one line per event is
// appended to FILE so that tests, operators and support can follow a run.
// Every line starts with the milliseconds since the program started and one
// word; texts are in double quotes with C escapes; rectangles are x y w h in
// window coordinates:
//   123 state 9 StateBeginInstall
//   123 screen SplashScreen enabled
//   123 widget button "Install" 605 462 100 28 102
//   123 dialog "Confirmation Window" "Are you sure you want to uninstall?"
//   123 closed 115
//   123 report 2 "data\\x.dat" "Code 404, Not Found"
//   123 present
//   123 launch "/path/quorvel1451.exe"
//   123 end 0
// The Trace* functions do nothing when the variable is unset or empty. They
// may be called from any thread: each line is written whole, in one append,
// and the file is opened for each line, so it can be read while the program
// runs and nothing is lost when the program stops abruptly.
#pragma once

#include <string>

struct UiTraceRect {
  int x = 0, y = 0, w = 0, h = 0;
};

enum class UiWidgetKind { kButton, kToggle, kField, kDropdown };

// The text between double quotes: \\, \", \n, \r and \t as in C, other
// control bytes as three-digit octal escapes, everything else as it is.
std::string UiTraceQuote(const char* text);

// The lines without their trailing newline, for a given time stamp.
std::string UiTraceStateLine(long ms, int state, const char* name);
std::string UiTraceScreenLine(long ms, const char* screenClass, bool enabled);
std::string UiTraceWidgetLine(long ms, UiWidgetKind kind, const char* label, UiTraceRect rect, int message);
std::string UiTraceDialogLine(long ms, const char* title, const char* text);
std::string UiTraceClosedLine(long ms, int message);
// A null error text is written as "".
std::string UiTraceReportLine(long ms, int status, const char* name, const char* error);
std::string UiTracePresentLine(long ms);
std::string UiTraceLaunchLine(long ms, const char* path);
std::string UiTraceEndLine(long ms, int code);

// True when QUORVEL_UI_TRACE names a file. The variable is read at the first
// trace call and again after UiTraceReload.
bool UiTraceEnabled();
// Reads QUORVEL_UI_TRACE anew (for a program that sets it itself, and tests).
void UiTraceReload();
// Milliseconds since the program started.
long UiTraceMillis();

void TraceState(int state, const char* name);
void TraceScreen(const char* screenClass, bool enabled);
void TraceWidget(UiWidgetKind kind, const char* label, UiTraceRect rect, int message);
void TraceDialog(const char* title, const char* text);
void TraceClosed(int message);
void TraceReport(int status, const char* name, const char* error);
void TracePresent();
void TraceLaunch(const char* path);
void TraceEnd(int code);
