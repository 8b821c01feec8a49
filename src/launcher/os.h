// The launcher's operating-system shell in one include: the entry, the
// window procedure and handler registry, the pump, the main window's
// geometry, "language.dat" and the command line.
#pragma once

#include "foundation/program_globals.h"
#include "launcher/command_line.h"
#include "launcher/language_dat.h"
#include "launcher/launcher_globals.h"
#include "launcher/main_window.h"
#include "launcher/message_pump.h"
#include "launcher/win_main.h"
#include "launcher/window_proc.h"
