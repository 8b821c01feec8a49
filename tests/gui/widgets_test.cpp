// Widgets driven through the window-message path on the null device.
#include <cstring>
#include <string>

#include "foundation/alloc.h"
#include "foundation/language_catalogue.h"
#include "gfx/font2.h"
#include "gui/gui_backdrop_window.h"
#include "gui/gui_button.h"
#include "gui/gui_drag_bar.h"
#include "gui/gui_drop_down_box.h"
#include "gui/gui_framed_window.h"
#include "gui/gui_scroll_bar.h"
#include "gui/gui_simple_dialog_box.h"
#include "gui/gui_skin.h"
#include "gui/gui_string_gadget.h"
#include "gui/gui_text_box.h"
#include "gui/gui_toggle_button.h"
#include "gui_fixture.h"
#include "gui_input.h"
#include "platform/cursor.h"
#include "platform/key_state.h"

namespace {

class WidgetTest : public GUITest {
 protected:
  void SetUp() override {
    GUITest::SetUp();
    PlatSetKeyStateOverride(0x100);  // all modifiers released
    screen = new Probe(0, 0, 640, 480);
    AddTopLevelObject(screen);
  }
  void TearDown() override {
    PlatSetKeyStateOverride(0);
    GUITest::TearDown();
  }
  Probe* screen;
};

using ButtonTest = WidgetTest;

TEST_F(ButtonTest, TwoClicksReportOneThenZeroAndUpdateTheState) {
  int state = 7;
  auto* b = new GUIButton(100, 100, 80, "Go", 42, 0, &state);
  screen->AddChild(b);
  Click(110, 105);
  ASSERT_EQ(screen->CountMessages(42), 1);
  EXPECT_EQ(screen->messages.back().a, 1);
  EXPECT_EQ(screen->messages.back().p, b);
  EXPECT_EQ(state, 1);
  Click(110, 105);
  EXPECT_EQ(screen->messages.back().a, 0);
  EXPECT_EQ(state, 0);
  EXPECT_EQ(MouseOwner, nullptr);
}

TEST_F(ButtonTest, PressMoveOffReleaseSendsNothingAndRestoresTheTick) {
  auto* b = new GUIButton(100, 100, 80, "Go", 42, 0);
  b->RepeatInterval = 100;
  screen->AddChild(b);
  MouseDown(110, 105);
  EXPECT_EQ(MouseOwner, b);
  EXPECT_TRUE(b->Flags & Pressed);
  EXPECT_EQ(GUITickIntervalMs, 100);
  MouseMove(300, 300);
  EXPECT_FALSE(b->Flags & Pressed);
  EXPECT_EQ(b->PointerInside, 0);
  MouseUp(300, 300);
  EXPECT_EQ(screen->CountMessages(42), 0);
  EXPECT_EQ(b->State, 0);
  EXPECT_EQ(GUITickIntervalMs, 500);
  // Moving back on before release still counts.
  MouseDown(110, 105);
  MouseMove(300, 300);
  MouseMove(120, 110);
  EXPECT_TRUE(b->Flags & Pressed);
  MouseUp(120, 110);
  EXPECT_EQ(screen->CountMessages(42), 1);
}

TEST_F(ButtonTest, RightClickReports5014WithoutFlipping) {
  auto* b = new GUIButton(100, 100, 80, "Go", 42, 0);
  screen->AddChild(b);
  RightDown(110, 105);
  GUIMessageHandler(WM_RBUTTONUP, 0, PackXY(110, 105));
  ASSERT_EQ(screen->messages.size(), 1u);
  EXPECT_EQ(screen->messages[0].msg, MsgRightClick);
  EXPECT_EQ(screen->messages[0].p, b);
  EXPECT_EQ(b->State, 0);
}

TEST_F(ButtonTest, StylesGiveHelpAndSoundAndDisablingDamagesAndHides) {
  auto* ok = new GUIButton(0, 0, -1, "OK", 1, 1);
  auto* cancel = new GUIButton(0, 40, 60, "Cancel", 2, 2);
  screen->AddChild(ok);
  screen->AddChild(cancel);
  EXPECT_STREQ(ok->HelpText(), "OK");
  EXPECT_EQ(ok->SoundKind, 2);
  EXPECT_EQ(cancel->SoundKind, 1);
  EXPECT_GT(ok->Width, 0);
  EXPECT_GT(ok->Height, 0);
  ClearDamageRegions();
  cancel->Disable();
  ASSERT_EQ(NDamageRegions, 1);
  EXPECT_EQ(DamageRegions[0].y1, 40);
  Click(10, 45);
  EXPECT_EQ(screen->CountMessages(2), 0);  // a disabled button takes no clicks
  ClearDamageRegions();
  cancel->Enable();
  EXPECT_EQ(NDamageRegions, 1);
}

TEST_F(ButtonTest, APressEndsWithoutAClickWhenTheButtonsWindowIsHidden) {
  auto* panel = new Probe(0, 0, 300, 300);
  screen->AddChild(panel);
  auto* b = new GUIButton(10, 10, 80, "Go", 77, 0);
  panel->AddChild(b);
  MouseMove(15, 15);
  MouseDown(15, 15);
  ASSERT_EQ(MouseOwner, b);
  panel->Disable();
  MouseUp(15, 15);
  EXPECT_EQ(panel->CountMessages(77), 0);
  EXPECT_EQ(b->State, 0);
  EXPECT_EQ(MouseOwner, nullptr);
  EXPECT_FALSE(b->Flags & Pressed);
}

TEST_F(ButtonTest, LabelsAreCutAt31Characters) {
  auto* b = new GUIButton(0, 0, 50, "0123456789012345678901234567890123456789", 1, 0);
  screen->AddChild(b);
  EXPECT_EQ(std::strlen(b->Text), 31u);
}

TEST_F(ButtonTest, ToggleReportsClickThen4008) {
  int bound = 1;
  auto* t = new GUIToggleButton(10, 10, 16, 16, 130, nullptr, nullptr, nullptr, &bound);
  screen->AddChild(t);
  EXPECT_EQ(t->State, 1);
  Click(15, 15);
  ASSERT_EQ(screen->messages.size(), 2u);
  EXPECT_EQ(screen->messages[0].msg, 130);
  EXPECT_EQ(screen->messages[0].a, 0);
  EXPECT_EQ(screen->messages[1].msg, MsgToggleReleased);
  EXPECT_EQ(bound, 0);
}

TEST_F(ButtonTest, ParentDestroyingTheButtonsWindowOnClickIsSafe) {
  class Closer : public GUIObject {
   public:
    using GUIObject::GUIObject;
    int HandleMessage(int msg, int, int, void*, void*) override {
      if (msg == 9) {
        delete this;
        return 1;
      }
      return 0;
    }
  };
  auto* window = new Closer(50, 50, 200, 200);
  screen->AddChild(window);
  window->AddChild(new GUIButton(10, 10, 80, "Close", 9, 0));
  Click(70, 70);
  EXPECT_EQ(screen->Children, nullptr);
  EXPECT_EQ(MouseOwner, nullptr);
}

class EntryTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    field = new GUIStringGadget(20, 20, 200, 20);
    screen->AddChild(field);
    Click(30, 25);
  }
  GUIStringGadget* field;
};

