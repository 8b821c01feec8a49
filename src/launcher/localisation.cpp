#include "launcher/localisation.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/case_compare.h"
#include "foundation/language_catalogue.h"
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
}  // namespace

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
