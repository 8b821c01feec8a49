// The main window's geometry and creation.
#pragma once

#include "launcher/launcher_globals.h"

// The window class every launcher window is made of.
extern const char* const kMainWindowClassName;
// The style of the framed main window.
constexpr unsigned long kMainWindowStyle = 0x12CF0000UL;

// Computes the framed size of the CustomWinWidth x CustomWinHeight client
// area, the fixed size the GUI keeps, and the place centring it on the
// screen, and moves the main window there.
void SetMainWindowVars();
// Creates the main window once; exits the process when that fails.
void MakeTheMainWindow();
