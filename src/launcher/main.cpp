// The POSIX entry: the arguments are joined into one command line, as the
// program receives it on Windows, and handed to WinMain. WinMain's own
// result is 1 after every end; a POSIX parent is told instead 0 for a normal
// end and 1 for a failure.
#include <string>

#include "foundation/runtime.h"
#include "launcher/os.h"

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  WinMain(nullptr, nullptr, commandLine.c_str(), 1);
  return static_cast<int>(ProgramEndStatus);
}
