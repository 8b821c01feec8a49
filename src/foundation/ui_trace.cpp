#include "foundation/ui_trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {
const std::chrono::steady_clock::time_point kStart = std::chrono::steady_clock::now();

std::mutex& TraceMutex() {
  static std::mutex m;
  return m;
}
// Guarded by TraceMutex.
bool g_loaded = false;
std::string g_path;

void LoadLocked() {
  const char* path = std::getenv("QUORVEL_UI_TRACE");
  g_path = path ? path : "";
  g_loaded = true;
}

void Append(const std::string& line) {
  std::lock_guard<std::mutex> lock(TraceMutex());
  if (!g_loaded) LoadLocked();
  if (g_path.empty()) return;
  FILE* f = std::fopen(g_path.c_str(), "ab");
  if (!f) return;
  std::string whole = line + "\n";
  std::fwrite(whole.data(), 1, whole.size(), f);
  std::fclose(f);
}

const char* WidgetKindWord(UiWidgetKind kind) {
  switch (kind) {
    case UiWidgetKind::kButton: return "button";
    case UiWidgetKind::kToggle: return "toggle";
    case UiWidgetKind::kField: return "field";
    case UiWidgetKind::kDropdown: return "dropdown";
  }
  return "button";
}

std::string Head(long ms, const char* word) { return std::to_string(ms) + " " + word; }
}  // namespace

std::string UiTraceQuote(const char* text) {
  std::string out = "\"";
  for (const char* s = text ? text : ""; *s; ++s) {
    unsigned char c = static_cast<unsigned char>(*s);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7f) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\%03o", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string UiTraceStateLine(long ms, int state, const char* name) {
  return Head(ms, "state") + " " + std::to_string(state) + " " + (name ? name : "");
}

std::string UiTraceScreenLine(long ms, const char* screenClass, bool enabled) {
  return Head(ms, "screen") + " " + (screenClass ? screenClass : "") + (enabled ? " enabled" : " disabled");
}

std::string UiTraceWidgetLine(long ms, UiWidgetKind kind, const char* label, UiTraceRect rect, int message) {
  return Head(ms, "widget") + " " + WidgetKindWord(kind) + " " + UiTraceQuote(label) + " " + std::to_string(rect.x) +
         " " + std::to_string(rect.y) + " " + std::to_string(rect.w) + " " + std::to_string(rect.h) + " " +
         std::to_string(message);
}

std::string UiTraceDialogLine(long ms, const char* title, const char* text) {
  return Head(ms, "dialog") + " " + UiTraceQuote(title) + " " + UiTraceQuote(text);
}

std::string UiTraceClosedLine(long ms, int message) { return Head(ms, "closed") + " " + std::to_string(message); }

std::string UiTraceReportLine(long ms, int status, const char* name, const char* error) {
  return Head(ms, "report") + " " + std::to_string(status) + " " + UiTraceQuote(name) + " " + UiTraceQuote(error);
}

std::string UiTracePresentLine(long ms) { return Head(ms, "present"); }

std::string UiTraceLaunchLine(long ms, const char* path) { return Head(ms, "launch") + " " + UiTraceQuote(path); }

std::string UiTraceEndLine(long ms, int code) { return Head(ms, "end") + " " + std::to_string(code); }

bool UiTraceEnabled() {
  std::lock_guard<std::mutex> lock(TraceMutex());
  if (!g_loaded) LoadLocked();
  return !g_path.empty();
}

void UiTraceReload() {
  std::lock_guard<std::mutex> lock(TraceMutex());
  LoadLocked();
}

long UiTraceMillis() {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - kStart).count());
}

// Each writer formats only when tracing, so an untraced run builds no text.
void TraceState(int state, const char* name) {
  if (UiTraceEnabled()) Append(UiTraceStateLine(UiTraceMillis(), state, name));
}
void TraceScreen(const char* screenClass, bool enabled) {
  if (UiTraceEnabled()) Append(UiTraceScreenLine(UiTraceMillis(), screenClass, enabled));
}
void TraceWidget(UiWidgetKind kind, const char* label, UiTraceRect rect, int message) {
  if (UiTraceEnabled()) Append(UiTraceWidgetLine(UiTraceMillis(), kind, label, rect, message));
}
void TraceDialog(const char* title, const char* text) {
  if (UiTraceEnabled()) Append(UiTraceDialogLine(UiTraceMillis(), title, text));
}
void TraceClosed(int message) {
  if (UiTraceEnabled()) Append(UiTraceClosedLine(UiTraceMillis(), message));
}
void TraceReport(int status, const char* name, const char* error) {
  if (UiTraceEnabled()) Append(UiTraceReportLine(UiTraceMillis(), status, name, error));
}
void TracePresent() {
  if (UiTraceEnabled()) Append(UiTracePresentLine(UiTraceMillis()));
}
void TraceLaunch(const char* path) {
  if (UiTraceEnabled()) Append(UiTraceLaunchLine(UiTraceMillis(), path));
}
void TraceEnd(int code) {
  if (UiTraceEnabled()) Append(UiTraceEndLine(UiTraceMillis(), code));
}
