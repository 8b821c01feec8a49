// The message pump for code that waits.
#pragma once

// Takes and dispatches every pending message of the main window; with
// ProgramNeedsToSleep set it sleeps in WaitMessage until the flag clears.
void DoVeryOften();
