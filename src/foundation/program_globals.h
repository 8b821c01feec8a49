// Process-wide settings that the start-up fills in and lower layers read:
// the product name used in window titles and messages, the player's
// language, and the fixed outer size of the program window.
#pragma once

extern char ApplicationName[128];    // window title and product name in messages
extern char LanguageString[20];      // language name from "language.dat", e.g. "English"
extern int LanguageTrack;            // language number from "language.dat"; non-zero: variants first
extern int FixedWidth, FixedHeight;  // outer window size the window procedure keeps
