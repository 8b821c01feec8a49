// Loading a language catalogue from a file through the file layer.
#pragma once

// Discards the current catalogue and loads the translations for languageName
// from fileName (read whole through File, so a compressed catalogue works
// too). Returns 1 on success; 0 when the file cannot be opened, is larger
// than kMaxLanguageFileBytes, or does not list the language, and then no
// catalogue is left and every text shows in English.
int OpenLanguageFile(const char* fileName, const char* languageName);

constexpr long kMaxLanguageFileBytes = 64L * 1024 * 1024;
