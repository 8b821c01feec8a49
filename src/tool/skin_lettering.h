// Antialiased lettering for the skin's pictures.
#pragma once

#include <vector>

namespace skin {

// The coverage (0..1, row by row) of one line of text in the font that
// fontconfig matches for `face` (a pattern such as "DejaVu Serif:bold"), at
// height pixels per em; *outW by *outH is its size. Empty, with a size of 0,
// when no font is found.
std::vector<float> Lettering(const char* face, const char* text, int height, int* outW, int* outH);

}  // namespace skin
