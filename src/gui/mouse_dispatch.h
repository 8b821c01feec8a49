// Mouse input: the entry points the window procedure calls for button
// messages and moves (screen coordinates), capture and modal routing, hover,
// balloon-help hand-over and the pointer shape.
#pragma once

#include "gui/gui_object.h"

void GUIDoMouseButtonEvent(int x, int y, ButtonEventType t, unsigned long mods);
void GUIDoMouseMove(int x, int y, unsigned long mods);
// False when obj or an ancestor is Disabled (hidden), unless that one is
// LiveWhenDisabled: such an object keeps neither the mouse nor the keyboard.
bool GUITakesInput(const GUIObject* obj);
// The modal object that takes the input: Modal, unless an ancestor of it is
// Disabled (then input flows as if there were none).
GUIObject* ActiveModal();
// Makes obj the modal object. A mouse capture held outside it ends at once
// (CaptureCancelled), so nothing behind the modal object keeps the mouse.
void SetModal(GUIObject* obj);

// Chooses the pointer shape for (x, y) and sets it when it changed.
void SelectMouseCursor(int x, int y);

// The deepest object under (x, y) (screen) starting at list and its
// siblings, skipping `skip` and its subtree, disabled objects (unless
// LiveWhenDisabled) and inert ones.
GUIObject* GUIObjectUnderCursor(int x, int y, GUIObject* list, GUIObject* skip);
// The same search with HelpHitTest: the object whose help applies at (x, y).
GUIObject* GUIHelpObjectUnderCursor(int x, int y, GUIObject* list);
