// The player's language choice: "language.txt" in the working directory holds
// the chosen language's name and its NUL, nothing else; the catalogue of that
// language is the file named after it with ".CAT". The choice is read at
// start-up and made on the menu's language box; either way the catalogue is
// loaded at once, so every text fetched through GetString afterwards is in
// that language.
#pragma once

constexpr const char* kLanguageChoiceFile = "language.txt";

// Reads up to 32 bytes of "language.txt" into ZindleLanguageID (the name
// ends at the first NUL and is cut to 31 characters) and loads its catalogue.
// Without the file nothing changes. Returns 1 when a catalogue was loaded.
int ReadLanguageChoice();
// Makes text (cut to 31 characters) the choice: ZindleLanguageID, a new
// "language.txt" with the text and its NUL, and its catalogue. Returns 1
// when the catalogue loaded; otherwise no catalogue remains and every text
// shows in English.
int ChooseLanguage(const char* text);
// Loads the catalogue of a language: the file language + ".CAT" (the name cut
// to 31 characters), found without regard to letter case since the language
// box lists "*.cat" files whatever their case. Returns 1 when loaded.
int LoadLanguageCatalogueOf(const char* language);
