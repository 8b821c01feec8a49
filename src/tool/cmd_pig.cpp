// quorvel-tool pig create|list|extract: resource archives.
//   pig create ARCHIVE FILE...   members named as given ("\" written as "/")
//   pig list ARCHIVE             one line per member: length (or -) and name
//   pig extract ARCHIVE NAME OUT the member found as the program finds it
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tool/tool_command.h"
#include "transport/archive.h"
#include "transport/file.h"

namespace {
int Run(int argc, char** argv);
const ToolCommand kCommand = {"pig", "pig create ARCHIVE FILE... | list ARCHIVE | extract ARCHIVE NAME OUT",
                              "create, list or extract a resource archive", Run};
static ToolCommandRegistration reg(kCommand);

int Create(int argc, char** argv) {
  std::vector<ArchiveMember> members;
  for (int i = 3; i < argc; ++i) {
    ArchiveMember m;
    m.name = argv[i];
    for (char& c : m.name)
      if (c == '\\') c = '/';
    while (m.name.compare(0, 2, "./") == 0) m.name.erase(0, 2);
    if (!ReadWholeFile(argv[i], m.data)) return ToolError("%s: cannot open", argv[i]);
    members.push_back(std::move(m));
  }
  std::vector<unsigned char> bytes;
  std::string error;
  if (!BuildArchive(members, bytes, error)) return ToolError("%s", error.c_str());
  if (!WriteWholeFile(argv[2], bytes.data(), bytes.size())) return ToolError("%s: cannot write", argv[2]);
  return 0;
}

FileArchive* Load(const char* name) {
  FileArchive* chain = LoadArchiveList(name);
  if (!chain) ToolError("%s: not a readable archive", name);
  return chain;
}

int List(const char* name) {
  FileArchive* a = Load(name);
  if (!a) return 1;
  for (int i = 0; i < a->count; ++i) {
    if (a->LengthAt(i) < 0) std::printf("%10s  %s\n", "-", a->NameAt(i));
    else std::printf("%10d  %s\n", a->LengthAt(i), a->NameAt(i));
  }
  FreeArchiveList(a);
  return 0;
}

int Extract(const char* name, const char* member, const char* out) {
  FileArchive* a = Load(name);
  if (!a) return 1;
  int length = 0;
  File* f = FindFileInArchive(member, a, &length);
  if (!f) {
    FreeArchiveList(a);
    return ToolError("%s: no member %s", name, member);
  }
  std::vector<unsigned char> bytes(length);
  if (length) f->MustRead(bytes.data(), 1, length);
  FreeArchiveList(a);
  if (!WriteWholeFile(out, bytes.data(), bytes.size())) return ToolError("%s: cannot write", out);
  return 0;
}

int Run(int argc, char** argv) {
  if (WantsHelp(argc, argv)) return ToolHelp(kCommand);
  if (argc >= 3 && !std::strcmp(argv[1], "create")) return Create(argc, argv);
  if (argc == 3 && !std::strcmp(argv[1], "list")) return List(argv[2]);
  if (argc == 5 && !std::strcmp(argv[1], "extract")) return Extract(argv[2], argv[3], argv[4]);
  return ToolError("usage: quorvel-tool %s", kCommand.usage);
}
}  // namespace