TEST_F(EntryTest, ClickTakesFocusAndTypingEditsWithBackspaceAndEnter) {
  EXPECT_EQ(KeyOwner, field);
  Type("helo");
  KeyDown(VK_LEFT);
  Type("l");
  EXPECT_STREQ(field->Text(), "hello");
  KeyDown(VK_END);
  PressBackspace();
  EXPECT_STREQ(field->Text(), "hell");
  PressEnter();
  ASSERT_EQ(screen->CountMessages(MsgEnterPressed), 1);
  EXPECT_EQ(screen->messages.back().p, field);
  // A click elsewhere ends editing.
  MouseDown(500, 400);
  EXPECT_EQ(KeyOwner, nullptr);
  Type("x");
  EXPECT_STREQ(field->Text(), "hell");
}

TEST_F(EntryTest, BackspaceAfterASymbolGroupRemovesTheWholeGroup) {
  Type("ab");
  TypeChar(17);  // Control+Q: symbol entry
  Type("g");
  EXPECT_STREQ(field->Text(), "ab{g}");
  EXPECT_EQ(field->SymbolEntry, 0);
  Type("c");
  PressBackspace();
  PressBackspace();
  EXPECT_STREQ(field->Text(), "ab");
  // A character outside the symbol set is typed normally and ends symbol entry.
  TypeChar(17);
  Type("#");
  EXPECT_STREQ(field->Text(), "ab#");
  // The field shows "@" literally, so it holds no text codes: an address
  // like "me@x" loses one character at a time.
  Type("@R");
  PressBackspace();
  EXPECT_STREQ(field->Text(), "ab#@");
}

TEST_F(EntryTest, SelectionWithShiftAndClipboardKeys) {
  Type("hello world");
  KeyDown(VK_HOME);
  PlatSetKeyStateOverride(1);  // Shift
  for (int i = 0; i < 5; ++i) KeyDown(VK_RIGHT);
  PlatSetKeyStateOverride(0x100);
  EXPECT_TRUE(field->HasSelection());
  TypeChar(3);  // Control+C
  KeyDown(VK_END);
  TypeChar(22);  // Control+V
  EXPECT_STREQ(field->Text(), "hello worldhello");
  PlatSetKeyStateOverride(1);
  KeyDown(VK_HOME);
  PlatSetKeyStateOverride(0x100);
  TypeChar(24);  // Control+X: cut everything
  EXPECT_STREQ(field->Text(), "");
  TypeChar(22);
  EXPECT_STREQ(field->Text(), "hello worldhello");
  // Typing replaces a selection; Delete removes the character at the cursor.
  field->SelectAll();
  Type("z");
  EXPECT_STREQ(field->Text(), "z");
  KeyDown(VK_HOME);
  KeyDown(VK_DELETE);
  EXPECT_STREQ(field->Text(), "");
}

