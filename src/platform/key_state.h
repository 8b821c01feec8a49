// The state of the modifier keys at the time of the call, in the shape of
// GetAsyncKeyState: bit 15 set while the key is down. Only VK_SHIFT,
// VK_CONTROL and VK_MENU are tracked.
#pragma once

short GetAsyncKeyState(int virtualKey);

// The state of the same keys as of the message last taken from the queue
// (its event's own modifiers), in the shape of GetKeyState: what a key
// handler reads, so that a burst of keys is handled as it was typed.
short GetKeyState(int virtualKey);
// That state as a mask: 1 Shift, 2 Control, 4 Alt.
unsigned PlatMessageModifiers();

// Tests hold modifiers down without a keyboard: a non-zero mask (1 Shift,
// 2 Control, 4 Alt, 0x100 "all released") replaces the real state; 0 restores it.
void PlatSetKeyStateOverride(unsigned mask);
