// The window procedure through which every window message reaches the
// registered handlers, and the handler registry.
#pragma once

#include "launcher/launcher_globals.h"

long OurWindowProc(HWND window, unsigned message, unsigned long wParam, long lParam);
// A null window means the main window. Ends the program through Fail when all
// slots are taken.
void AddWindozeMessageHandler(WindozeMessageHandler handler, HWND window);
void RemoveWindozeMessageHandler(WindozeMessageHandler handler);