TEST_F(EntryTest, MaskedFieldNeverReachesTheClipboard) {
  GUISetClipboardText("before");
  field->Masked = 1;
  Type("secret");
  field->SelectAll();
  TypeChar(3);
  TypeChar(24);  // a cut of a password deletes it but copies nothing
  EXPECT_STREQ(field->Text(), "");
  char* clip = GUIGetClipboardText();
  ASSERT_NE(clip, nullptr);
  EXPECT_STREQ(clip, "before");
  GRTFree(clip);
}

TEST_F(EntryTest, HistoryRecallsEarlierEntriesWithoutDuplicates) {
  Type("one");
  PressEnter();
  field->Clear();
  Type("two");
  PressEnter();
  field->Clear();
  Type("one");
  PressEnter();  // moves "one" to the end
  field->Clear();
  KeyDown(VK_UP);
  EXPECT_STREQ(field->Text(), "one");
  KeyDown(VK_UP);
  EXPECT_STREQ(field->Text(), "two");
  KeyDown(VK_UP);
  EXPECT_STREQ(field->Text(), "two");
  KeyDown(VK_DOWN);
  EXPECT_STREQ(field->Text(), "one");
}

TEST_F(EntryTest, UpOrDownWithNothingToRecallKeepsTheTypedText) {
  Type("hello");
  KeyDown(VK_UP);
  EXPECT_STREQ(field->Text(), "hello");
  KeyDown(VK_DOWN);
  EXPECT_STREQ(field->Text(), "hello");
  PressEnter();
  Type("draft");
  KeyDown(VK_DOWN);
  EXPECT_STREQ(field->Text(), "hellodraft") << "Down before any Up recalls nothing";
  KeyDown(VK_UP);
  EXPECT_STREQ(field->Text(), "hello");
  KeyDown(VK_DOWN);
  EXPECT_STREQ(field->Text(), "") << "past the newest entry: an empty line";
}

TEST_F(EntryTest, TypedBracesAndAtSignsAreShownAsTyped) {
  struct Case {
    const char* text;
    const char* shown;
  } cases[] = {
      {"me@x", "me@@x"},     {"ab{\xe9}", "ab@{\xe9}"},  // no symbol image for that character
      {"open{", "open@{"},                               // no closing brace
      {"{g}x", "{g}x"},                                  // a symbol group the control keys insert
      {"a{b@}c", "a{b@}c"},                              // inside a group "@" is a symbol
      {"{\x01}", "@{\x01}"},
  };
  for (const Case& c : cases) {
    field->Set(c.text);
    EXPECT_EQ(field->Shown(int(std::strlen(c.text))), c.shown) << c.text;
  }
}

TEST_F(EntryTest, CapacityStopsTypingAndEnterMovesFocusAlongTabOrder) {
  field->MaxLength = 4;
  Type("abcdef");
  EXPECT_STREQ(field->Text(), "abcd");
  auto* next = new GUIStringGadget(20, 60, 100, 20);
  screen->AddChild(next);
  field->NextInTabOrder = next;
  PressEnter();
  EXPECT_EQ(KeyOwner, next);
  Type("x");
  EXPECT_STREQ(next->Text(), "x");
}

TEST_F(EntryTest, RightClickReports6063AndTickBlinksTheCursor) {
  RightDown(30, 25);
  EXPECT_EQ(screen->CountMessages(MsgEntryRightClick), 1);
  unsigned char before = field->CursorVisible;
  GUIMessageHandler(WM_TIMER, 3, 0);
  EXPECT_NE(field->CursorVisible, before);
}

class DialogTest : public WidgetTest {
 protected:
  GUISimpleDialogBox* MakeDialog(bool entry) {
    auto* box = new GUISimpleDialogBox({.Title = "Question",
                                        .Recipient = screen,
                                        .Message = "Name?",
                                        .Width = 300,
                                        .Height = 150,
                                        .Button1 = DialogOK,
                                        .Button1Msg = 131,
                                        .Button2 = DialogCancel,
                                        .Button2Msg = 132,
                                        .WithEntry = entry,
                                        .Prompt = "Your name"});
    box->UserValue = 5;
    box->Tag = 6;
    box->UserData = 7;
    box->CloseResult = 140;
    box->EnterResult = 141;
    AddTopLevelObject(box);
    box->Place();
    return box;
  }
};

TEST_F(DialogTest, EnterIsIgnoredWhileEmptyAndReportsEnterResultWithText) {
  GUISimpleDialogBox* box = MakeDialog(true);
  EXPECT_EQ(Modal, box);
  EXPECT_EQ(KeyOwner, box->Entry);
  PressEnter();
  EXPECT_TRUE(screen->messages.empty());
  EXPECT_EQ(GUIObjList->Next, box);
  Type("Ann");
  PressEnter();
  ASSERT_EQ(screen->messages.size(), 1u);
  const ReceivedMessage& m = screen->messages[0];
  EXPECT_EQ(m.msg, 141);
  EXPECT_EQ(m.a, 5);
  EXPECT_EQ(m.b, 6);
  EXPECT_EQ(reinterpret_cast<intptr_t>(m.p), 7);
  EXPECT_EQ(GUIObjList->Next, nullptr);  // destroyed
  EXPECT_EQ(Modal, nullptr);
  EXPECT_EQ(KeyOwner, nullptr);
}

