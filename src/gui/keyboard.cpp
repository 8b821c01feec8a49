#include "gui/keyboard.h"

#include "gui/gui_object.h"
#include "gui/mouse_dispatch.h"

namespace {
bool IsFunctionKey(int key) { return (key >= 0x103B && key <= 0x1044) || (key >= 0x143B && key <= 0x1444); }
}  // namespace

void GUIHandleKey(int key, unsigned long mods) {
  // A field hidden with its window loses the focus: keys never edit what is
  // not shown.
  if (KeyOwner && !GUITakesInput(KeyOwner)) KeyOwner = nullptr;
  // A modal object whose window is disabled counts as absent.
  GUIObject* modal = ActiveModal();
  if (KeyOwner && !(key & KeyAlt) && !IsFunctionKey(key)) {
    // Tab moves the focus only among the objects that take input: behind a
    // modal object it goes to that object like every other key.
    if (key == KeyTab && (!modal || KeyOwner->IsWithin(modal))) {
      if (GUIObject* next = KeyOwner->NextInTabOrder) {
        KeyOwner->RedrawRegion();
        next->RedrawRegion();
        KeyOwner = next;
      }
      return;
    }
    if (modal) modal->HandleKey(key, mods);
    else KeyOwner->HandleKey(key, mods);
    return;
  }
  if (modal) {
    modal->HandleKey(key, mods);
    return;
  }
  ForEachSibling(GUIObjList, [&](GUIObject* o) { return !(o->Flags & Disabled) && o->HandleKey(key, mods); });
}
