// The pictures of the default skin, each drawn procedurally on a Canvas so
// that the same fonts give the same bytes on every run: tiled marble and
// panels, the sign-in background with its title, button and check-box faces,
// frame borders and corners, the title bar, scroll and menu arrows, icons and
// window gadgets.
#pragma once

#include "tool/skin_canvas.h"

namespace skin {

enum Direction { Up, Down, Left, Right };

// Marble: veins bent by noise, periodic over a size by size tile.
Canvas Marble(int size, RGBA base, RGBA vein, RGBA speck, int seed);
// A tile of fractal noise between base and a lighter base.
Canvas Panel(int size, RGBA base, int seed);
// The main background (the launcher's window size): marble, a vignette, the
// titled banner and the bottom panel for the buttons.
Canvas SignIn();

// The three pieces of a push button, raised or pressed, drawn as one 24 by 24
// image so that the pieces join: left, centre (stretched) and right, 8 wide.
Canvas ButtonFace(bool pressed);
// A bevelled tile (scroll arrows, gadgets, drop-down button), raised or sunken.
Canvas BevelTile(int w, int h, RGBA top, RGBA bottom, bool sunken = false);
// A shadowed arrow of the given size centred on (cx, cy).
void Arrow(Canvas& c, Direction d, float cx, float cy, float size, RGBA colour);
Canvas ScrollArrow(Direction d);
Canvas MenuScroll(Direction d);
Canvas DropButton(int w, int h);
Canvas Slider();
// 0: empty, 1: pressed (sunken, darker), 2: ticked.
Canvas CheckBox(int state);

// Framed-window borders: 6 pixels thick, gold rim outside, dark steel inside.
// depth is 0 at the outer edge, 6 at the inner.
RGBA BorderColour(float depth);
Canvas BorderStrip(int w, int h, bool vertical, bool outerAtStart);
Canvas Corner(bool right, bool bottom);
Canvas TitleBar();

// 0: OK (a tick), 1: Cancel (a cross), else Help (a question mark).
Canvas Icon(int kind);
// The close gadget, else the minimise gadget.
Canvas Gadget(bool close);

}  // namespace skin
