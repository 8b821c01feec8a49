#include "gui/keyboard.h"

#include "gui/gui_object.h"

namespace {
bool IsFunctionKey(int key) {
  return (key >= 0x103B && key <= 0x1044) || (key >= 0x143B && key <= 0x1444);
}
}  // namespace

void GUIHandleKey(int key, unsigned long mods) {
  if (KeyOwner && !(key & KeyAlt) && !IsFunctionKey(key)) {
    // Tab moves the focus only among the objects that take input: behind a
    // modal object it goes to that object like every other key.
    if (key == KeyTab && (!Modal || KeyOwner->IsWithin(Modal))) {
      if (GUIObject* next = KeyOwner->NextInTabOrder) {
        KeyOwner->RedrawRegion();
        next->RedrawRegion();
        KeyOwner = next;
      }
      return;
    }
    if (Modal) Modal->HandleKey(key, mods);
    else KeyOwner->HandleKey(key, mods);
    return;
  }
  if (Modal) {
    Modal->HandleKey(key, mods);
    return;
  }
  ForEachSibling(GUIObjList, [&](GUIObject* o) { return !(o->Flags & Disabled) && o->HandleKey(key, mods); });
}
