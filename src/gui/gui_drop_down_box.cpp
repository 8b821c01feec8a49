#include "gui/gui_drop_down_box.h"

#include <algorithm>

#include "gfx/font2.h"
#include "gfx/gfx_device.h"
#include "gfx/texture.h"
#include "gui/gui_button.h"
#include "gui/gui_redraw.h"
#include "gui/gui_skin.h"
#include "gui/gui_string_gadget.h"
#include "gui/keyboard.h"

namespace {
// The display field: read-only, and a press on it opens the list like the button.
class DropDownField : public GUIStringGadget {
 public:
  using GUIStringGadget::GUIStringGadget;
  void DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) override {
    if (t == LeftButtonUp && Parent) Parent->HandleMessage(MsgEnterPressed, 0, 0, this, nullptr);
  }
  int CursorType(int, int) override { return 1; }
};
constexpr int kStrip = 10;  // height of the scroll strips of a long list
}  // namespace

GUIMenuObject::GUIMenuObject(GUIObject* owner, int x, int y, int width, const std::vector<Item>& items, Font2* font,
                             TextureMap* texture, int maxVisible)
    : GUIObject(x, y, width, 0), Owner(owner), Items(items), BackTexture(texture) {
  Font = font;
  ItemHeight = (font ? font->LineHeight : 14) + 2;
  int n = int(Items.size());
  VisibleItems = maxVisible > 0 ? std::min(n, maxVisible) : n;
  if (VisibleItems < 1) VisibleItems = 1;
  Height = VisibleItems * ItemHeight + 4 + (Scrolls() ? 2 * kStrip : 0);
  Listener = owner;
}

int GUIMenuObject::ItemAt(int y) const {
  int top = 2;
  if (Scrolls()) {
    if (y < kStrip) return -2;
    if (y >= Height - kStrip) return -3;
    top += kStrip;
  }
  if (y < top) return -1;
  int i = FirstItem + (y - top) / ItemHeight;
  return (i >= 0 && i < int(Items.size()) && i < FirstItem + VisibleItems) ? i : -1;
}

void GUIMenuObject::Draw(int x, int y) {
  if (Hidden()) return;
  if (!CurGfxDevice) return;
  int ax = x + X, ay = y + Y;
  int saved[4] = {GfxDevice::clip_minx, GfxDevice::clip_miny, GfxDevice::clip_maxx, GfxDevice::clip_maxy};
  SetClip(ax, ay, ax + Width - 1, ay + Height - 1);
  CurGfxDevice->ClearRegion(0, 0, 0, ax, ay, ax + Width - 1, ay + Height - 1);
  if (BackTexture)
    CurGfxDevice->TmapBlit(float(ax + 1), float(ax + Width - 1), float(ay + 1), float(ay + Height - 1), 0, BackTexture,
                           0);
  else CurGfxDevice->ClearRegion(225, 225, 235, ax + 1, ay + 1, ax + Width - 2, ay + Height - 2);
  int top = ay + 2;
  if (Scrolls()) {
    TextureMap* up = DefaultMenuScrollUpTexture;
    TextureMap* down = DefaultMenuScrollDownTexture;
    if (up) CurGfxDevice->TmapBlit(float(ax + 1), float(ax + Width - 1), float(ay), float(ay + kStrip), 0, up, 0);
    else CurGfxDevice->ClearRegion(150, 150, 170, ax + 1, ay + 1, ax + Width - 2, ay + kStrip - 1);
    if (down)
      CurGfxDevice->TmapBlit(float(ax + 1), float(ax + Width - 1), float(ay + Height - kStrip), float(ay + Height), 0,
                             down, 0);
    else CurGfxDevice->ClearRegion(150, 150, 170, ax + 1, ay + Height - kStrip, ax + Width - 2, ay + Height - 2);
    top += kStrip;
  }
  for (int i = FirstItem; i < int(Items.size()) && i < FirstItem + VisibleItems; ++i) {
    int iy = top + (i - FirstItem) * ItemHeight;
    bool lit = i == Highlighted;
    if (lit) CurGfxDevice->ClearRegion(40, 60, 150, ax + 2, iy, ax + Width - 3, iy + ItemHeight - 1);
    // Light text on the list texture, dark text on the plain light face.
    const char* colour = (lit || BackTexture) ? "@W" : "@K";
    if (Font) Font->PrintF(ax + 4, iy + 1, "%s%s", colour, Items[size_t(i)].text.c_str());
  }
  CurGfxDevice->SetClippingRegion(saved[0], saved[1], saved[2], saved[3]);
}

void GUIMenuObject::Choose(int index) {
  int value = Items[size_t(index)].value;
  GUIObject* owner = Owner;
  Listener = nullptr;
  delete this;
  if (owner) owner->HandleMessage(MsgItemChosen, value, 0, nullptr, nullptr);
}

void GUIMenuObject::Close() {
  GUIObject* owner = Owner;
  Listener = nullptr;
  delete this;
  if (owner) owner->HandleMessage(MsgListClosed, 0, 0, nullptr, nullptr);
}

void GUIMenuObject::DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) {
  bool inside = x >= 0 && y >= 0 && x < Width && y < Height;
  if (t == LeftButtonDown || t == LeftDoubleClick || t == RightButtonDown) {
    if (!inside) {
      Close();
      return;
    }
    PressedInside = 1;
    int i = ItemAt(y);
    if (i == -2 || i == -3) {
      FirstItem = std::clamp(FirstItem + (i == -2 ? -1 : 1), 0, std::max(0, int(Items.size()) - VisibleItems));
      RedrawRegion();
    }
    return;
  }
  if (t == LeftButtonUp && inside && PressedInside) {
    int i = ItemAt(y);
    if (i >= 0) Choose(i);
  }
}

