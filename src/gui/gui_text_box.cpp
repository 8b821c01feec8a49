#include "gui/gui_text_box.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/alloc.h"
#include "gfx/font2.h"
#include "gfx/gfx_device.h"
#include "gfx/texture.h"
#include "gui/gui_lists.h"
#include "gui/gui_redraw.h"
#include "gui/gui_scroll_bar.h"
#include "gui/gui_skin.h"
#include "gui/keyboard.h"

TextLine::TextLine(const char* text, char colour, int userData)
    : Text(GUIStrDup(text ? text : "")), Colour(colour), UserData(userData) {}

TextLine::~TextLine() { GRTFree(Text); }

const char* SkipFirstAt(const char* text) {
  if (text && text[0] == '@' && text[1]) return text + 2;
  return text;
}

GUITextBox::GUITextBox(int x, int y, int width, int height, unsigned char red, unsigned char green, unsigned char blue)
    : GUIObject(x, y, width, height) {
  BackColour[0] = red;
  BackColour[1] = green;
  BackColour[2] = blue;
  Font = DefaultGUIObjFont;
}

GUITextBox::~GUITextBox() { WipeList(Lines); }

int GUITextBox::LineHeightPixels() { return Font && Font->LineHeight > 0 ? Font->LineHeight : 14; }

namespace {
bool Shows(const GUIScrollBar* bar) { return bar && !(bar->Flags & Disabled); }

// Width of a line as Draw prints it (its colour code, then its text).
int LineWidth(Font2* font, const TextLine* line) {
  if (!font) return 0;
  std::string shown = std::string("@") + line->Colour + line->Text;
  return int(font->TextSize(shown.c_str()).x);
}
}  // namespace

int GUITextBox::NDisplayedVerticalElements() {
  int height = Height - 4 - (Shows(HScroll) ? ScrollBarWidth : 0);
  return std::max(1, height / LineHeightPixels());
}

int GUITextBox::TextWidth() const { return Width - 6 - (Shows(VScroll) ? ScrollBarWidth : 0); }

TextLine* GUITextBox::LineAt(int index) const { return NthNode(Lines, index); }

void GUITextBox::ClearText() {
  WipeList(Lines);
  NLines = 0;
  FirstLine = 0;
  FirstColumn = 0;
  WidestLine = 0;
  Selected = nullptr;
  CheckNeedScrollBars();
  RedrawRegion();
}

void GUITextBox::AddLineAtBottom(const char* text) { AddLineAtBottom(text, 0); }

void GUITextBox::AddLineAtBottom(const char* text, int userData) {
  std::vector<char> buf(text ? text : "", (text ? text : "") + (text ? std::strlen(text) : 0));
  buf.push_back(0);
  // Wrapped with room for a scroll bar, so that lines keep their breaks when
  // it appears.
  if (Font) Font->TextSizeAndWrap(buf.data(), Width - 6 - ScrollBarWidth);
  const char* p = buf.data();
  for (;;) {
    const char* nl = std::strchr(p, '\n');
    std::string piece(p, nl ? nl : p + std::strlen(p));
    if (!piece.empty() && piece.back() == '\r') piece.pop_back();
    TextLine* added = new TextLine(piece.c_str(), DefaultColour, userData);
    AddToDEnd(Lines, added);
    ++NLines;
    WidestLine = std::max(WidestLine, LineWidth(Font, added));
    if (!nl) break;
    p = nl + 1;
  }
  CheckNeedScrollBars();
  RedrawRegion();
}

void GUITextBox::DeleteLine(TextLine* line) {
  if (!line || PositionInList(Lines, line) < 0) return;
  if (Selected == line) Selected = nullptr;
  DeleteFromDList(Lines, line);
  delete line;
  --NLines;
  WidestLine = 0;
  for (TextLine* l = Lines; l; l = l->Next) WidestLine = std::max(WidestLine, LineWidth(Font, l));
  SetFirstLine(FirstLine);
  CheckNeedScrollBars();
  RedrawRegion();
}

void GUITextBox::SetFirstLine(int first) {
  int maxFirst = std::max(0, NLines - NDisplayedVerticalElements());
  first = std::clamp(first, 0, maxFirst);
  if (first != FirstLine) {
    FirstLine = first;
    RedrawRegion();
  }
  if (VScroll) VScroll->RethinkSliderPosAndSize();
}

void GUITextBox::SetFirstColumn(int first) {
  first = std::clamp(first, 0, std::max(0, WidestLine - TextWidth()));
  if (first != FirstColumn) {
    FirstColumn = first;
    RedrawRegion();
  }
  if (HScroll) HScroll->RethinkSliderPosAndSize();
}

void GUITextBox::ScrollToTop() { SetFirstLine(0); }

void GUITextBox::ScrollToBottom() { SetFirstLine(NLines); }

