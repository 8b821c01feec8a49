#include "transport/language_file.h"

#include <vector>

#include "foundation/language_catalogue.h"
#include "transport/file.h"

int OpenLanguageFile(const char* fileName, const char* languageName) {
  FreeHashList();
  File file;
  if (!file.Open(fileName)) return 0;
  const long long length = file.FileLength();
  if (length < 0 || length > kMaxLanguageFileBytes) return 0;
  std::vector<char> data(static_cast<size_t>(length) + 1);
  unsigned got = length ? file.Read(data.data(), 1, static_cast<unsigned>(length)) : 0;
  return LoadLanguageCatalogue(data.data(), got, languageName);
}
