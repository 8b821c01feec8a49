// The POSIX entry: the arguments are joined into one command line, as the
// program receives it on Windows, and handed to WinMain.
#include <string>

#include "launcher/os.h"

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  return WinMain(nullptr, nullptr, commandLine.c_str(), 1);
}
