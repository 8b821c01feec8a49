// The system clipboard, plain text only, in the program's single-byte
// characters (converted from and to the desktop's UTF-8).
#pragma once

#include <string>

// Replaces the clipboard's text. False when the clipboard cannot be used
// (no display).
bool PlatSetClipboardText(const char* text);
// The clipboard's text; false when there is none or it cannot be read.
bool PlatGetClipboardText(std::string* text);
