// The system clipboard, plain text only.
#pragma once

#include <string>

// Replaces the clipboard's text. False when the clipboard cannot be used
// (no display).
bool PlatSetClipboardText(const char* text);
// The clipboard's text; false when there is none or it cannot be read.
bool PlatGetClipboardText(std::string* text);
