#include "foundation/program_globals.h"

char ApplicationName[128] = "Quorvel Online Install/Update Agent";
char LanguageString[20];
int LanguageTrack;
int FixedWidth, FixedHeight;
