// Wildcard search for file names, next to the pattern and on the CD path.
#include <cstring>
#include <string>
#include <vector>

#include "foundation/fail.h"
#include "foundation/log.h"
#include "platform/filesystem.h"
#include "transport/file.h"

namespace {
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Order of the list: by name without regard to case, then byte order.
int CompareNames(const char* a, const char* b) {
  const char* x = a;
  const char* y = b;
  while (*x && Lower(*x) == Lower(*y)) ++x, ++y;
  int c = static_cast<unsigned char>(Lower(*x)) - static_cast<unsigned char>(Lower(*y));
  return c ? c : std::strcmp(a, b);
}

// Inserts a copy of name in order; a name already there is not added again.
void AddSortedByName(StrNode*& list, const std::string& name) {
  StrNode** at = &list;
  while (*at) {
    int c = CompareNames((*at)->name, name.c_str());
    if (c == 0) return;
    if (c > 0) break;
    at = &(*at)->next;
  }
  StrNode* node = new StrNode;
  node->name = new char[name.size() + 1];
  std::memcpy(node->name, name.c_str(), name.size() + 1);
  node->next = *at;
  *at = node;
}

// Lists the names matching pattern's last component in its directory.
bool Scan(const std::string& pattern, StrNode*& list) {
  size_t slash = pattern.find_last_of("/\\");
  std::string directory = slash == std::string::npos ? "" : pattern.substr(0, slash + 1);
  std::string wildcard = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  std::vector<std::string> names;
  if (!PlatListDirectory(directory, names)) return false;
  for (const std::string& name : names) {
    if (!WildcardMatch(wildcard.c_str(), name.c_str())) continue;
    Log("found %s", name.c_str());
    AddSortedByName(list, name);
  }
  return true;
}
}  // namespace

bool WildcardMatch(const char* pattern, const char* name) {
  // Greedy matching with one back-tracking point: the last "*" seen.
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name) {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern && (*pattern == '?' || Lower(*pattern) == Lower(*name))) {
      ++pattern;
      ++name;
    } else if (star) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == 0;
}

void FreeStrNodeList(StrNode* list) {
  while (list) {
    StrNode* next = list->next;
    delete[] list->name;
    delete list;
    list = next;
  }
}

StrNode* FindMatchingFileNames(const char* pattern, unsigned char mustExist) {
  StrNode* list = nullptr;
  Scan(pattern, list);
  // With no CD path the second scan would only repeat the first.
  const char* cdPath = CurrentCDPath();
  if (*cdPath && !Scan(std::string(cdPath) + pattern, list) && mustExist) {
    FreeStrNodeList(list);
    Fail("Error scanning directory. Is the proper CD in the drive?");
  }
  return list;
}
