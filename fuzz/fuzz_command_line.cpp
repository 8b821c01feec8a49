// The launcher's command line on arbitrary text: the in-place split into
// argv and the switches read from it, and the link-argument split that
// shortcuts and program starts share. Arguments must be non-empty pieces of
// the buffer without blanks, within the argument limit, and the split of the
// link arguments can never grow the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_runtime.h"
#include "launcher/command_line.h"
#include "launcher/command_line_switches.h"
#include "platform/desktop_entry.h"

QUORVEL_FUZZ_STARTUP

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The command line arrives as one terminated string.
  std::vector<char> buffer(data, data + size);
  buffer.push_back('\0');
  const size_t length = std::strlen(buffer.data());
  char* argv[kMaxArguments + 1];
  const int argc = SplitCommandLine(buffer.data(), argv);
  if (argc == -1) {
    // Counted on the input: the split has cut the buffer.
    size_t tokens = 0;
    for (size_t i = 0; i < length; ++i)
      tokens += data[i] != ' ' && data[i] != '\t' && (i == 0 || data[i - 1] == ' ' || data[i - 1] == '\t');
    if (tokens <= static_cast<size_t>(kMaxArguments)) abort();
    return 0;
  }
  if (argc < 1 || argc > kMaxArguments + 1 || argv[0] != nullptr) abort();
  for (int i = 1; i <= kMaxArguments; ++i) {
    if (i >= argc) {
      if (argv[i] != nullptr) abort();
      continue;
    }
    if (argv[i] < buffer.data() || argv[i] >= buffer.data() + length) abort();
    const size_t n = std::strlen(argv[i]);
    if (n == 0 || std::strpbrk(argv[i], " \t")) abort();
  }
  const CommandLineSwitches switches = ParseCommandLineSwitches(argc, argv);
  // Only arguments beginning with '-' set switches.
  if ((switches.automatic || switches.doNotLaunch || switches.alternateServer || switches.shortInstall ||
       switches.uninstall) &&
      (argc < 2 || argv[1][0] != '-'))
    abort();

  const std::string_view text(reinterpret_cast<const char*>(data), size);
  size_t total = 0;
  for (const std::string& a : SplitCommandLine(text)) total += a.size();
  if (total > size) abort();
  return 0;
}
