// Reading the launcher's UI trace (QUORVEL_UI_TRACE): one line per event,
// "MS WORD FIELDS...", texts in double quotes with C escapes. Pure text
// functions; LauncherSession applies them to a running program's file.
#pragma once

#include <string>
#include <vector>

struct TraceLine {
  long ms = 0;
  std::string word;                 // "state", "screen", "widget", "dialog", "report", "launch", "end", ...
  std::vector<std::string> fields;  // the rest, quoted texts unescaped and unquoted
  std::string raw;                  // the line as written, without its newline
};

// A "widget" line: kind, label, rectangle in window coordinates, message.
struct TracedWidget {
  std::string kind, label;
  int x = 0, y = 0, w = 0, h = 0;
  int message = 0;
};

// Splits one line. False for a line that is not "MS WORD ..." or whose quotes
// do not close (a line still being written).
bool ParseTraceLine(const std::string& line, TraceLine* out);
bool ParseTraceWidget(const TraceLine& line, TracedWidget* out);

// Every complete line of a trace file's text; a last line without its
// newline is left out.
std::vector<TraceLine> ParseTraceText(const std::string& text);

// The widgets on the screen now: the widget lines after the most recent
// "screen ... enabled" or "dialog" line that has not been closed since.
std::vector<TracedWidget> CurrentWidgets(const std::vector<TraceLine>& lines);
