// The mouse pointer shape of the program window.
#pragma once

// Shapes: 1 arrow, 2 cross, 3 hourglass; 0x100 plus edge bits (1 left,
// 2 right, 4 top, 8 bottom) for resize edges: 0x101/0x102 horizontal double
// arrow, 0x104/0x108 vertical, 0x105/0x10A north-west/south-east diagonal,
// 0x106/0x109 north-east/south-west diagonal; anything else is the arrow.
// Does nothing without a display.
void PlatSetCursorShape(unsigned shape);
// The system cursor kind a shape maps to (for tests): 0 arrow, 1 cross,
// 2 wait, 3 horizontal, 4 vertical, 5 NW-SE, 6 NE-SW.
int PlatCursorKindForShape(unsigned shape);
