// The language catalogue: every text the program shows is written in the
// source as an English literal and passes through GetString, which returns its
// translation in the loaded language, or the text itself. The English text is
// the key; there are no message identifiers.
//
// Texts may carry parameters in brackets: "Installing [readme.txt]". A source
// text in the catalogue stands for them with "*", optionally followed by a
// lower-case type letter ("*d"); a bracketed segment names its type with a
// backslash ("[3\d]"), and a typed "*" only matches a segment of that type.
// The translation refers to the segments as "%1" ... "%9" (one digit; digits
// after it are text).
//
// Results that GetString has to build live in six rotating buffers of 4096
// bytes: a built string stays valid until six more have been built, so callers
// use it at once or copy it.
//
// Language file format (bytes; LoadLanguageCatalogue parses it in memory):
//  - lines end at a line feed; carriage returns are dropped; a line keeps at
//    most 511 bytes and the rest of a longer line is skipped. Lines are
//    mixed-width strings and are read mode by mode: in wide mode the unit
//    0x000A ends the line, the unit 0x000D is dropped, and other units are
//    kept whole even when one of their bytes is 0x0A or 0x0D; after the
//    terminator of its mode the rest of a line up to the next line-feed byte
//    is ignored. Each line starts narrow.
//  - header: language names, one per line, up to the first empty line. The
//    requested language's position (compared without regard to ASCII case)
//    selects the translation line of each entry. A language that is not listed
//    fails the load, except the pseudo-language "backwards".
//  - entries: the English text on one line, then one translation line per
//    language in header order, ended by an empty line or the end of the file.
//    Empty lines between entries are skipped; a line beginning with ";" where
//    an entry begins is a comment. A missing or empty translation adds
//    nothing.
//  - "backwards" translates every entry into its own text with each run of
//    ordinary characters reversed (separators, "%" directives, "*" wildcards
//    and "@" codes stay in place), so a tester sees which texts pass through
//    the catalogue.
//
// Single-threaded: the catalogue and the buffers belong to the GUI thread.
#pragma once

#include <cstddef>

constexpr int kHashBuckets = 517;
constexpr int kOutputBuffers = 6;
constexpr int kOutputBufferSize = 4096;
constexpr int kMaxCatalogueLine = 511;
constexpr int kMaxStringParams = 20;
constexpr int kMaxStringParamBytes = 128;

struct HashedString {
  HashedString* next;
  char* source;       // mixed-width, owned
  char* translation;  // mixed-width, owned
};

// The catalogue: kHashBuckets bucket heads, null while nothing is loaded.
extern HashedString** HashList;
extern char OutputStringBuffer[kOutputBuffers][kOutputBufferSize];
extern int WhichBuffer;

// Bucket index of a text.
int Hash(const char* text);

// Adds one entry at the head of its bucket (a later entry for the same source
// text wins). Both texts are copied.
void AddTranslation(const char* source, const char* translation);

// The translation of text with its parameters substituted, or text itself
// (brackets removed) when there is none. Never null. The result is the text
// itself, the stored translation, or a rotating buffer.
const char* GetString(const char* text);

// text without its "[" and "]" characters, in a rotating buffer.
const char* StripBracketsFromString(const char* text);

// pattern with each "%N" replaced by the Nth bracketed segment of text, in a
// rotating buffer. "%0" ends the program with "Invalid delimiter in %s ->
// (%%%c)", a segment text does not have with "Delimiter out of range in %s ->
// (%%%c)" (%s being the pattern).
const char* ReplaceStringParams(const char* text, const char* pattern);

// Frees the catalogue; registered as an exit function.
void FreeHashList();

// Discards the current catalogue and loads the translations for language from
// a language file's bytes. Returns 1 on success, 0 when the file does not list
// the language (no catalogue is left then).
int LoadLanguageCatalogue(const char* data, size_t size, const char* language);

// The translation "backwards" makes of source, in a rotating buffer.
const char* MakeBackwardsText(const char* source);
