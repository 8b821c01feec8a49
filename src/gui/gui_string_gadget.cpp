#include "gui/gui_string_gadget.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "foundation/alloc.h"
#include "gfx/font2.h"
#include "gfx/gfx_device.h"
#include "gui/gui_lists.h"
#include "gui/gui_message_handler.h"
#include "gui/gui_redraw.h"
#include "gui/gui_skin.h"
#include "gui/keyboard.h"

const char SpecialCtrlString[] = "0123456789bgruwxstfalyzeivcBGRUWXSTFALYZ";
// The symbol character each entry of SpecialCtrlString stands for. Symbol
// images are named after these characters by the font's symbol format.
const char SpecialCtrlCharChars[] = "0123456789bgruwxstfalyzeivcBGRUWXSTFALYZ";

namespace {
constexpr int kCharWidthWithoutFont = 8;

// Where the symbol group opening at text[i] ends (its "}"), or -1 when the
// "{" opens no group the font can draw: no "}" follows, or a character in
// between has no symbol image (the font stops the program on those).
int SymbolGroupEnd(const char* text, int i) {
  for (int j = i + 1; text[j]; ++j) {
    unsigned char c = static_cast<unsigned char>(text[j]);
    if (c == '}') return j;
    if (!IsSymbolCharacter(c)) return -1;
  }
  return -1;
}

// The first n characters of the text as the font should draw them: "@"
// doubled so that typed text is never read as a text code, and a "{" that
// opens no drawable symbol group shown as a brace. The symbol groups the
// control keys insert stay groups.
std::string Escaped(const char* text, int n) {
  std::string s;
  for (int i = 0; i < n && text[i]; ++i) {
    if (text[i] == '{') {
      int end = SymbolGroupEnd(text, i);
      if (end < 0) {
        s += "@{";
        continue;
      }
      for (; i < n && i <= end; ++i) s += text[i];
      --i;
      continue;
    }
    s += text[i];
    if (text[i] == '@') s += '@';
  }
  return s;
}
}  // namespace

GUIStringGadget::GUIStringGadget(int x, int y, int width, int height) : GUIObject(x, y, width, height) {
  Font = DefaultStringInputFont;
}

GUIStringGadget::~GUIStringGadget() { WipeList(History); }

int GUIStringGadget::Length() const { return int(std::strlen(Buffer)); }

void GUIStringGadget::Changed() {
  KeepCursorVisible();
  RedrawRegion();
}

void GUIStringGadget::Set(const char* text) {
  std::snprintf(Buffer, sizeof Buffer, "%.*s", MaxLength, text ? text : "");
  Cursor = Length();
  Selecting = 0;
  Changed();
}

void GUIStringGadget::Clear() {
  Buffer[0] = 0;
  Cursor = 0;
  Selecting = 0;
  TextScroll = 0;
  RedrawRegion();
}

void GUIStringGadget::SetEnd() {
  Cursor = Length();
  KeepCursorVisible();
}

void GUIStringGadget::SelectAll() {
  Selecting = 1;
  SelectAnchor = 0;
  Cursor = Length();
  Changed();
}

std::string GUIStringGadget::Shown(int n) const {
  if (Masked) return std::string(size_t(std::min(n, Length())), '*');
  return Escaped(Buffer, n);
}

int GUIStringGadget::PixelOffset(int index) {
  if (!Font) return index * kCharWidthWithoutFont;
  std::string prefix = Shown(index);
  return int(Font->TextSize(prefix.c_str()).x);
}

int GUIStringGadget::FindHitIndex(int x) {
  int target = x - 2 + TextScroll;
  int n = Length();
  int prev = 0;
  for (int i = 1; i <= n; ++i) {
    int px = PixelOffset(i);
    if (target < (prev + px) / 2) return i - 1;
    prev = px;
  }
  return n;
}

void GUIStringGadget::KeepCursorVisible() {
  int cx = PixelOffset(Cursor);
  int room = std::max(1, Width - 6);
  if (cx < TextScroll) TextScroll = cx;
  else if (cx > TextScroll + room) TextScroll = cx - room;
  // Never scrolled further than the text needs (the field may have grown).
  TextScroll = std::max(0, std::min(TextScroll, PixelOffset(Length()) - room));
}

void GUIStringGadget::LayoutChildren() {
  KeepCursorVisible();
  GUIObject::LayoutChildren();
}

