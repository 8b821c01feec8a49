#include "gfx/texture_control_file.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/fail.h"
#include "gfx/image_file.h"

TextureControl* TCList = nullptr;

namespace {
const char* const kKeywords[TC_KeywordCount] = {
    "TEXTURE",      "SCROLL",     "ADDMODE",  "TINT",       "ALIAS",       "TMU0",      "TMU1",
    "TMUBOTH",      "UNLIT",      "NOSWRAP",  "NOTWRAP",    "BLOCKY",      "TEXUSMODE", "ALTALPHA",
    "ROTATE",       "PULSE",      "NODITHER", "FRAMETIME",  "ANIMFRAME",   "ANIMCLOCK", "STOPANIM",
    "NEEDSALPHA",   "ONEMIP",     "FULLMIP",  "COLORCYCLE", "HIGHCOLOR",   "PALETTED",  "CANBERGB",
    "CANBETEXTURE", "FIFTYFIFTY", "SHINY",    "MODULATE",   "MANUALSCROLL"};

// The open entry of the file being read.
TextureControl* Current = nullptr;

// Upper case, path and extension removed, at most 79 characters.
std::string EntryKey(const char* name) {
  std::string s(name);
  size_t sep = s.find_last_of("/\\:");
  if (sep != std::string::npos) s = s.substr(sep + 1);
  size_t dot = s.rfind('.');
  if (dot != std::string::npos) s.resize(dot);
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  if (s.size() > size_t(kTextureControlNameMax)) s.resize(kTextureControlNameMax);
  return s;
}

std::vector<std::string> Tokens(const std::string& line) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

float Number(const std::vector<std::string>& t, size_t i) {
  return i < t.size() ? float(std::strtod(t[i].c_str(), nullptr)) : 0.0f;
}

int Integer(const std::vector<std::string>& t, size_t i) {
  return i < t.size() ? int(std::strtol(t[i].c_str(), nullptr, 10)) : 0;
}

void CopyName(char* to, const std::string& name) { std::memcpy(to, name.c_str(), name.size() + 1); }

void ParseLine(std::string line) {
  size_t semicolon = line.find(';');
  if (semicolon != std::string::npos) line.resize(semicolon);
  for (char& c : line) c = char(std::toupper(static_cast<unsigned char>(c)));
  std::vector<std::string> t = Tokens(line);
  if (t.empty()) return;
  int k = -1;
  for (int i = 0; i < TC_KeywordCount; ++i)
    if (t[0] == kKeywords[i]) k = i;
  if (k < 0) return;

  if (k == TC_TEXTURE) {
    if (t.size() < 2) return;
    std::string key = EntryKey(t[1].c_str());
    // The key is compared as it is: looking it up by name would take a
    // second "extension" off a name with more than one dot.
    Current = nullptr;
    for (TextureControl* c = TCList; c && !Current; c = c->Next)
      if (key == c->Name) Current = c;
    if (!Current) {
      Current = new TextureControl;
      CopyName(Current->Name, key);
      TextureControl** end = &TCList;
      while (*end) end = &(*end)->Next;
      *end = Current;
    }
    Current->Keywords |= 1ull << TC_TEXTURE;
    return;
  }
  if (k == TC_SCROLL && !Current) Fail("scroll cmd not associated with texture");
  if (k == TC_ALIAS && !Current) Fail("alias cmd not associated with texture");
  if (!Current) return;
  Current->Keywords |= 1ull << k;
  switch (k) {
    case TC_SCROLL:
      Current->ScrollU = Number(t, 1);
      Current->ScrollV = Number(t, 2);
      break;
    case TC_ALIAS:
      if (t.size() < 2) break;
      if (t[1].size() > size_t(kTextureControlNameMax)) Fail("alias name too long");
      CopyName(Current->Alias, t[1]);
      break;
    case TC_CANBETEXTURE:
      if (t.size() < 2) break;
      if (t[1].size() > size_t(kTextureControlNameMax)) Fail("CANBETEXTURE name too long");
      CopyName(Current->CanBeTexture, t[1]);
      break;
    case TC_TINT:
      for (int i = 0; i < 4; ++i) Current->Tint[i] = Integer(t, 1 + i);
      break;
    case TC_ROTATE: Current->Rotate = Integer(t, 1); break;
    default: Current->Values[k] = Number(t, 1); break;
  }
}
}  // namespace

const char* TextureControlKeywordName(int keyword) {
  return keyword >= 0 && keyword < TC_KeywordCount ? kKeywords[keyword] : nullptr;
}

void ReadTextureControlText(const char* data, size_t length) {
  Current = nullptr;
  size_t i = 0;
  while (i < length) {
    size_t end = i;
    while (end < length && data[end] != '\n') ++end;
    // Only the first 200 characters of a line count; the rest of a longer
    // line is dropped rather than read as a line of its own.
    size_t n = end - i;
    if (n > size_t(kTextureControlLineMax)) n = kTextureControlLineMax;
    std::string line(data + i, n);
    size_t nul = line.find('\0');
    if (nul != std::string::npos) line.resize(nul);
    ParseLine(line);
    i = end + 1;
  }
  Current = nullptr;
}

void ReadTextureControlFile(const char* name) {
  std::vector<unsigned char> bytes;
  if (!ReadImageFileBytes(name, &bytes)) return;
  ReadTextureControlText(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

TextureControl* FindTControl(const char* name) {
  if (!name) return nullptr;
  std::string key = EntryKey(name);
  for (TextureControl* c = TCList; c; c = c->Next)
    if (key == c->Name) return c;
  return nullptr;
}

void FreeTextureControls() {
  while (TCList) {
    TextureControl* next = TCList->Next;
    delete TCList;
    TCList = next;
  }
  Current = nullptr;
}
