// Finding a font file by face name through fontconfig.
#pragma once

#include <string>

// fontconfig's match for the face name (a fontconfig pattern; empty or null:
// "sans"), with style bit 1 asking for bold and bit 2 for italic, and
// pixelSize (when positive) as the wanted size. On success *file is the
// font file and *index the face in it; false when nothing matches.
bool FindFontFile(const char* faceName, int style, int pixelSize, std::string* file, int* index);