void GUIStringGadget::Draw(int x, int y) {
  if (Hidden()) return;
  if (!CurGfxDevice) return;
  int ax = x + X, ay = y + Y;
  int saved[4] = {GfxDevice::clip_minx, GfxDevice::clip_miny, GfxDevice::clip_maxx, GfxDevice::clip_maxy};
  CurGfxDevice->ClearRegion(BackColour[0], BackColour[1], BackColour[2], ax, ay, ax + Width - 1, ay + Height - 1);
  SetClip(ax + 1, ay, ax + Width - 2, ay + Height - 1);
  int lineH = Font ? Font->LineHeight : 12;
  int ty = ay + (Height - lineH) / 2;
  int tx = ax + 2 - TextScroll;
  if (HasSelection()) {
    int a = std::min(SelectAnchor, Cursor), b = std::max(SelectAnchor, Cursor);
    CurGfxDevice->ClearRegion(50, 60, 140, tx + PixelOffset(a), ty, tx + PixelOffset(b) - 1, ty + lineH - 1);
  }
  if (Font) {
    std::string shown = "@K" + Shown(Length());
    Font->Print(tx, ty, shown.c_str());
  }
  if (KeyOwner == this && CursorVisible) {
    int cx = tx + PixelOffset(Cursor);
    CurGfxDevice->ClearRegion(0, 0, 0, cx, ty, cx, ty + lineH - 1);
  }
  CurGfxDevice->SetClippingRegion(saved[0], saved[1], saved[2], saved[3]);
  DrawChildren(ax - ScrollX, ay - ScrollY);
}

namespace {
// The keyboard moves to field; a field that had it is redrawn without its caret.
void TakeKeyboard(GUIStringGadget* field) {
  GUIObject* previous = KeyOwner;
  KeyOwner = field;
  if (previous && previous != field && dynamic_cast<GUIStringGadget*>(previous)) previous->RedrawRegion();
}
}  // namespace

void GUIStringGadget::DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) {
  switch (t) {
    case LeftButtonDown:
      if (KeyOwner != this) Typed = 0;
      TakeKeyboard(this);
      MouseOwner = this;
      Cursor = FindHitIndex(x);
      CursorVisible = 1;
      Selecting = 1;
      SelectAnchor = Cursor;
      Changed();
      break;
    case LeftDoubleClick:
      TakeKeyboard(this);
      CursorVisible = 1;
      SelectAll();
      break;
    case LeftButtonUp:
      if (MouseOwner == this) MouseOwner = nullptr;
      break;
    case RightButtonDown:
      if (Parent) Parent->HandleMessage(MsgEntryRightClick, 0, 0, this, nullptr);
      break;
    default: break;
  }
}

void GUIStringGadget::DoMouseMovement(int x, int y, unsigned long mods) {
  if (MouseOwner != this) return;
  int at = FindHitIndex(x);
  if (at != Cursor) {
    Cursor = at;
    Changed();
  }
}

void GUIStringGadget::HandleTimerTick() {
  if (KeyOwner == this) {
    CursorVisible = !CursorVisible;
    RedrawRegion();
  }
  GUIObject::HandleTimerTick();
}

void GUIStringGadget::DeleteRange(int from, int to) {
  int n = Length();
  from = std::clamp(from, 0, n);
  to = std::clamp(to, from, n);
  std::memmove(Buffer + from, Buffer + to, size_t(n - to + 1));
  if (Cursor > to) Cursor -= to - from;
  else if (Cursor > from) Cursor = from;
}

void GUIStringGadget::DeleteSelection() {
  if (!HasSelection()) {
    Selecting = 0;
    return;
  }
  int a = std::min(SelectAnchor, Cursor), b = std::max(SelectAnchor, Cursor);
  Cursor = b;
  DeleteRange(a, b);
  Selecting = 0;
}

void GUIStringGadget::Insert(const char* text, int n) {
  DeleteSelection();
  n = std::min(n, SpaceRemaining());
  if (n <= 0) return;
  int len = Length();
  std::memmove(Buffer + Cursor + n, Buffer + Cursor, size_t(len - Cursor + 1));
  std::memcpy(Buffer + Cursor, text, size_t(n));
  Cursor += n;
}

void GUIStringGadget::CopySelection() {
  if (!HasSelection() || Masked) return;
  int a = std::min(SelectAnchor, Cursor), b = std::max(SelectAnchor, Cursor);
  std::string s(Buffer + a, Buffer + b);
  GUISetClipboardText(s.c_str());
}

