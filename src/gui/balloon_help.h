// Balloon help: the small yellow box of help text shown after the pointer has
// rested on an object with help text for its GetHelpDelay ticks. It is drawn
// last in every redraw (unless an object owns the mouse) and erased by
// damaging its rectangle.
#pragma once

class GUIObject;

struct BalloonRect {
  int left = 0, top = 0, right = 0, bottom = 0;  // the yellow box, inclusive; the black frame is 1 pixel outside
};

// Where the balloon of BalloonHelpObject goes; false when none is showing.
// Wraps the help text into HelpBuffer.
bool ComputeBalloonRect(BalloonRect* rect);
// The placement rule for a text box of tw by th beside an object at (ax, ay)
// of w by h, kept inside screenW by screenH.
BalloonRect PlaceBalloon(int ax, int ay, int w, int h, unsigned flags, int tw, int th, int screenW, int screenH);

void DrawBalloonHelp();
// Damages the balloon's rectangle so that the next redraw draws or erases it.
void RedrawBalloonHelp();
// Removes a showing balloon and restarts the idle count.
void KillBalloonHelp();
// Shows the balloon of obj at once.
void ShowBalloonHelp(GUIObject* obj);
