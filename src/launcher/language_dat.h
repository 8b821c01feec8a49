// The language choice the game's installer leaves in "language.dat".
#pragma once

// Reads "language.dat" from the current directory into LanguageString and
// LanguageTrack ("English" and 0 without the file).
void ReadLanguageDat();