void GUIStringGadget::MoveCursor(int to, bool extend) {
  to = std::clamp(to, 0, Length());
  if (extend) {
    if (!Selecting) {
      Selecting = 1;
      SelectAnchor = Cursor;
    }
  } else {
    Selecting = 0;
  }
  Cursor = to;
}

void GUIStringGadget::AddToHistory() {
  if (!Buffer[0]) return;
  for (StringHistoryEntry* e = History; e; e = e->Next)
    if (std::strcmp(e->Text, Buffer) == 0) {
      DeleteFromDList(History, e);
      AddToDEnd(History, e);
      CurrentHistory = nullptr;
      return;
    }
  auto* e = new StringHistoryEntry;
  std::snprintf(e->Text, sizeof e->Text, "%.1023s", Buffer);
  AddToDEnd(History, e);
  CurrentHistory = nullptr;
}

int GUIStringGadget::HandleKey(int key, unsigned long mods) {
  if (KeyOwner != this || ReadOnly) return 0;
  CursorVisible = 1;
  Typed = 1;
  switch (key) {
    case KeyLeft: MoveCursor(Cursor - 1, false); break;
    case KeyRight: MoveCursor(Cursor + 1, false); break;
    case KeyLeft | KeyShift: MoveCursor(Cursor - 1, true); break;
    case KeyRight | KeyShift: MoveCursor(Cursor + 1, true); break;
    case KeyHome: MoveCursor(0, false); break;
    case KeyEnd: MoveCursor(Length(), false); break;
    case KeyHome | KeyShift: MoveCursor(0, true); break;
    case KeyEnd | KeyShift: MoveCursor(Length(), true); break;
    case KeyUp:
    case KeyDown: {
      StringHistoryEntry* e;
      if (key == KeyUp) e = CurrentHistory ? CurrentHistory->Prev : LastNode(History);
      else e = CurrentHistory ? CurrentHistory->Next : nullptr;
      if (key == KeyUp && !e) e = CurrentHistory;  // stays on the oldest entry
      // With nothing to recall (no history, or Down before any Up) the
      // typed text stays; Down past the newest entry gives an empty line.
      if (!e && !CurrentHistory) return 1;
      CurrentHistory = e;
      Set(e ? e->Text : "");
      return 1;
    }
    case KeyDelete:
      if (HasSelection()) DeleteSelection();
      else DeleteRange(Cursor, Cursor + 1);
      break;
    case KeyInsert | KeyControl:
    case 3: CopySelection(); return 1;
    case KeyInsert | KeyShift:
    case 22: {
      if (char* clip = GUIGetClipboardText()) {
        // Only the first line, and only printable characters, go in.
        std::string s;
        for (const char* p = clip; *p && *p != '\n' && *p != '\r'; ++p)
          if (static_cast<unsigned char>(*p) >= 32) s += *p;
        GRTFree(clip);
        Insert(s.data(), int(s.size()));
      }
      break;
    }
    case KeyDelete | KeyControl:
    case 24:
      CopySelection();
      DeleteSelection();
      break;
    case KeyBackspace:
      if (HasSelection()) {
        DeleteSelection();
      } else if (Cursor > 0) {
        int from = Cursor - 1;
        // A one-symbol group goes as one; "@" is always literal in a field.
        if (Buffer[from] == '}' && from >= 2 && Buffer[from - 2] == '{') from -= 2;
        DeleteRange(from, Cursor);
      }
      Selecting = 0;
      break;
    case KeyEnter: {
      AddToHistory();
      GUIWatch self(this);
      GUIObject* next = NextInTabOrder;
      if (Parent) Parent->HandleMessage(MsgEnterPressed, 0, 0, this, nullptr);
      // The parent may have destroyed this field (a dialog that closed).
      if (!self) return 1;
      if (next && KeyOwner == this) {
        KeyOwner = next;
        next->RedrawRegion();
      }
      RedrawRegion();
      return 1;
    }
    case 17: SymbolEntry = !SymbolEntry; return 1;
    default: {
      bool printable = (key >= 32 && key <= 126) || (key >= 160 && key <= 255);
      if (!printable) return 0;
      if (SymbolEntry) {
        SymbolEntry = 0;
        if (const char* at = std::strchr(SpecialCtrlString, key)) {
          DeleteSelection();
          if (SpaceRemaining() >= 3) {
            char group[3] = {'{', SpecialCtrlCharChars[at - SpecialCtrlString], '}'};
            Insert(group, 3);
          }
          break;
        }
      }
      char c = char(key);
      Insert(&c, 1);
      break;
    }
  }
  Changed();
  return 1;
}