TEST_F(DialogTest, TextOfTheReportIsTheEnteredText) {
  class Keeper : public Probe {
   public:
    using Probe::Probe;
    std::string text;
    int HandleMessage(int msg, int a, int b, void* p, void* q) override {
      text = q ? static_cast<char*>(q) : "(null)";
      return Probe::HandleMessage(msg, a, b, p, q);
    }
  };
  auto* keeper = new Keeper(0, 0, 1, 1);
  screen->AddChild(keeper);
  auto* box = new GUISimpleDialogBox("Q", keeper, nullptr, "Name?", 300, 150, DialogOK, 131, -1, 0, 1, "", "Bo");
  AddTopLevelObject(box);
  box->Place();
  Click(box->AbsoluteX() + box->Buttons[0]->X + 5, box->AbsoluteY() + box->Buttons[0]->Y + 5);
  ASSERT_EQ(keeper->messages.size(), 1u);
  EXPECT_EQ(keeper->messages[0].msg, 131);
  EXPECT_EQ(keeper->text, "Bo");
}

TEST_F(DialogTest, ClickOutsideDoesNothingAndCloseGadgetReportsCloseResult) {
  auto* behind = new GUIButton(5, 5, 50, "Behind", 77, 0);
  screen->AddChild(behind);
  GUISimpleDialogBox* box = MakeDialog(false);
  Click(10, 10);
  EXPECT_EQ(screen->CountMessages(77), 0);
  GUIButton* close = box->TitleBar->CloseGadget;
  ASSERT_NE(close, nullptr);
  Click(close->AbsoluteX() + 2, close->AbsoluteY() + 2);
  ASSERT_EQ(screen->messages.size(), 1u);
  EXPECT_EQ(screen->messages[0].msg, 140);
  EXPECT_EQ(screen->messages[0].q, nullptr);
  EXPECT_EQ(Modal, nullptr);
  Click(10, 10);
  EXPECT_EQ(screen->CountMessages(77), 1);
}

TEST_F(DialogTest, DontDeleteAndKeepOpenIdLeaveTheBoxUp) {
  GUISimpleDialogBox* box = MakeDialog(false);
  box->DontDelete = 1;
  GUIButton* ok = box->Buttons[0];
  Click(ok->AbsoluteX() + 5, ok->AbsoluteY() + 5);
  EXPECT_EQ(screen->CountMessages(131), 1);
  EXPECT_EQ(GUIObjList->Next, box);
  box->DontDelete = 0;
  box->KeepOpenId = 132;
  GUIButton* cancel = box->Buttons[1];
  Click(cancel->AbsoluteX() + 5, cancel->AbsoluteY() + 5);
  EXPECT_EQ(screen->CountMessages(132), 1);
  EXPECT_EQ(GUIObjList->Next, box);
  Click(ok->AbsoluteX() + 5, ok->AbsoluteY() + 5);
  EXPECT_EQ(GUIObjList->Next, nullptr);
}

TEST_F(DialogTest, APressHeldWhenTheDialogAppearsEndsWithoutAClick) {
  auto* behind = new GUIButton(5, 5, 50, "Behind", 77, 0);
  behind->RepeatInterval = 100;
  screen->AddChild(behind);
  MouseMove(10, 10);
  MouseDown(10, 10);
  ASSERT_EQ(MouseOwner, behind);
  EXPECT_EQ(GUITickIntervalMs, 100);
  MakeDialog(false);
  EXPECT_EQ(MouseOwner, nullptr);
  EXPECT_FALSE(behind->Flags & Pressed);
  EXPECT_EQ(GUITickIntervalMs, kGUITickIntervalMs);
  MouseUp(10, 10);
  EXPECT_EQ(screen->CountMessages(77), 0);
  EXPECT_EQ(behind->State, 0);
}

TEST_F(DialogTest, ButtonLabelsComeFromTheCatalogue) {
  AddTranslation("Yes", "Ja");
  auto* box =
      new GUISimpleDialogBox("Q", screen, nullptr, "Sure?", 300, 150, DialogYes, 1, DialogNo, 2, 0, nullptr, nullptr);
  AddTopLevelObject(box);
  EXPECT_STREQ(box->Buttons[0]->Text, "Ja");
  EXPECT_STREQ(box->Buttons[0]->HelpText(), "Ja");
  EXPECT_STREQ(box->Buttons[1]->Text, "No");
  FreeHashList();
}

TEST_F(DialogTest, KeysGoToTheDialogWhileItIsModal) {
  auto* field = new GUIStringGadget(20, 20, 100, 20);
  screen->AddChild(field);
  Click(25, 25);
  GUISimpleDialogBox* box = MakeDialog(true);
  Type("zz");
  EXPECT_STREQ(box->Entry->Text(), "zz");
  EXPECT_STREQ(field->Text(), "");
}

