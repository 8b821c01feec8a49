#include "tool/release_list.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>

#include "tool/raw_file.h"
#include "update/file_list_entry.h"
#include "update/file_list_parser.h"

namespace {

std::string Portable(const char* name) {
  std::string s = name;
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

bool IsKindLetter(char c) { return c == 'R' || c == 'O' || c == 'D' || c == 'C' || c == 'U'; }

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

// Why the reader refuses a file line that starts with a kind letter.
std::string FileLineProblem(const std::string& line) {
  size_t p = 1;
  while (p < line.size() && line[p] == ' ') ++p;
  if (line.size() < p + 33) return "the digest is not 32 lower-case hexadecimal digits and a space";
  for (size_t i = p; i < p + 32; ++i)
    if (!std::strchr("0123456789abcdef", line[i]) || !line[i])
      return "the digest is not 32 lower-case hexadecimal digits and a space";
  if (line[p + 32] != ' ') return "the digest is not 32 lower-case hexadecimal digits and a space";
  p += 33;
  while (p < line.size() && line[p] == ' ') ++p;
  const std::string name = line.substr(p);
  if (name.empty()) return "no file name";
  const std::string why = ListNameProblem(Portable(name.c_str()));
  return why.empty() ? "not a file line" : "name \"" + name + "\": " + why;
}

}  // namespace

std::string DigestHex(const unsigned char digest[16]) {
  std::string s;
  for (int i = 0; i < 16; ++i) {
    s += hexstr[digest[i] >> 4];
    s += hexstr[digest[i] & 15];
  }
  return s;
}

std::string ListNameProblem(const std::string& name) {
  if (name.empty()) return "empty name";
  // "K " + 32 digits + " " come before the name on its line.
  if (name.size() + 35 > kMaxListLine)
    return "longer than a list line can carry (" + std::to_string(name.size()) + " characters, at most 220)";
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7f) return "holds a control character";
    if (c == '\\') return "holds a backslash, which lists read as a separator";
  }
  if (name[0] == ' ') return "starts with a space, which lists read as a separator";
  if (name.back() == ' ') return "ends in a space, which Windows drops from file names";
  if (!IsSafeListName(name.c_str())) return "unsafe (absolute, a drive letter or a \"..\" component)";
  for (size_t start = 0; start <= name.size();) {
    size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    if (end == start) return "has an empty path component";
    start = end + 1;
  }
  return "";
}

std::string WindowsNameProblem(const std::string& name) {
  for (unsigned char c : name) {
    if (c < 0x20) return "holds a control character, which Windows does not allow in file names";
    if (std::strchr("<>:\"|?*", c))
      return std::string("holds '") + char(c) + "', which Windows does not allow in file names";
  }
  for (size_t start = 0; start < name.size();) {
    size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    const std::string part = name.substr(start, end - start);
    if (!part.empty() && (part.back() == '.' || part.back() == ' '))
      return "\"" + part + "\" ends in a dot or a space, which Windows drops from file names";
    // A device name stays a device with any extension: "con.txt" is CON.
    std::string stem = part.substr(0, part.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) c = char(std::toupper(static_cast<unsigned char>(c)));
    const bool numbered = stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
                          stem[3] >= '1' && stem[3] <= '9';
    if (numbered || stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL")
      return "\"" + part + "\" is the Windows device " + stem + ", which no file can be named";
    start = end + 1;
  }
  if (name.size() > kMaxWindowsName)
    return "longer than a Windows path allows under the longest installation directory (" +
           std::to_string(name.size()) + " characters, at most " + std::to_string(kMaxWindowsName) + ")";
  return "";
}

std::string FormatFileLine(const ReleaseFile& file) {
  std::string name = file.name;
  for (char& c : name)
    if (c == '/') c = '\\';
  return std::string(1, file.kind) + " " + DigestHex(file.digest) + " " + name + "\n";
}

std::string FormatPatchLine(const ReleasePatch& patch) {
  std::string patchName = patch.patchName, target = patch.targetName;
  for (char& c : patchName)
    if (c == '/') c = '\\';
  for (char& c : target)
    if (c == '/') c = '\\';
  return "p " + DigestHex(patch.resultDigest) + " " + DigestHex(patch.sourceDigest) + " " +
         std::to_string(patch.resultSize) + " " + patchName + " " + target + "\n";
}

bool ReadReleaseList(const std::string& path, const std::string& shownName, ReleaseListContents* out,
                     std::vector<std::string>* problems) {
  std::vector<unsigned char> bytes;
  if (!ReadRawFile(path.c_str(), bytes)) {
    problems->push_back(shownName + ": cannot be read: " + std::strerror(errno));
    return false;
  }
  size_t pos = 0;
  int number = 0;
  while (pos < bytes.size()) {
    ++number;
    size_t end = pos;
    while (end < bytes.size() && bytes[end] != '\n') ++end;
    std::string line(bytes.begin() + pos, bytes.begin() + end);
    pos = end + 1;
    const std::string where = shownName + " line " + std::to_string(number) + ": ";
    // The reader drops carriage returns wherever they are.
    std::string text;
    for (char c : line)
      if (c != '\r') text += c;
    if (text.find('\0') != std::string::npos) {
      problems->push_back(where + "a zero byte, where the launcher stops reading the list");
      break;
    }
    if (text.empty()) continue;  // a bare line feed is skipped by the reader
    if (text.size() > kMaxListLine) {
      problems->push_back(where + "longer than " + std::to_string(kMaxListLine) + " characters");
      continue;
    }
    if (text[0] == 'p') {
      std::unique_ptr<ZindlePatchEntry> p(ParsePatchLine((text + "\n").c_str()));
      if (!p) {
        problems->push_back(where + "not a valid patch line");
        continue;
      }
      ReleasePatch patch;
      std::memcpy(patch.resultDigest, p->resultDigest, 16);
      std::memcpy(patch.sourceDigest, p->sourceDigest, 16);
      patch.resultSize = p->resultSize;
      patch.patchName = Portable(p->patchName);
      patch.targetName = Portable(p->targetName);
      out->patches.push_back(patch);
      continue;
    }
    if (!IsKindLetter(text[0])) {
      problems->push_back(where + "neither a file nor a patch line (the launcher ignores it)");
      continue;
    }
    std::unique_ptr<ZindleFileListEntry> e(ParseFileListLine((text + "\n").c_str()));
    if (!e) {
      problems->push_back(where + FileLineProblem(text));
      continue;
    }
    ReleaseFile file;
    file.kind = KindLetter(e->flags);
    std::memcpy(file.digest, e->digest, 16);
    file.name = Portable(e->name);
    out->files.push_back(file);
  }
  return true;
}
