// The GUI toolkit's global state: the object tree's roots and the objects
// holding the mouse, the keyboard and the modal grab, input and timer
// bookkeeping, and the present counters. All are defined in gui_globals.cpp
// with their load-time values; ResetGuiGlobals puts them back. The skin
// (gui_skin.h) and the damage list (damage.h, defined here too) are declared
// with their modules.
#pragma once

class GUIObject;
class Font2;

// The top-level objects, front last.
extern GUIObject* GUIObjList;
// The object that captured the mouse, the one with the keyboard, and the
// modal object that gets every button and key.
extern GUIObject* MouseOwner;
extern GUIObject* KeyOwner;
extern GUIObject* Modal;
// The object whose balloon help is shown, and the object last under the
// pointer.
extern GUIObject* BalloonHelpObject;
extern GUIObject* LastMouseWindow;
// GUI ticks since the pointer last moved.
extern int MouseIdleCount;
// A full redraw is due.
extern unsigned char Need_Redraw;
// Milliseconds until the next animation pass is wanted (0: none).
extern int AnimAgainDelay;
// The pointer in window coordinates, as the mouse dispatch last saw it.
extern int mymousex, mymousey;
extern Font2* BalloonHelpFont;
extern char HelpBuffer[1024];
// Ticks are held back while set.
extern unsigned char TimerisHalted;
extern unsigned char GUISoundEnabled;

// When set, the window keeps the outer size FixedWidth x FixedHeight (the
// launcher's start-up computes them).
extern unsigned char DontAllowWindowResize;
// The pointer as the window message handler last saw it.
extern int CurMouseX, CurMouseY;

// Window timer 2 (animation) is running.
extern unsigned char AnimTimerSet;
// Program-clock ticks at the last GUI tick delivery.
extern unsigned long LastTimerCallTime;
// The interval timer 3 was last set to, in milliseconds.
extern int GUITickIntervalMs;

// The pointer shape last set (1 arrow, 2 cross, 3 hourglass, 0x100 | edges).
extern int GUICursor;

// Counters for tests and the benchmark: presents since start.
extern unsigned long GUIFullPresents, GUIPartialPresents;

// Destroys every object (KillAllGUIObjects) and returns every global above,
// the damage list and the dialog button icons to its load-time value
// (LastTimerCallTime to the clock's present count, as it is at load).
void ResetGuiGlobals();
