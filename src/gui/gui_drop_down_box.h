// A drop-down list box: a display field showing the selected item's text and
// a button. Pressing the button (or the field) opens a GUIMenuObject list of
// all items below the box; picking an item selects it and passes 60000
// (a = the item's value, q = the box) to the box's parent.
#pragma once

#include <string>
#include <vector>

#include "gui/gui_object.h"

class GUIButton;
class GUIStringGadget;

// The pop-up list. It reports to its Owner 60000 (a = value) when an item is
// picked or 2001 when it is closed without a choice, and then destroys
// itself. While open it holds the mouse, so a press outside closes it.
class GUIMenuObject : public GUIObject {
 public:
  struct Item {
    std::string text;
    int value;
  };
  GUIObject* Owner = nullptr;
  std::vector<Item> Items;
  TextureMap* BackTexture = nullptr;
  int Highlighted = -1;
  int FirstItem = 0;  // first item shown when the list scrolls
  int VisibleItems = 0;
  int ItemHeight = 16;
  int PressedInside = 0;

  GUIMenuObject(GUIObject* owner, int x, int y, int width, const std::vector<Item>& items, Font2* font,
                TextureMap* texture, int maxVisible);
  void Draw(int x, int y) override;
  void DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) override;
  void DoMouseMovement(int x, int y, unsigned long mods) override;
  int HandleKey(int key, unsigned long mods) override;
  // Closed without a choice, like a press outside it.
  void CaptureCancelled() override { Close(); }
  // Item index at local y, or -1 (the scroll strips give -2 up, -3 down).
  int ItemAt(int y) const;
  void Choose(int index);
  void Close();
  bool Scrolls() const { return int(Items.size()) > VisibleItems; }
};

class GUIDropDownBox : public GUIObject {
 public:
  GUIStringGadget* Field = nullptr;
  GUIButton* OpenButton = nullptr;
  GUIMenuObject* List = nullptr;
  std::vector<GUIMenuObject::Item> Items;
  int Selected = -1;
  int MaxVisible = 0;  // items the list shows at once; 0: as many as fit
  TextureMap* ButtonTexture = nullptr;

  // Adds itself to parent (when given); the field shows text until an item
  // is selected. maxVisible: items the open list shows at once (0: all that
  // fit in the parent).
  GUIDropDownBox(TextureMap* texture, int x, int y, int width, int height, GUIObject* parent, Font2* font,
                 const char* text, int maxVisible);
  ~GUIDropDownBox() override;

  void AddItem(const char* text, int value);
  // Selects by position; 0 when out of range.
  int SelectItem(int index);
  int GetSelectedValue() const;
  const char* GetSelectedText() const;
  // Removes every item (closing an open list without a choice).
  void ResetBox();
  void OpenList();

  int HandleMessage(int msg, int a, int b, void* p, void* q) override;
  void ListenObjectIsGone(GUIObject* gone) override;
  void Draw(int x, int y) override;
  void LayoutChildren() override;
};