TEST_F(DialogTest, GrowsInFivePixelStepsAndPutsOverlongTextInATextBox) {
  Font2 font("ms sans serif", "sserife.fon", 32, 0, 6, 16);
  Font2* saved = DefaultSimpleDialogButtonFont;
  DefaultSimpleDialogButtonFont = &font;
  std::string words;
  for (int i = 0; i < 80; ++i) words += "word ";
  auto* grown =
      new GUISimpleDialogBox("T", screen, nullptr, words.c_str(), 300, 100, DialogOK, 1, -1, 0, 0, nullptr, nullptr);
  AddTopLevelObject(grown);
  EXPECT_GT(grown->Height, 100);
  EXPECT_EQ((grown->Height - 100) % 5, 0);
  EXPECT_EQ(grown->LongText, nullptr);
  EXPECT_LE(grown->Height, 480);
  // The buttons sit below the wrapped text.
  EXPECT_GE(grown->Buttons[0]->Y, grown->TopInset + grown->MessageHeight);
  delete grown;
  std::string lines;
  for (int i = 0; i < 200; ++i) lines += "line " + std::to_string(i) + "\n";
  auto* tall =
      new GUISimpleDialogBox("T", screen, nullptr, lines.c_str(), 300, 100, DialogOK, 1, -1, 0, 0, nullptr, nullptr);
  AddTopLevelObject(tall);
  ASSERT_NE(tall->LongText, nullptr);
  EXPECT_GE(tall->LongText->NLines, 200);
  EXPECT_LE(tall->Height, 480);
  delete tall;
  DefaultSimpleDialogButtonFont = saved;
}

using DropDownTest = WidgetTest;

TEST_F(DropDownTest, OpenPickAndReport) {
  auto* box = new GUIDropDownBox(nullptr, 50, 50, 150, 20, screen, nullptr, "choose", 0);
  box->AddItem("english", 1);
  box->AddItem("french", 2);
  box->AddItem("german", 2);
  EXPECT_EQ(box->GetSelectedValue(), -1);
  Click(50 + 150 - 5, 55);  // the button
  ASSERT_NE(box->List, nullptr);
  GUIMenuObject* list = box->List;
  EXPECT_EQ(MouseOwner, list);
  EXPECT_EQ(screen->Children, list);  // in front
  EXPECT_GE(list->Width, 150);
  int itemY = list->AbsoluteY() + 2 + list->ItemHeight * 1 + 2;
  MouseMove(60, itemY);
  EXPECT_EQ(list->Highlighted, 1);
  MouseDown(60, itemY);
  MouseUp(60, itemY);
  EXPECT_EQ(box->List, nullptr);
  ASSERT_EQ(screen->CountMessages(MsgItemChosen), 1);
  EXPECT_EQ(screen->messages.back().a, 2);
  EXPECT_EQ(screen->messages.back().q, box);
  // Two items share the value: the last one is selected.
  EXPECT_STREQ(box->GetSelectedText(), "german");
  EXPECT_STREQ(box->Field->Text(), "german");
  EXPECT_EQ(MouseOwner, nullptr);
}

TEST_F(DropDownTest, ClickOutsideClosesWithoutAChoice) {
  auto* box = new GUIDropDownBox(nullptr, 50, 50, 150, 20, screen, nullptr, "", 0);
  box->AddItem("a", 1);
  box->SelectItem(0);
  Click(60, 55);  // the field opens it too
  ASSERT_NE(box->List, nullptr);
  Click(400, 400);
  EXPECT_EQ(box->List, nullptr);
  EXPECT_EQ(screen->CountMessages(MsgItemChosen), 0);
  EXPECT_EQ(box->GetSelectedValue(), 1);
  EXPECT_EQ(box->SelectItem(5), 0);
  box->ResetBox();
  EXPECT_EQ(box->GetSelectedValue(), -1);
}

TEST_F(DropDownTest, DestroyingTheBoxWithTheListOpenRemovesTheList) {
  auto* box = new GUIDropDownBox(nullptr, 50, 50, 150, 20, screen, nullptr, "", 0);
  box->AddItem("a", 1);
  box->OpenList();
  delete box;
  EXPECT_EQ(screen->Children, nullptr);
  EXPECT_EQ(MouseOwner, nullptr);
}

