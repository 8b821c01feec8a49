#include "launcher/command_line.h"

#include <cstring>

int SplitCommandLine(char* buffer, char** argv) {
  int argc = 1;
  argv[0] = nullptr;
  char* save = nullptr;
  for (char* token = strtok_r(buffer, " \t", &save); token; token = strtok_r(nullptr, " \t", &save)) {
    if (argc > kMaxArguments) return -1;
    argv[argc++] = token;
  }
  for (int i = argc; i <= kMaxArguments; ++i) argv[i] = nullptr;
  return argc;
}
