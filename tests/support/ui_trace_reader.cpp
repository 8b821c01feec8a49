#include "support/ui_trace_reader.h"

#include <cstdlib>
#include <utility>

namespace {

// Reads a quoted text starting at line[i] == '"'; i ends past the closing quote.
bool ReadQuoted(const std::string& line, size_t& i, std::string* out) {
  ++i;
  while (i < line.size()) {
    char c = line[i++];
    if (c == '"') return true;
    if (c == '\\' && i < line.size()) {
      char e = line[i++];
      if (e >= '0' && e <= '7') {  // three octal digits for other control bytes
        int value = e - '0';
        for (int k = 0; k < 2 && i < line.size() && line[i] >= '0' && line[i] <= '7'; ++k)
          value = value * 8 + (line[i++] - '0');
        *out += static_cast<char>(value);
        continue;
      }
      *out += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
      continue;
    }
    *out += c;
  }
  return false;
}

bool ToInt(const std::string& text, int* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (*end) return false;
  *out = static_cast<int>(v);
  return true;
}

}  // namespace

bool ParseTraceLine(const std::string& line, TraceLine* out) {
  TraceLine result;
  result.raw = line;
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ') {
      ++i;
      continue;
    }
    std::string part;
    if (line[i] == '"') {
      if (!ReadQuoted(line, i, &part)) return false;
    } else {
      while (i < line.size() && line[i] != ' ') part += line[i++];
    }
    parts.push_back(std::move(part));
  }
  if (parts.size() < 2) return false;
  char* end = nullptr;
  result.ms = std::strtol(parts[0].c_str(), &end, 10);
  if (*end || parts[0].empty()) return false;
  result.word = parts[1];
  result.fields.assign(parts.begin() + 2, parts.end());
  *out = std::move(result);
  return true;
}

bool ParseTraceWidget(const TraceLine& line, TracedWidget* out) {
  if (line.word != "widget" || line.fields.size() != 7) return false;
  TracedWidget w;
  w.kind = line.fields[0];
  w.label = line.fields[1];
  if (!ToInt(line.fields[2], &w.x) || !ToInt(line.fields[3], &w.y) || !ToInt(line.fields[4], &w.w) ||
      !ToInt(line.fields[5], &w.h) || !ToInt(line.fields[6], &w.message))
    return false;
  *out = std::move(w);
  return true;
}

std::vector<TraceLine> ParseTraceText(const std::string& text) {
  std::vector<TraceLine> lines;
  size_t start = 0;
  for (size_t nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', start)) {
    TraceLine line;
    if (ParseTraceLine(text.substr(start, nl - start), &line)) lines.push_back(std::move(line));
    start = nl + 1;
  }
  return lines;
}

std::vector<TracedWidget> CurrentWidgets(const std::vector<TraceLine>& lines) {
  // Enabled screens in the order they were enabled, each with its widgets;
  // open dialogs as a stack over them.
  std::vector<std::pair<std::string, std::vector<TracedWidget>>> screens;
  std::vector<std::vector<TracedWidget>> dialogs;
  std::vector<TracedWidget>* filling = nullptr;
  for (const TraceLine& line : lines) {
    if (line.word == "screen" && line.fields.size() == 2) {
      for (size_t i = 0; i < screens.size(); ++i) {
        if (screens[i].first == line.fields[0]) {
          screens.erase(screens.begin() + static_cast<long>(i));
          break;
        }
      }
      filling = nullptr;
      if (line.fields[1] == "enabled") {
        screens.emplace_back(line.fields[0], std::vector<TracedWidget>{});
        filling = &screens.back().second;
      }
    } else if (line.word == "dialog") {
      dialogs.emplace_back();
      filling = &dialogs.back();
    } else if (line.word == "closed") {
      if (!dialogs.empty()) dialogs.pop_back();
      filling = nullptr;
    } else if (line.word == "widget") {
      TracedWidget w;
      if (filling && ParseTraceWidget(line, &w)) filling->push_back(std::move(w));
    } else {
      filling = nullptr;
    }
  }
  if (!dialogs.empty()) return dialogs.back();
  std::vector<TracedWidget> widgets;
  for (auto it = screens.rbegin(); it != screens.rend(); ++it)
    widgets.insert(widgets.end(), it->second.begin(), it->second.end());
  return widgets;
}