// A list holds the mouse across clicks, so a modal dialog must not leave it
// stranded: a list inside the dialog still closes on a press anywhere
// outside it, and a list outside closes when the dialog appears.
TEST_F(DropDownTest, ListInsideAModalDialogClosesOnAnyPressOutsideIt) {
  auto* box = new GUISimpleDialogBox("Pick", screen, nullptr, "", 300, 220, DialogOK, 131, -1, 0, 0, nullptr, nullptr);
  AddTopLevelObject(box);
  box->Place();
  auto* drop = new GUIDropDownBox(nullptr, box->LeftInset + 10, box->TopInset + 10, 150, 20, box, nullptr, "", 0);
  drop->AddItem("a", 1);
  drop->AddItem("b", 2);
  int openX = drop->AbsoluteX() + 150 - 5, openY = drop->AbsoluteY() + 5;
  GUIButton* ok = box->Buttons[0];
  int okX = ok->AbsoluteX() + 5, okY = ok->AbsoluteY() + 5;
  struct Where {
    int x, y;
    const char* what;
  };
  for (Where at : {Where{okX, okY, "the dialog's button"},
                   Where{box->AbsoluteX() + box->Width - 20, openY, "the dialog's empty interior"},
                   Where{2, 2, "outside the dialog"}}) {
    Click(openX, openY);
    ASSERT_NE(drop->List, nullptr) << at.what;
    EXPECT_EQ(drop->List->Parent, box);
    EXPECT_EQ(MouseOwner, drop->List);
    Click(at.x, at.y);
    EXPECT_EQ(drop->List, nullptr) << at.what;
    EXPECT_EQ(MouseOwner, nullptr) << at.what;
    EXPECT_EQ(Modal, box);
  }
  // As without a dialog, the press that closes the list does nothing else.
  EXPECT_TRUE(screen->messages.empty());
  EXPECT_EQ(drop->GetSelectedValue(), -1);
  // Items are still picked inside the dialog, and its button then works.
  Click(openX, openY);
  ASSERT_NE(drop->List, nullptr);
  Click(drop->List->AbsoluteX() + 10, drop->List->AbsoluteY() + 2 + drop->List->ItemHeight + 2);
  EXPECT_EQ(drop->List, nullptr);
  EXPECT_EQ(drop->GetSelectedValue(), 2);
  Click(okX, okY);
  EXPECT_EQ(screen->CountMessages(131), 1);
  EXPECT_EQ(Modal, nullptr);
}

TEST_F(DropDownTest, ADialogAppearingClosesAListOpenOutsideIt) {
  auto* drop = new GUIDropDownBox(nullptr, 50, 50, 150, 20, screen, nullptr, "", 0);
  drop->AddItem("a", 1);
  drop->AddItem("b", 2);
  Click(195, 55);
  ASSERT_NE(drop->List, nullptr);
  int itemX = drop->List->AbsoluteX() + 10, itemY = drop->List->AbsoluteY() + 2 + drop->List->ItemHeight + 2;
  MouseMove(itemX, itemY);
  auto* box =
      new GUISimpleDialogBox("Q", screen, nullptr, "Sure?", 300, 150, DialogOK, 131, -1, 0, 0, nullptr, nullptr);
  AddTopLevelObject(box);
  box->Place();
  EXPECT_EQ(drop->List, nullptr);
  EXPECT_EQ(MouseOwner, nullptr);
  EXPECT_EQ(screen->Children, drop) << "the list has left the screen";
  // Where the list was, a click chooses nothing; the dialog's button works at once.
  Click(itemX, itemY);
  EXPECT_EQ(drop->GetSelectedValue(), -1);
  Click(box->Buttons[0]->AbsoluteX() + 5, box->Buttons[0]->AbsoluteY() + 5);
  EXPECT_EQ(screen->CountMessages(131), 1);
  EXPECT_EQ(screen->CountMessages(MsgItemChosen), 0);
}

TEST_F(DropDownTest, AModalObjectSetByOtherCodeEndsTheListAtTheNextPress) {
  auto* drop = new GUIDropDownBox(nullptr, 50, 50, 150, 20, screen, nullptr, "", 0);
  drop->AddItem("a", 1);
  Click(195, 55);
  ASSERT_NE(drop->List, nullptr);
  auto* panel = new Probe(300, 300, 100, 100);
  auto* inPanel = new Probe(10, 10, 50, 50);
  panel->AddChild(inPanel);
  AddTopLevelObject(panel);
  Modal = panel;
  MouseDown(320, 320);
  EXPECT_EQ(drop->List, nullptr);
  EXPECT_EQ(MouseOwner, nullptr);
  ASSERT_EQ(inPanel->events.size(), 1u) << "the press goes on to the modal object";
  EXPECT_EQ(inPanel->events[0], "button 0 10,10");
}

TEST_F(DropDownTest, KeysReachAListOpenInADialogBeforeItsFocusedField) {
  auto* box = new GUISimpleDialogBox({.Title = "Pick",
                                      .Recipient = screen,
                                      .Message = "",
                                      .Width = 300,
                                      .Height = 260,
                                      .Button1 = DialogOK,
                                      .Button1Msg = 131,
                                      .WithEntry = true,
                                      .Prompt = "Name",
                                      .EntryText = "Ann"});
  box->EnterResult = 141;
  AddTopLevelObject(box);
  box->Place();
  ASSERT_EQ(KeyOwner, box->Entry);
  auto* drop = new GUIDropDownBox(nullptr, box->LeftInset + 10, box->TopInset + 10, 150, 20, box, nullptr, "", 0);
  drop->AddItem("a", 1);
  drop->AddItem("b", 2);
  int openX = drop->AbsoluteX() + 150 - 5, openY = drop->AbsoluteY() + 5;
  Click(openX, openY);
  ASSERT_NE(drop->List, nullptr);
  EXPECT_EQ(KeyOwner, box->Entry) << "a click in a dialog keeps its field's focus";
  KeyDown(VK_DOWN);
  KeyDown(VK_DOWN);
  PressEnter();
  EXPECT_EQ(drop->List, nullptr);
  EXPECT_EQ(drop->GetSelectedValue(), 2);
  EXPECT_STREQ(box->Entry->Text(), "Ann");
  EXPECT_TRUE(screen->messages.empty()) << "Enter picked the item and did not submit the dialog";
  Click(openX, openY);
  ASSERT_NE(drop->List, nullptr);
  KeyDown(VK_ESCAPE);
  EXPECT_EQ(drop->List, nullptr);
  EXPECT_EQ(drop->GetSelectedValue(), 2);
  EXPECT_EQ(Modal, box);
  // With the list closed the keys are the field's again.
  PressEnter();
  ASSERT_EQ(screen->CountMessages(141), 1);
}

