#include "launcher/language_dat.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/program_globals.h"

void ReadLanguageDat() {
  std::strcpy(LanguageString, "English");
  LanguageTrack = 0;
  FILE* f = std::fopen("language.dat", "r");
  if (!f) return;
  // Whole lines, read as text: a carriage return (a file written on
  // Windows) is not part of the value, and a first line of exactly 19
  // characters does not push the number into a third read.
  auto readLine = [f](std::string* line) {
    line->clear();
    int c;
    while ((c = std::fgetc(f)) != EOF && c != '\n')
      if (c != '\r') line->push_back(char(c));
    return c != EOF || !line->empty();
  };
  std::string name, track;
  if (readLine(&name)) {
    std::snprintf(LanguageString, sizeof LanguageString, "%s", name.c_str());
    LanguageTrack = readLine(&track) ? std::atoi(track.substr(0, 9).c_str()) : 0;
  }
  std::fclose(f);
}
