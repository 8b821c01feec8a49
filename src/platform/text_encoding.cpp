#include "platform/text_encoding.h"

std::string PlatUtf8ToLatin1(const char* text) {
  std::string out;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text ? text : "");
  while (*p) {
    unsigned cp = *p;
    int extra = 0;
    if (cp < 0x80) {
      out += char(cp);
      ++p;
      continue;
    }
    if (cp >= 0xF8) extra = -1;  // no such lead byte
    else if (cp >= 0xF0) cp &= 0x07, extra = 3;
    else if (cp >= 0xE0) cp &= 0x0F, extra = 2;
    else if (cp >= 0xC0) cp &= 0x1F, extra = 1;
    else extra = -1;  // a continuation byte without a lead
    ++p;
    int i = 0;
    for (; i < extra && (*p & 0xC0) == 0x80; ++i, ++p) cp = (cp << 6) | (*p & 0x3F);
    bool whole = extra >= 0 && i == extra;
    out += whole && cp <= 0xFF ? char(cp) : '?';
  }
  return out;
}

std::string PlatLatin1ToUtf8(const char* text) {
  std::string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text ? text : ""); *p; ++p) {
    if (*p < 0x80) {
      out += char(*p);
    } else {
      out += char(0xC0 | (*p >> 6));
      out += char(0x80 | (*p & 0x3F));
    }
  }
  return out;
}
