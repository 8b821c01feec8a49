// The program's text is single bytes, one per character (the Latin-1 range);
// the desktop (SDL's text input and clipboard) speaks UTF-8. These convert
// between the two at the platform's edge.
#pragma once

#include <string>

// UTF-8 to single bytes: characters above U+00FF become '?', and so does
// each byte of a broken sequence.
std::string PlatUtf8ToLatin1(const char* text);
// Single bytes to UTF-8.
std::string PlatLatin1ToUtf8(const char* text);
