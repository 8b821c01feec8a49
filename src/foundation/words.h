// Keyword lookup, search expressions and time stamps on narrow strings.
#pragma once

#include <ctime>

// list holds alternatives each followed by "/" ("TEXTURE/SCROLL/ADDMODE/").
// Returns the 0-based index of the alternative equal to word, or -1. Leading
// spaces of word are skipped; word ends at the end of the string, a space or
// ";". An alternative not followed by "/" never matches.
int WhichWord(const char* list, const char* word);

// Evaluates a search expression against text: split at the first "&" (both
// sides must match), else at the first "|" (either side), recursively; a term
// beginning with "~" is negated; a plain term matches when it occurs in text.
// One leading and one trailing space of each (sub)expression are ignored.
// Returns 1 or 0.
int PatternMatchString(const char* text, const char* expr);

// Reads "<h:m[am|pm] [month/day/year]>" as local calendar time in seconds.
// "pm" (any case) adds 12 hours to an hour below 12; a year below 100 counts
// from 2000; without a date the day is today. Returns -1 when s has none of
// these forms or holds an impossible value.
time_t ParseTimeString(const char* s);
