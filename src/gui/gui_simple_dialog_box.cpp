#include "gui/gui_simple_dialog_box.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/alloc.h"
#include "foundation/language_catalogue.h"
#include "gfx/font2.h"
#include "gfx/gfx_device.h"
#include "gui/gui_button.h"
#include "gui/gui_drag_bar.h"
#include "gui/gui_redraw.h"
#include "gui/gui_skin.h"
#include "gui/gui_string_gadget.h"
#include "gui/gui_text_box.h"
#include "gui/mouse_dispatch.h"
#include "platform/filesystem.h"

const char* SimpleButtonHelpStrs[10] = {"Help",   "Cancel", "No",      "OK", "Yes",
                                        "Ignore", "Delete", "Respond", "No", "Yes"};
const int SimpleButtonStyles[10] = {3, 2, 2, 1, 1, 0, 0, 0, 7, 6};

namespace {
constexpr int kMargin = 12;
constexpr int kButtonWidth = 90;
constexpr int kButtonGap = 8;

// The tile behind a long message, when the program ships it (loading a
// missing image may be fatal, so its presence is checked first).
TextureMap* LongTextBackground() {
  if (!CurGfxDevice) return nullptr;
  for (const char* ext : {".tga", ".png", ".jpg", ".tif"})
    if (PlatFileExists(std::string("backgrnd/galvtile") + ext))
      return CurGfxDevice->LoadTexture("backgrnd/galvtile.tga", 0);
  return nullptr;
}

Font2* DialogFont() { return DefaultSimpleDialogButtonFont ? DefaultSimpleDialogButtonFont : DefaultGUIObjFont; }
}  // namespace

GUIButton* NewSimpleDialogButton(int kind, int messageId) {
  if (kind < 0 || kind > 9) kind = DialogOK;
  // Label and help text are the table's word in the player's language.
  auto* b =
      new GUIButton(0, 0, kButtonWidth, GetString(SimpleButtonHelpStrs[kind]), messageId, SimpleButtonStyles[kind]);
  b->Icon = SimpleButtonIcons[kind];
  b->AddHelpText(GetString(SimpleButtonHelpStrs[kind]));
  if (DefaultSimpleDialogButtonFont) b->Font = DefaultSimpleDialogButtonFont;
  b->GrowToLabel();
  return b;
}

GUISimpleDialogBox::GUISimpleDialogBox(const char* title, GUIObject* recipient, TextureMap* background,
                                       const char* message, int width, int height, int button1, int button1Msg,
                                       int button2, int button2Msg, int withEntry, const char* prompt,
                                       const char* entryText)
    : GUISimpleDialogBox(SimpleDialogSettings{.Title = title,
                                              .Recipient = recipient,
                                              .Background = background,
                                              .Message = message,
                                              .Width = width,
                                              .Height = height,
                                              .Button1 = button1,
                                              .Button1Msg = button1Msg,
                                              .Button2 = button2,
                                              .Button2Msg = button2Msg,
                                              .WithEntry = withEntry != 0,
                                              .Prompt = prompt,
                                              .EntryText = entryText}) {}

GUISimpleDialogBox::GUISimpleDialogBox(const SimpleDialogSettings& settings)
    : GUIFramedWindow(0, 0, std::max(settings.Width, 160), std::max(settings.Height, 80), settings.Title, 1, 0, 0, 0,
                      nullptr) {
  Recipient = settings.Recipient;
  InteriorTexture = settings.Background;
  Message = GUIStrDup(settings.Message ? settings.Message : "");
  if (settings.Button1 >= 0) AddButton(settings.Button1, settings.Button1Msg);
  if (settings.Button2 >= 0) AddButton(settings.Button2, settings.Button2Msg);
  if (settings.WithEntry) {
    std::snprintf(Prompt, sizeof Prompt, "%.127s", settings.Prompt ? settings.Prompt : "");
    Entry = new GUIStringGadget(30, 0, Width - 58, 20);
    Entry->MaxLength = kStringGadgetCapacity;
    if (settings.EntryText) Entry->Set(settings.EntryText);
    AddChild(Entry);
    KeyOwner = Entry;
  }
  Arrange();
  // Centred on the screen until Place () centres it in its parent.
  X = std::max(0, (GfxDevice::Width - Width) / 2);
  Y = std::max(0, (GfxDevice::Height - Height) / 2);
  SetModal(this);
}

GUISimpleDialogBox::~GUISimpleDialogBox() { GRTFree(Message); }

bool GUISimpleDialogBox::AddButton(int kind, int messageId) {
  if (NButtons >= 10) return false;
  GUIButton* b = NewSimpleDialogButton(kind, messageId);
  Buttons[NButtons++] = b;
  AddChild(b);
  Arrange();
  return true;
}

