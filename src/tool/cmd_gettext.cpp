// quorvel-tool gettext CATALOGUE LANGUAGE TEXT: the translation of TEXT as the
// launcher would show it, on one line. Wide text is written as UTF-8; narrow
// characters are taken as the 8-bit code points they stand for.
#include <cstdio>
#include <string>

#include "foundation/language_catalogue.h"
#include "foundation/mixed_string.h"
#include "tool/tool_command.h"
#include "transport/language_file.h"

namespace {
void AppendUtf8(std::string& out, unsigned cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes a mixed-width string to UTF-8; 16-bit surrogate pairs are joined,
// a lone surrogate becomes U+FFFD.
std::string ToUtf8(const char* text) {
  std::string out;
  const char* p = text;
  int wide = 0;
  unsigned pendingHigh = 0;
  for (;;) {
    unsigned c = NextMixedChar(p, wide);
    if (pendingHigh) {
      if (c >= 0xDC00 && c <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((pendingHigh - 0xD800) << 10) + (c - 0xDC00));
        pendingHigh = 0;
        continue;
      }
      AppendUtf8(out, 0xFFFD);
      pendingHigh = 0;
    }
    if (c == 0) break;
    if (c >= 0xD800 && c <= 0xDBFF) pendingHigh = c;
    else if (c >= 0xDC00 && c <= 0xDFFF) AppendUtf8(out, 0xFFFD);
    else AppendUtf8(out, c);
  }
  return out;
}

int Run(int argc, char** argv);
const ToolCommand kCommand = {"gettext", "gettext CATALOGUE LANGUAGE TEXT",
                              "print the translation of TEXT as the launcher shows it", Run};
ToolCommandRegistration reg(kCommand);

int Run(int argc, char** argv) {
  if (WantsHelp(argc, argv)) return ToolHelp(kCommand);
  if (argc != 4) return ToolError("usage: quorvel-tool %s", kCommand.usage);
  if (!OpenLanguageFile(argv[1], argv[2]))
    return ToolError("cannot load language %s from catalogue %s", argv[2], argv[1]);
  std::string shown = ToUtf8(GetString(argv[3]));
  for (char& c : shown)
    if (c == '\n' || c == '\r') c = ' ';
  std::printf("%s\n", shown.c_str());
  return 0;
}
}  // namespace
