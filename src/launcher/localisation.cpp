#include "launcher/localisation.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "foundation/case_compare.h"
#include "foundation/language_catalogue.h"
#include "foundation/mixed_string.h"
#include "launcher/launcher_globals.h"
#include "transport/file.h"
#include "transport/language_file.h"

namespace {
// The catalogue file as it is named in the directory: the exact name when it
// exists, else the first listed name equal to it without regard to case.
std::string FindCatalogue(const char* name) {
  std::string found = name;
  StrNode* list = FindMatchingFileNames(name, 0);
  bool exact = false;
  for (StrNode* n = list; n; n = n->next) exact |= std::strcmp(n->name, name) == 0;
  if (!exact) {
    for (StrNode* n = list; n; n = n->next) {
      if (CaseCompare(n->name, name) == 0) {
        found = n->name;
        break;
      }
    }
  }
  FreeStrNodeList(list);
  return found;
}
// The arguments a format's directives take, as (argument, letter) pairs in
// argument order, read as SNPrintF reads them; false for a format SNPrintF
// would refuse.
bool FormatArguments(const char* format, std::vector<std::pair<int, unsigned>>* out) {
  const char* p = format;
  int wide = 0, letters = 0;
  for (;;) {
    unsigned c = NextMixedChar(p, wide);
    if (c == 0) break;
    if (c != '%') continue;
    int slot = -1;
    for (;;) {
      c = NextMixedChar(p, wide);
      if (c == 0 || c == '%') break;  // a "%" at the end, or "%%"
      if ((c >= '0' && c <= '9') || c == '.') continue;
      if (c == '/') {
        unsigned n = NextMixedChar(p, wide);
        if (n >= '1' && n <= '9') slot = int(n - '1');
        else if (n != '.') return false;
        continue;
      }
      if (c != 'c' && c != 'd' && c != 's') return false;
      out->emplace_back(slot >= 0 ? slot : letters, c);
      ++letters;
      break;
    }
    if (c == 0) break;
  }
  std::sort(out->begin(), out->end());
  return true;
}
}  // namespace

const char* GetFormatString(const char* format) {
  const char* translated = GetString(format);
  if (!translated || translated == format) return format;
  std::vector<std::pair<int, unsigned>> wanted, given;
  if (!FormatArguments(format, &wanted) || !FormatArguments(translated, &given) || given != wanted) return format;
  return translated;
}

int LoadLanguageCatalogueOf(const char* language) {
  char name[kLanguageIdSize];
  std::snprintf(name, sizeof name, "%s.CAT", language);
  return OpenLanguageFile(FindCatalogue(name).c_str(), language);
}

int ReadLanguageChoice() {
  File file;
  if (!file.Open(kLanguageChoiceFile, 0)) return 0;
  char bytes[kLanguageIdSize + 1] = {};
  file.Read(bytes, 1, kLanguageIdSize);
  file.Close();
  // 32 bytes without a NUL: the name is cut, never left unterminated.
  std::snprintf(ZindleLanguageID, kLanguageIdSize, "%s", bytes);
  return LoadLanguageCatalogueOf(ZindleLanguageID);
}

int ChooseLanguage(const char* text) {
  std::snprintf(ZindleLanguageID, kLanguageIdSize, "%s", text ? text : "");
  WriteWholeFile(kLanguageChoiceFile, ZindleLanguageID, std::strlen(ZindleLanguageID) + 1);
  return LoadLanguageCatalogueOf(ZindleLanguageID);
}