void GUITextBox::CheckNeedScrollBars() {
  // The horizontal bar takes a line of height and the vertical one some
  // width, so each decision is made again once the other is known.
  bool needV = false, needH = false;
  for (int pass = 0; pass < 2; ++pass) {
    int rows = std::max(1, (Height - 4 - (needH ? ScrollBarWidth : 0)) / LineHeightPixels());
    needV = NLines > rows;
    needH = WidestLine > Width - 6 - (needV ? ScrollBarWidth : 0);
  }
  if (needV && !VScroll) {
    VScroll = new GUIScrollBar(this, Width - ScrollBarWidth, 0, ScrollBarWidth, Height, 1);
    AddChild(VScroll);
  }
  if (needH && !HScroll) {
    HScroll = new GUIScrollBar(this, 0, Height - ScrollBarWidth, Width, ScrollBarWidth, 0);
    AddChild(HScroll);
  }
  if (VScroll) {
    if (needV) VScroll->Flags &= ~uint32_t(Disabled);
    else VScroll->Flags |= Disabled;
    VScroll->X = Width - ScrollBarWidth;
    VScroll->Height = Height - (needH ? ScrollBarWidth : 0);
    VScroll->RethinkSliderPosAndSize();
  }
  if (HScroll) {
    if (needH) HScroll->Flags &= ~uint32_t(Disabled);
    else HScroll->Flags |= Disabled;
    HScroll->Y = Height - ScrollBarWidth;
    HScroll->Width = Width - (needV ? ScrollBarWidth : 0);
    HScroll->RethinkSliderPosAndSize();
  }
  SetFirstLine(FirstLine);
  SetFirstColumn(FirstColumn);
}

void GUITextBox::LayoutChildren() {
  CheckNeedScrollBars();
  GUIObject::LayoutChildren();
}

void GUITextBox::Draw(int x, int y) {
  if (Hidden()) return;
  if (!CurGfxDevice) return;
  int ax = x + X, ay = y + Y;
  int saved[4] = {GfxDevice::clip_minx, GfxDevice::clip_miny, GfxDevice::clip_maxx, GfxDevice::clip_maxy};
  SetClip(ax, ay, ax + Width - 1, ay + Height - 1);
  if (BackTexture) {
    for (int ty = ay; ty < ay + Height; ty += std::max(1, BackTexture->Height))
      for (int tx = ax; tx < ax + Width; tx += std::max(1, BackTexture->Width))
        CurGfxDevice->CopyTMap(float(tx), float(ty), BackTexture);
  } else if (BackColour[0] || BackColour[1] || BackColour[2] || DefaultColour != 'W') {
    CurGfxDevice->ClearRegion(BackColour[0], BackColour[1], BackColour[2], ax, ay, ax + Width - 1, ay + Height - 1);
  }
  int lh = LineHeightPixels();
  int shown = NDisplayedVerticalElements();
  TextLine* line = LineAt(FirstLine);
  SetClip(ax, ay, ax + 2 + TextWidth(), ay + Height - 1 - (Shows(HScroll) ? ScrollBarWidth : 0));
  for (int i = 0; line && i <= shown; ++i, line = line->Next) {
    int ly = ay + 2 + i * lh;
    if (line == Selected) CurGfxDevice->ClearRegion(60, 70, 150, ax + 1, ly, ax + 2 + TextWidth(), ly + lh - 1);
    if (Font) {
      // The line's colour code, then its text.
      std::string shown = std::string("@") + line->Colour + line->Text;
      Font->Print(ax + 3 - FirstColumn, ly, shown.c_str());
    }
  }
  CurGfxDevice->SetClippingRegion(saved[0], saved[1], saved[2], saved[3]);
  DrawChildren(ax - ScrollX, ay - ScrollY);
}

// Pixels one arrow step scrolls sideways.
constexpr int kColumnStep = 8;

int GUITextBox::HandleMessage(int msg, int a, int b, void* p, void* q) {
  switch (msg) {
    case 4000: SetFirstLine(FirstLine - 1); return 1;
    case 4001: SetFirstLine(FirstLine + 1); return 1;
    case 4004: SetFirstLine(a); return 1;
    case 4002: SetFirstColumn(FirstColumn - kColumnStep); return 1;
    case 4003: SetFirstColumn(FirstColumn + kColumnStep); return 1;
    case 4005: SetFirstColumn(a); return 1;
    default: return Parent ? Parent->HandleMessage(msg, a, b, p, q) : 0;
  }
}

void GUITextBox::DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) {
  for (GUIObject* c = Children; c; c = c->Next)
    if (c->HitTest(x, y)) {
      c->DoButtonEvent(t, x - c->X, y - c->Y, mods);
      return;
    }
  if (!Selectable || (t != LeftButtonDown && t != LeftDoubleClick)) return;
  int index = FirstLine + (y - 2) / LineHeightPixels();
  TextLine* line = (y >= 2) ? LineAt(index) : nullptr;
  if (!line) return;
  Selected = line;
  RedrawRegion();
  if (Parent)
    Parent->HandleMessage(t == LeftDoubleClick ? MsgLineDoubleClicked : MsgLineSelected, index, line->UserData, this,
                          line);
}

int GUITextBox::HandleKey(int key, unsigned long mods) {
  if (KeyOwner != this) return GUIObject::HandleKey(key, mods);
  switch (key) {
    case KeyUp: SetFirstLine(FirstLine - 1); return 1;
    case KeyDown: SetFirstLine(FirstLine + 1); return 1;
    case KeyPageUp: SetFirstLine(FirstLine - NDisplayedVerticalElements()); return 1;
    case KeyPageDown: SetFirstLine(FirstLine + NDisplayedVerticalElements()); return 1;
    default: return 0;
  }
}