TEST_F(DropDownTest, ResettingTheBoxClosesItsOpenList) {
  auto* drop = new GUIDropDownBox(nullptr, 50, 50, 150, 20, screen, nullptr, "", 0);
  drop->AddItem("old", 7);
  Click(195, 55);
  ASSERT_NE(drop->List, nullptr);
  int itemX = drop->List->AbsoluteX() + 10, itemY = drop->List->AbsoluteY() + 4;
  drop->ResetBox();
  drop->AddItem("new", 8);
  EXPECT_EQ(drop->List, nullptr);
  EXPECT_EQ(MouseOwner, nullptr);
  Click(itemX, itemY);
  EXPECT_EQ(screen->CountMessages(MsgItemChosen), 0) << "no value of the old items is reported";
  EXPECT_EQ(drop->GetSelectedValue(), -1);
}

TEST_F(DropDownTest, HidingTheBoxsWindowClosesTheOpenList) {
  auto* panel = new Probe(0, 0, 400, 400);
  screen->AddChild(panel);
  auto* drop = new GUIDropDownBox(nullptr, 50, 50, 150, 20, panel, nullptr, "", 0);
  drop->AddItem("a", 1);
  Click(195, 55);
  ASSERT_NE(drop->List, nullptr);
  panel->Disable();
  MouseMove(60, 80);
  EXPECT_EQ(drop->List, nullptr);
  EXPECT_EQ(MouseOwner, nullptr);
  EXPECT_EQ(panel->CountMessages(MsgItemChosen), 0);
}

using TextBoxTest = WidgetTest;

TEST_F(TextBoxTest, LinesScrollBarAndSelection) {
  auto* box = new GUITextBox(10, 10, 200, 100, 200, 200, 200);
  screen->AddChild(box);
  for (int i = 0; i < 30; ++i) box->AddLineAtBottom(("line " + std::to_string(i)).c_str(), i);
  EXPECT_EQ(box->NLines, 30);
  ASSERT_NE(box->VScroll, nullptr);
  EXPECT_FALSE(box->VScroll->Flags & Disabled);
  box->ScrollToBottom();
  EXPECT_EQ(box->FirstLine, 30 - box->NDisplayedVerticalElements());
  box->ScrollToTop();
  EXPECT_EQ(box->FirstLine, 0);
  // The down arrow of the scroll bar steps one line, and again on each tick while held.
  GUIScrollBar* bar = box->VScroll;
  int ax = bar->AbsoluteX() + 2, ay = bar->AbsoluteY() + bar->Height - 2;
  MouseDown(ax, ay);
  EXPECT_EQ(box->FirstLine, 1);
  GUIMessageHandler(WM_TIMER, 3, 0);
  EXPECT_EQ(box->FirstLine, 2);
  MouseUp(ax, ay);
  GUIMessageHandler(WM_TIMER, 3, 0);
  EXPECT_EQ(box->FirstLine, 2);
  // A click on the first shown line selects it.
  Click(20, 10 + 2 + 1);
  ASSERT_EQ(screen->CountMessages(MsgLineSelected), 1);
  EXPECT_EQ(screen->messages.back().a, 2);
  EXPECT_EQ(box->Selected, box->LineAt(2));
  box->DeleteLine(box->LineAt(2));
  EXPECT_EQ(box->Selected, nullptr);
  EXPECT_EQ(box->NLines, 29);
  box->ClearText();
  EXPECT_EQ(box->NLines, 0);
  EXPECT_TRUE(box->VScroll->Flags & Disabled);
  EXPECT_STREQ(SkipFirstAt("@Rred"), "red");
}

using FramedTest = WidgetTest;