void GUISimpleDialogBox::Arrange() {
  Font2* font = DialogFont();
  int innerW = Width - LeftInset - RightInset - 2 * kMargin;
  int buttonH = 0;
  for (int i = 0; i < NButtons; ++i) buttonH = std::max(buttonH, Buttons[i]->Height);
  int entryH = Entry ? 70 : 0;
  int screenH = GUIObjList ? GUIObjList->Height : GfxDevice::Height;
  if (screenH <= 0) screenH = 480;
  // The message wrapped to the inner width; the box grows by 5 pixels at a
  // time until it holds it, and a text taller than the screen goes into a
  // scrolling text box instead.
  std::string wrapped = std::string("@W@Z") + Message;
  int textH = 20;
  if (font) {
    std::vector<char> buf(wrapped.begin(), wrapped.end());
    buf.push_back(0);
    textH = int(font->TextSizeAndWrap(buf.data(), innerW).y);
  }
  int fixed = TopInset + kMargin + kMargin + entryH + buttonH + kMargin + BottomInset;
  int need = fixed + textH;
  if (need > screenH && !LongText) {
    int boxH = std::max(60, screenH - fixed - 20);
    LongText = new GUITextBox(LeftInset + kMargin, TopInset + kMargin, innerW, boxH, 0, 0, 0);
    LongText->DefaultColour = 'W';
    LongText->BackTexture = LongTextBackground();
    AddChild(LongText);
    LongText->AddLineAtBottom(Message);
    LongText->ScrollToTop();
  }
  if (LongText) {
    LongText->Width = innerW;
    textH = LongText->Height;
    need = fixed + textH;
  }
  MessageHeight = LongText ? 0 : textH;
  while (Height < need) Height += 5;
  // Buttons centred in a row along the bottom.
  int total = 0;
  for (int i = 0; i < NButtons; ++i) total += Buttons[i]->Width + (i ? kButtonGap : 0);
  int bx = (Width - total) / 2;
  int by = Height - BottomInset - kMargin - buttonH;
  for (int i = 0; i < NButtons; ++i) {
    Buttons[i]->X = bx;
    Buttons[i]->Y = by;
    bx += Buttons[i]->Width + kButtonGap;
  }
  if (Entry) {
    Entry->X = 30;
    Entry->Y = Height - 70;
    Entry->Width = Width - 58;
    Entry->Height = 20;
  }
  LayoutChildren();
}

void GUISimpleDialogBox::Place() {
  int pw = Parent ? Parent->Width : GfxDevice::Width;
  int ph = Parent ? Parent->Height : GfxDevice::Height;
  X = (pw - Width) / 2;
  Y = (ph - Height) / 2;
  if (Parent) ClampToBorders();
  X = std::max(0, X);
  Y = std::max(0, Y);
  RedrawRegion();
}

void GUISimpleDialogBox::LayoutChildren() { GUIFramedWindow::LayoutChildren(); }

void GUISimpleDialogBox::Draw(int x, int y) {
  if (Hidden()) return;
  GUIFramedWindow::Draw(x, y);
  if (!CurGfxDevice || Minimized) return;
  int ax = x + X, ay = y + Y;
  Font2* font = DialogFont();
  if (!font) return;
  // A word or a prompt wider than the box is cut at its borders: nothing
  // may spill out of an object (partial redraws draw only the objects near
  // their rectangle).
  int saved[4] = {GfxDevice::clip_minx, GfxDevice::clip_miny, GfxDevice::clip_maxx, GfxDevice::clip_maxy};
  SetClip(ax + LeftInset, ay + TopInset, ax + Width - RightInset - 1, ay + Height - BottomInset - 1);
  if (!LongText) {
    std::string text = std::string("@W@Z") + Message;
    std::vector<char> buf(text.begin(), text.end());
    buf.push_back(0);
    font->TextSizeAndWrap(buf.data(), Width - LeftInset - RightInset - 2 * kMargin);
    font->Print(ax + LeftInset + kMargin, ay + TopInset + kMargin, buf.data());
  }
  if (Entry && Prompt[0]) font->PrintF(ax + Entry->X, ay + Entry->Y - font->LineHeight - 3, "@W@Z%s", Prompt);
  CurGfxDevice->SetClippingRegion(saved[0], saved[1], saved[2], saved[3]);
}

int GUISimpleDialogBox::HandleMessage(int msg, int a, int b, void* p, void* q) {
  bool isResult = msg == MsgCloseGadget;
  for (int i = 0; i < NButtons && !isResult; ++i)
    if (Buttons[i] && Buttons[i]->MessageId == msg) isResult = true;
  if (msg == MsgEnterPressed && Entry && p == Entry) {
    if (!Entry->Text()[0]) return 0;  // Enter in an empty field is ignored
    isResult = true;
  }
  if (!isResult) return GUIFramedWindow::HandleMessage(msg, a, b, p, q);

  int result = msg == MsgCloseGadget ? CloseResult : msg == MsgEnterPressed ? EnterResult : msg;
  // Everything the report needs is taken before the box may destroy itself.
  std::string text = Entry ? Entry->Text() : "";
  GUIObject* to = Recipient ? Recipient : Parent;
  int userValue = UserValue, tag = Tag, userData = UserData;
  GUIWatch recipient(to);
  if (result != KeepOpenId && !DontDelete) delete this;
  if (recipient)
    recipient.get()->HandleMessage(result, userValue, tag, reinterpret_cast<void*>(intptr_t(userData)),
                                   text.empty() ? nullptr : const_cast<char*>(text.c_str()));
  return 1;
}
