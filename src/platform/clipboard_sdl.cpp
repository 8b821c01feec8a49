#include <SDL2/SDL.h>

#include "platform/clipboard.h"
#include "platform/text_encoding.h"
#include "platform/window.h"

namespace {
// Without a display the clipboard lives in the process, so copy and paste
// still work between the program's own fields (and in tests).
std::string g_localClipboard;
bool g_localHasText = false;

bool UseSdl() { return !PlatIsHeadless() && SDL_WasInit(SDL_INIT_VIDEO); }
}  // namespace

bool PlatSetClipboardText(const char* text) {
  if (!text) return false;
  if (UseSdl()) return SDL_SetClipboardText(PlatLatin1ToUtf8(text).c_str()) == 0;
  g_localClipboard = text;
  g_localHasText = true;
  return true;
}

bool PlatGetClipboardText(std::string* text) {
  if (UseSdl()) {
    if (!SDL_HasClipboardText()) return false;
    char* s = SDL_GetClipboardText();
    if (!s) return false;
    *text = PlatUtf8ToLatin1(s);
    SDL_free(s);
    return !text->empty();
  }
  if (!g_localHasText || g_localClipboard.empty()) return false;
  *text = g_localClipboard;
  return true;
}