TEST_F(FramedTest, DragMinimiseAndResize) {
  auto* w = new GUIFramedWindow(100, 100, 200, 150, "Frame", 1, 1, 1, 0, screen);
  ASSERT_EQ(w->Parent, screen);
  int tx = w->AbsoluteX() + 20, ty = w->AbsoluteY() + 5;
  MouseDown(tx, ty);
  MouseMove(tx + 30, ty + 10);
  MouseUp(tx + 30, ty + 10);
  EXPECT_EQ(w->X, 130);
  EXPECT_EQ(w->Y, 110);
  EXPECT_EQ(w->HandleMessage(MsgCloseGadget, 0, 0, nullptr, nullptr), 0);  // closing is the derived window's
  GUIButton* min = w->TitleBar->MinGadget;
  Click(min->AbsoluteX() + 1, min->AbsoluteY() + 1);
  EXPECT_EQ(w->Minimized, 1);
  EXPECT_EQ(w->Height, w->TitleHeight());
  Click(min->AbsoluteX() + 1, min->AbsoluteY() + 1);
  EXPECT_EQ(w->Height, 150);
  // The bottom-right corner resizes.
  int cx = w->AbsoluteX() + w->Width - 1, cy = w->AbsoluteY() + w->Height - 1;
  EXPECT_EQ(w->GetMouseCursor(w->Width - 1, w->Height - 1), 0x10A);
  MouseDown(cx, cy);
  MouseMove(cx + 40, cy + 20);
  MouseUp(cx + 40, cy + 20);
  EXPECT_EQ(w->Width, 240);
  EXPECT_EQ(w->Height, 170);
  EXPECT_EQ(w->TitleBar->Width, 240);
}

TEST_F(FramedTest, ADialogAppearingEndsAResizeAtTheSizeReached) {
  auto* w = new GUIFramedWindow(100, 100, 200, 150, "Frame", 1, 1, 1, 0, screen);
  int cx = w->AbsoluteX() + w->Width - 1, cy = w->AbsoluteY() + w->Height - 1;
  MouseDown(cx, cy);
  MouseMove(cx + 40, cy + 20);
  ASSERT_EQ(w->Width, 240);
  auto* box =
      new GUISimpleDialogBox("Q", screen, nullptr, "Sure?", 300, 150, DialogOK, 131, -1, 0, 0, nullptr, nullptr);
  AddTopLevelObject(box);
  EXPECT_EQ(MouseOwner, nullptr);
  MouseMove(cx + 80, cy + 20);
  MouseUp(cx + 80, cy + 20);
  EXPECT_EQ(w->Width, 240);
}

TEST_F(FramedTest, DraggableBackdropMovesByItsBarOnly) {
  auto* w = new GUIDraggableBackdropWindow(nullptr, 50, 60, 18);
  w->Width = 200;
  w->Height = 100;
  screen->AddChild(w);
  w->LayoutChildren();
  EXPECT_EQ(w->DragBar->Width, 200);
  MouseDown(60, 120);  // below the bar: nothing moves
  MouseMove(90, 130);
  MouseUp(90, 130);
  EXPECT_EQ(w->X, 50);
  MouseDown(60, 65);
  MouseMove(80, 75);
  MouseMove(90, 85);
  MouseUp(90, 85);
  EXPECT_EQ(w->X, 80);
  EXPECT_EQ(w->Y, 80);
  EXPECT_EQ(MouseOwner, nullptr);
}

TEST(CursorShapes, ResizeEdgesMapToDoubleArrows) {
  EXPECT_EQ(PlatCursorKindForShape(1), 0);
  EXPECT_EQ(PlatCursorKindForShape(2), 1);
  EXPECT_EQ(PlatCursorKindForShape(3), 2);
  EXPECT_EQ(PlatCursorKindForShape(0x101), 3);
  EXPECT_EQ(PlatCursorKindForShape(0x102), 3);
  EXPECT_EQ(PlatCursorKindForShape(0x104), 4);
  EXPECT_EQ(PlatCursorKindForShape(0x108), 4);
  EXPECT_EQ(PlatCursorKindForShape(0x105), 5);
  EXPECT_EQ(PlatCursorKindForShape(0x10A), 5);
  EXPECT_EQ(PlatCursorKindForShape(0x106), 6);
  EXPECT_EQ(PlatCursorKindForShape(0x109), 6);
  EXPECT_EQ(PlatCursorKindForShape(0x10F), 0);
}

TEST_F(EntryTest, WithAFontClicksLandBetweenCharactersAndTheCursorStaysInView) {
  Font2 font("system", "vgasys.fon", 32, 0, 7, 18);
  field->Font = &font;
  field->Set("iiiiWWWW");
  int wide = font.CharWidth('W'), narrow = font.CharWidth('i');
  ASSERT_GT(wide, narrow);
  // Just right of the fifth boundary lands on index 5.
  EXPECT_EQ(field->FindHitIndex(2 + 4 * narrow + wide + 1), 5);
  EXPECT_EQ(field->FindHitIndex(-50), 0);
  EXPECT_EQ(field->FindHitIndex(5000), 8);
  // A long text scrolls so that the cursor at its end is visible.
  std::string longText(100, 'W');
  field->Set(longText.c_str());
  EXPECT_GT(field->TextScroll, 0);
  EXPECT_LE(100 * wide - field->TextScroll, field->Width - 6);
  KeyDown(VK_HOME);
  EXPECT_EQ(field->TextScroll, 0);
  field->Font = nullptr;
}

}  // namespace
