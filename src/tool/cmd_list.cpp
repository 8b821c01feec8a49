// quorvel-tool list parse LIST | list merge MASTER UPDATED
#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/intrusive_list.h"
#include "platform/filesystem.h"
#include "tool/tool_command.h"
#include "update/file_list.h"
#include "update/file_list_parser.h"

namespace {

int Run(int argc, char** argv);
const ToolCommand kCommand = {"list", "list parse LIST | list merge MASTER UPDATED",
                              "print a file list's entries as read, or two lists merged", Run};
ToolCommandRegistration reg(kCommand);

std::string Hex(const unsigned char digest[16]) {
  std::string s;
  for (int i = 0; i < 16; ++i) {
    s += hexstr[digest[i] >> 4];
    s += hexstr[digest[i] & 15];
  }
  return s;
}

// Names are printed with "/" whatever the platform's separator.
std::string Portable(const char* name) {
  std::string s = name;
  for (char& c : s)
    if (c == kPathSeparator) c = '/';
  return s;
}

char KindLetter(unsigned char flags) {
  switch (flags) {
    case FileRequired: return 'R';
    case FileListedOnly: return 'O';
    case FileOnDemand: return 'D';
    case FileCreateOnce: return 'C';
    case FileUpdateIfPresent: return 'U';
    default: return '?';
  }
}

void Print(const ZindleFileListEntry* list) {
  for (const ZindleFileListEntry* e = list; e; e = e->next)
    std::printf("%c %s %s\n", KindLetter(e->flags), Hex(e->digest).c_str(), Portable(e->name).c_str());
  for (const ZindlePatchEntry* p = PatchList; p; p = p->next)
    std::printf("p %s %s %lld %s %s\n", Hex(p->resultDigest).c_str(), Hex(p->sourceDigest).c_str(), p->resultSize,
                Portable(p->patchName).c_str(), Portable(p->targetName).c_str());
}

int Run(int argc, char** argv) {
  if (WantsHelp(argc, argv)) return ToolHelp(kCommand);
  ZindleFileListEntry* list = nullptr;
  if (argc == 3 && !std::strcmp(argv[1], "parse")) {
    ReadFileList(argv[2], 0, &list, nullptr, 0, 1);
  } else if (argc == 4 && !std::strcmp(argv[1], "merge")) {
    ZindleFileListEntry* updated = nullptr;
    ReadFileList(argv[2], 0, &list, nullptr, 0, 1);
    ReadFileList(argv[3], 0, &updated, nullptr, 0, 1);
    IntegrateFilesLists(list, updated);
    WipeList(updated);
  } else {
    return ToolError("usage: quorvel-tool %s", kCommand.usage);
  }
  Print(list);
  WipeList(list);
  WipeList(PatchList);
  return 0;
}

}  // namespace