void GUIMenuObject::DoMouseMovement(int x, int y, unsigned long mods) {
  int i = (x >= 0 && x < Width && y >= 0 && y < Height) ? ItemAt(y) : -1;
  if (i < 0) i = -1;
  if (i != Highlighted) {
    Highlighted = i;
    RedrawRegion();
  }
}

int GUIMenuObject::HandleKey(int key, unsigned long mods) {
  int n = int(Items.size());
  switch (key) {
    case KeyUp:
    case KeyDown:
      Highlighted = std::clamp(Highlighted + (key == KeyUp ? -1 : 1), 0, n - 1);
      if (Highlighted < FirstItem) FirstItem = Highlighted;
      if (Highlighted >= FirstItem + VisibleItems) FirstItem = Highlighted - VisibleItems + 1;
      RedrawRegion();
      return 1;
    case KeyEnter:
      if (Highlighted >= 0 && Highlighted < n) Choose(Highlighted);
      else Close();
      return 1;
    case KeyEscape: Close(); return 1;
    default: return 0;
  }
}

GUIDropDownBox::GUIDropDownBox(TextureMap* texture, int x, int y, int width, int height, GUIObject* parent, Font2* font,
                               const char* text, int maxVisible)
    : GUIObject(x, y, width, height), MaxVisible(maxVisible), ButtonTexture(texture) {
  Font = font ? font : DefaultDropDownMenuFont;
  int bw = texture && texture->Width > 1 ? texture->Width : height;
  Field = new DropDownField(0, 0, width - bw, height);
  Field->ReadOnly = 1;
  Field->Font = Font;
  Field->Set(text ? text : "");
  AddChild(Field);
  OpenButton =
      new GUIButton(width - bw, 0, bw, height, nullptr, ButtonDrawTwoTextures, MsgEnterPressed, texture, texture);
  AddChild(OpenButton);
  if (parent) parent->AddChild(this);
}

GUIDropDownBox::~GUIDropDownBox() {
  if (List) {
    GUIMenuObject* list = List;
    List = nullptr;
    list->Owner = nullptr;
    list->Listener = nullptr;
    if (MouseOwner == list) MouseOwner = nullptr;
    delete list;
  }
}

void GUIDropDownBox::LayoutChildren() {
  int bw = OpenButton ? OpenButton->Width : 0;
  if (Field) {
    Field->Width = Width - bw;
    Field->Height = Height;
  }
  if (OpenButton) {
    OpenButton->X = Width - bw;
    OpenButton->Height = Height;
  }
  GUIObject::LayoutChildren();
}

void GUIDropDownBox::AddItem(const char* text, int value) { Items.push_back({text ? text : "", value}); }

int GUIDropDownBox::SelectItem(int index) {
  if (index < 0 || index >= int(Items.size())) return 0;
  Selected = index;
  Field->Set(Items[size_t(index)].text.c_str());
  Field->Cursor = 0;
  Field->TextScroll = 0;
  RedrawRegion();
  return 1;
}

int GUIDropDownBox::GetSelectedValue() const {
  return Selected >= 0 && Selected < int(Items.size()) ? Items[size_t(Selected)].value : -1;
}

const char* GUIDropDownBox::GetSelectedText() const {
  return Selected >= 0 && Selected < int(Items.size()) ? Items[size_t(Selected)].text.c_str() : nullptr;
}

void GUIDropDownBox::ResetBox() {
  // An open list shows the old items; a choice from it would report a value
  // the box no longer holds.
  if (List) List->Close();
  Items.clear();
  Selected = -1;
  Field->Clear();
}

void GUIDropDownBox::OpenList() {
  if (List || Items.empty()) return;
  GUIObject* host = Parent ? Parent : this;
  int width = Width;
  if (Font)
    for (auto& item : Items) width = std::max(width, Font->TextWidth(item.text.c_str(), 1.0f) + 12);
  int x = X, y = Y + Height;
  int maxVisible = MaxVisible;
  if (Parent) {
    // As many items as fit below the box inside the parent's interior.
    int room = Parent->Height - Parent->BottomInset - y - 4;
    int itemH = (Font ? Font->LineHeight : 14) + 2;
    int fit = std::max(3, room / itemH);
    if (maxVisible <= 0 || maxVisible > fit) maxVisible = fit;
  }
  List = new GUIMenuObject(this, x, y, width, Items, Font, DefaultDropDownTexture, maxVisible);
  List->Highlighted = Selected;
  if (host != this) {
    host->AddChild(List);
    List->ClampToBorders();
  } else {
    AddTopLevelObject(List);
  }
  List->BringToFront();
  MouseOwner = List;
  List->RedrawRegion();
}

int GUIDropDownBox::HandleMessage(int msg, int a, int b, void* p, void* q) {
  switch (msg) {
    case MsgEnterPressed:
      if (!List) OpenList();
      return 1;
    case MsgItemChosen: {
      List = nullptr;
      int index = -1;
      for (int i = 0; i < int(Items.size()); ++i)
        if (Items[size_t(i)].value == a) index = i;  // the last one with that value
      if (index >= 0) SelectItem(index);
      return Parent ? Parent->HandleMessage(MsgItemChosen, a, b, p, this) : 1;
    }
    case MsgListClosed: List = nullptr; return 1;
    default: return 0;
  }
}

void GUIDropDownBox::ListenObjectIsGone(GUIObject* gone) {
  if (gone == List) List = nullptr;
}

void GUIDropDownBox::Draw(int x, int y) {
  if (Hidden()) return;
  GUIObject::Draw(x, y);
}
