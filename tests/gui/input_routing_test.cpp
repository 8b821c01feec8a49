// Mouse, keyboard and timer routing through the entry points the window
// procedure uses, and the translation of window messages.
#include "foundation/alloc.h"
#include "foundation/program_globals.h"
#include "gui/balloon_help.h"
#include "gui/gui_message_handler.h"
#include "gui/key_map.h"
#include "gui/keyboard.h"
#include "gui_fixture.h"
#include "platform/key_state.h"
#include "platform/keymap.h"

namespace {

long Point(int x, int y) { return long((unsigned(y) & 0xFFFF) << 16 | (unsigned(x) & 0xFFFF)); }

class MouseTest : public GUITest {
 protected:
  void SetUp() override {
    GUITest::SetUp();
    root = new Probe(0, 0, 640, 480);
    AddTopLevelObject(root);
    left = new Probe(10, 10, 100, 100);
    right = new Probe(300, 10, 100, 100);
    root->AddChild(left);
    root->AddChild(right);
  }
  Probe* root;
  Probe* left;
  Probe* right;
};

TEST_F(MouseTest, ClicksReachTheFrontMostChildInLocalCoordinates) {
  auto* onTop = new Probe(20, 20, 10, 10);
  left->AddChild(onTop);
  GUIDoMouseButtonEvent(35, 36, LeftButtonDown, 0);
  ASSERT_EQ(onTop->events.size(), 1u);
  EXPECT_EQ(onTop->events[0], "button 0 5,6");
  EXPECT_EQ(right->events.size(), 0u);
}

TEST_F(MouseTest, CaptureGetsEverythingWithoutModal) {
  MouseOwner = right;
  GUIDoMouseButtonEvent(15, 15, LeftButtonUp, 0);
  ASSERT_EQ(right->events.size(), 1u);
  EXPECT_EQ(right->events[0], "button 1 -285,5");
  EXPECT_TRUE(left->events.empty());
  GUIDoMouseMove(20, 20, 0);
  EXPECT_EQ(right->events[1], "move -280,10");
}

TEST_F(MouseTest, ModalDialogTakesAllClicksUnlessItsWindowIsDisabled) {
  auto* dialog = new Probe(200, 200, 100, 100);
  root->AddChild(dialog);
  dialog->BringToFront();
  auto* button = new Probe(10, 10, 20, 20);
  dialog->AddChild(button);
  Modal = dialog;
  GUIDoMouseButtonEvent(15, 15, LeftButtonDown, 0);  // outside: nothing
  EXPECT_TRUE(left->events.empty());
  EXPECT_TRUE(root->events.empty());
  GUIDoMouseButtonEvent(215, 215, LeftButtonDown, 0);
  ASSERT_EQ(button->events.size(), 1u);
  EXPECT_EQ(button->events[0], "button 0 5,5");
  // A capture inside the dialog gets every button event, wherever it
  // happens: a press that started on a dialog button completes on release.
  MouseOwner = button;
  GUIDoMouseButtonEvent(400, 400, LeftButtonUp, 0);
  GUIDoMouseButtonEvent(15, 15, LeftButtonDown, 0);
  ASSERT_EQ(button->events.size(), 3u);
  EXPECT_EQ(button->events[1], "button 1 190,190");
  EXPECT_EQ(button->events[2], "button 0 -195,-195");
  // A capture outside it ends: the object behind the dialog gets nothing.
  MouseOwner = left;
  GUIDoMouseButtonEvent(15, 15, LeftButtonUp, 0);
  EXPECT_TRUE(left->events.empty());
  EXPECT_EQ(MouseOwner, nullptr);
  // The dialog's window disabled: input flows as without a dialog.
  root->Flags |= Disabled;
  GUIDoMouseButtonEvent(15, 15, LeftButtonDown, 0);
  EXPECT_TRUE(left->events.empty());  // root is disabled, so HitTest fails at the top
  root->Flags &= ~uint32_t(Disabled);
  auto* outer = new Probe(0, 0, 640, 480);
  AddTopLevelObject(outer);
  root->Flags |= Disabled;
  GUIDoMouseButtonEvent(15, 15, LeftButtonDown, 0);
  EXPECT_EQ(outer->events.size(), 1u);
}

TEST_F(MouseTest, EveryTopLevelObjectUnderThePointerGetsTheClick) {
  auto* second = new Probe(0, 0, 50, 50);
  AddTopLevelObject(second);
  GUIDoMouseButtonEvent(5, 5, RightButtonDown, 0);
  EXPECT_EQ(root->events.size(), 1u);
  EXPECT_EQ(second->events.size(), 1u);
}

TEST_F(MouseTest, LeftPressEndsEditingUnlessModal) {
  KeyOwner = left;
  GUIDoMouseButtonEvent(500, 400, LeftButtonDown, 0);
  EXPECT_EQ(KeyOwner, nullptr);
  KeyOwner = left;
  Modal = right;
  GUIDoMouseButtonEvent(500, 400, LeftButtonDown, 0);
  EXPECT_EQ(KeyOwner, left);
}

TEST_F(MouseTest, HoverNotificationsAndWantsMouseMoves) {
  GUIDoMouseMove(20, 20, 0);
  EXPECT_EQ(left->events, std::vector<std::string>{"over"});
  EXPECT_EQ(LastMouseWindow, left);
  right->Flags |= WantsMouseMoves;
  GUIDoMouseMove(310, 15, 0);
  EXPECT_EQ(left->events.back(), "left");
  EXPECT_EQ(right->events[0], "move 10,5");
  EXPECT_EQ(right->events[1], "over");
  // Inert and disabled objects are not found under the pointer.
  right->Flags |= Inert;
  EXPECT_EQ(GUIObjectUnderCursor(310, 15, GUIObjList, nullptr), root);
  right->Flags = Disabled | LiveWhenDisabled;
  EXPECT_EQ(GUIObjectUnderCursor(310, 15, GUIObjList, nullptr), right);
  EXPECT_EQ(GUIObjectUnderCursor(310, 15, GUIObjList, right), root);
}

TEST_F(MouseTest, BalloonShowsOnTheThirdTickMovesAtOnceAndClickRemovesIt) {
  left->AddHelpText("Left help");
  right->AddHelpText("Right help");
  GUIDoMouseMove(20, 20, 0);
  SelectMouseCursor(20, 20);
  GUITimerTick();
  GUITimerTick();
  EXPECT_EQ(BalloonHelpObject, nullptr);
  GUITimerTick();
  EXPECT_EQ(BalloonHelpObject, left);
  ClearDamageRegions();
  GUIDoMouseMove(320, 20, 0);
  EXPECT_EQ(BalloonHelpObject, right);
  EXPECT_GT(NDamageRegions, 0);  // old balloon erased, new one drawn
  GUIDoMouseMove(322, 21, 0);
  EXPECT_EQ(BalloonHelpObject, right);
  // A button message removes it (the window procedure kills it first).
  GUIMessageHandler(WM_LBUTTONDOWN, 0, Point(322, 21));
  EXPECT_EQ(BalloonHelpObject, nullptr);
  EXPECT_EQ(MouseIdleCount, 0);
  // Moving onto an object without help removes a balloon.
  GUIDoMouseMove(20, 20, 0);
  SelectMouseCursor(20, 20);
  for (int i = 0; i < 3; ++i) GUITimerTick();
  ASSERT_EQ(BalloonHelpObject, left);
  GUIDoMouseMove(200, 300, 0);
  EXPECT_EQ(BalloonHelpObject, nullptr);
}

TEST_F(MouseTest, BalloonPlacement) {
  // Below at 70 % of the width, moved left to end 2 pixels inside the screen.
  BalloonRect r = PlaceBalloon(100, 50, 100, 20, 0, 60, 16, 640, 480);
  EXPECT_EQ(r.left, 170);
  EXPECT_EQ(r.top, 71);
  EXPECT_EQ(r.right, 232);
  EXPECT_EQ(r.bottom, 88);
  r = PlaceBalloon(600, 50, 100, 20, 0, 60, 16, 640, 480);
  EXPECT_EQ(r.right, 638);
  r = PlaceBalloon(100, 50, 100, 20, BalloonAbove, 60, 16, 640, 480);
  EXPECT_EQ(r.top, 33);
  r = PlaceBalloon(100, 10, 100, 20, BalloonAbove, 60, 16, 640, 480);  // no room above
  EXPECT_EQ(r.top, 31);
  r = PlaceBalloon(100, 50, 300, 40, CentredBalloon, 60, 16, 640, 480);
  EXPECT_EQ(r.left, 187);
  EXPECT_EQ(r.top, 61);
}

TEST_F(MouseTest, IdleUsersAreToldEveryFiftyTicks) {
  right->Flags |= Inert;
  for (int i = 0; i < 100; ++i) GUIMouseHasBeenIdleForAWhile();
  EXPECT_EQ(root->idle, 2);
  EXPECT_EQ(left->idle, 2);
  EXPECT_EQ(right->idle, 0);
}

TEST_F(MouseTest, PointerShapeComesFromTheObjectsOrIsTheArrow) {
  class Cross : public Probe {
   public:
    using Probe::Probe;
    int CursorType(int, int) override { return 2; }
  };
  auto* cross = new Cross(10, 10, 10, 10);
  right->AddChild(cross);
  SelectMouseCursor(315, 25);
  EXPECT_EQ(GUICursor, 2);
  EXPECT_EQ(mymousex, 315);
  SelectMouseCursor(600, 400);
  EXPECT_EQ(GUICursor, 1);
}

class KeyTest : public MouseTest {};

TEST_F(KeyTest, FocusedFieldGetsKeysTabMovesOrIsSwallowed) {
  KeyOwner = left;
  GUIHandleKey('x', 0);
  EXPECT_EQ(left->events, std::vector<std::string>{"key 120"});
  GUIHandleKey(KeyTab, 0);  // no NextInTabOrder: swallowed
  EXPECT_EQ(left->events.size(), 1u);
  EXPECT_EQ(KeyOwner, left);
  EXPECT_TRUE(root->events.empty());
  left->NextInTabOrder = right;
  GUIHandleKey(KeyTab, 0);
  EXPECT_EQ(KeyOwner, right);
  ASSERT_EQ(NDamageRegions, 1);  // both fields damaged (merged: the union is cheap)
  EXPECT_EQ(DamageRegions[0].x1, 10);
  EXPECT_EQ(DamageRegions[0].x2, 399);
}

TEST_F(KeyTest, FunctionAndAltKeysBypassTheFocusedField) {
  KeyOwner = left;
  GUIHandleKey(0x103B, 0x1000);  // F1
  GUIHandleKey(0x143B, 0x1400);  // Shift+F1
  GUIHandleKey(0x1100 | 0x1E, 0x1100);
  EXPECT_TRUE(left->events.size() == 3u);  // offered by the root to its children in turn
  EXPECT_EQ(root->events.size(), 3u);
  GUIHandleKey(0x1057, 0x1000);  // F11 does not bypass
  EXPECT_EQ(root->events.size(), 3u);
}

TEST_F(KeyTest, ModalGetsAllKeys) {
  Modal = right;
  GUIHandleKey('a', 0);
  EXPECT_TRUE(root->events.empty());
  EXPECT_EQ(right->events.size(), 1u);
  KeyOwner = left;
  GUIHandleKey('b', 0);
  EXPECT_EQ(right->events.size(), 2u);
  EXPECT_TRUE(left->events.empty());
}

TEST_F(KeyTest, TabBehindAModalDialogGoesToTheDialog) {
  KeyOwner = left;
  left->NextInTabOrder = right;
  auto* dialog = new Probe(200, 200, 100, 100);
  root->AddChild(dialog);
  Modal = dialog;
  GUIHandleKey(KeyTab, 0);
  EXPECT_EQ(KeyOwner, left) << "the focus behind the dialog stays put";
  EXPECT_EQ(dialog->events, std::vector<std::string>{"key 9"});
  // Inside the dialog Tab moves the focus as usual.
  auto* first = new Probe(10, 10, 20, 20);
  auto* second = new Probe(10, 40, 20, 20);
  dialog->AddChild(first);
  dialog->AddChild(second);
  first->NextInTabOrder = second;
  KeyOwner = first;
  GUIHandleKey(KeyTab, 0);
  EXPECT_EQ(KeyOwner, second);
}

TEST_F(KeyTest, AFocusHiddenWithItsWindowEndsAndKeysGoOnAsWithoutIt) {
  auto* field = new Probe(5, 5, 20, 20);
  left->AddChild(field);
  KeyOwner = field;
  left->Disable();
  GUIHandleKey('x', 0);
  EXPECT_TRUE(field->events.empty()) << "a hidden field is not edited";
  EXPECT_EQ(KeyOwner, nullptr);
  EXPECT_EQ(root->events, std::vector<std::string>{"key 120"});
  // An object that stays live while disabled keeps the focus.
  left->Enable();
  field->Flags |= Disabled | LiveWhenDisabled;
  KeyOwner = field;
  GUIHandleKey('y', 0);
  EXPECT_EQ(KeyOwner, field);
  EXPECT_EQ(field->events, std::vector<std::string>{"key 121"});
}

TEST_F(KeyTest, KeysFlowAsWithoutADialogWhenItsWindowIsDisabled) {
  auto* panel = new Probe(0, 0, 100, 100);
  AddTopLevelObject(panel);
  auto* dialog = new Probe(10, 10, 50, 50);
  panel->AddChild(dialog);
  Modal = dialog;
  panel->Flags |= Disabled;
  GUIHandleKey('k', 0);
  EXPECT_TRUE(dialog->events.empty());
  EXPECT_EQ(root->events, std::vector<std::string>{"key 107"});
  panel->Flags &= ~uint32_t(Disabled);
  GUIHandleKey('k', 0);
  EXPECT_EQ(dialog->events.size(), 1u);
  EXPECT_EQ(root->events.size(), 1u);
}

TEST_F(KeyTest, TopLevelObjectsInOrderUntilOneTakesIt) {
  auto* second = new Probe(0, 0, 10, 10);
  AddTopLevelObject(second);
  root->takeKeys = true;
  GUIHandleKey('q', 0);
  EXPECT_TRUE(second->events.empty());
  root->takeKeys = false;
  GUIHandleKey('q', 0);
  EXPECT_EQ(second->events.size(), 1u);
}

TEST_F(KeyTest, DestroyingTheFocusOrCaptureOwnerLeavesNoOwner) {
  KeyOwner = left;
  MouseOwner = right;
  delete left;
  delete right;
  EXPECT_EQ(KeyOwner, nullptr);
  EXPECT_EQ(MouseOwner, nullptr);
  GUIHandleKey('a', 0);
  GUIDoMouseButtonEvent(20, 20, LeftButtonUp, 0);
  EXPECT_EQ(root->events.size(), 2u);
}

class MessageTest : public MouseTest {
 protected:
  void TearDown() override {
    PlatSetKeyStateOverride(0);
    MouseTest::TearDown();
  }
};

TEST_F(MessageTest, KeyDownTranslation) {
  root->takeKeys = true;
  PlatSetKeyStateOverride(1);  // Shift held
  EXPECT_EQ(GUIMessageHandler(WM_KEYDOWN, VK_F1, 0x3B << 16), 1);
  EXPECT_EQ(root->events.back(), "key " + std::to_string(0x143B));
  EXPECT_EQ(GUIMessageHandler(WM_SYSKEYDOWN, VK_F1, 0x3B << 16), 1);
  EXPECT_EQ(root->events.back(), "key " + std::to_string(0x113B));
  PlatSetKeyStateOverride(0x100);
  root->events.clear();
  EXPECT_EQ(GUIMessageHandler(WM_KEYDOWN, 'A', 0x1E << 16), 0);  // comes again as a character
  EXPECT_EQ(GUIMessageHandler(WM_KEYDOWN, VK_SPACE, 0x39 << 16), 0);
  EXPECT_TRUE(root->events.empty());
  GUIMessageHandler(WM_CHAR, 'a', 0x1E << 16);
  EXPECT_EQ(root->events.back(), "key 97");
  GUIMessageHandler(WM_CHAR, 13, 0x1C << 16);
  EXPECT_EQ(root->events.back(), "key 10");
  GUIMessageHandler(WM_KEYDOWN, VK_LEFT, 0x4B << 16);
  EXPECT_EQ(root->events.back(), "key " + std::to_string(KeyLeft));
  PlatSetKeyStateOverride(2);  // Control: characters keys come as key codes
  GUIMessageHandler(WM_KEYDOWN, VK_BACK, 0x0E << 16);
  EXPECT_EQ(root->events.back(), "key " + std::to_string(0x120E));
  size_t n = root->events.size();
  GUIMessageHandler(WM_KEYDOWN, VK_CONTROL, 0x1D << 16);  // not in the map
  EXPECT_EQ(root->events.size(), n);
}

TEST_F(MessageTest, ScanCodeTable) {
  EXPECT_EQ(ScanCodeToExtendedKey(0x1C), 10);
  EXPECT_EQ(ScanCodeToExtendedKey(0x1E), 'a');
  EXPECT_EQ(ScanCodeToExtendedKey(0x0E), 8);
  EXPECT_EQ(ScanCodeToExtendedKey(0x2B), '\\');
  EXPECT_EQ(ScanCodeToExtendedKey(0x3B), 0x103B);
  KeyStateTable[0x2A] = 1;
  EXPECT_EQ(ScanCodeToExtendedKey(0x1E), 'A');
  EXPECT_EQ(ScanCodeToExtendedKey(0x3B), 0x143B);
  KeyStateTable[0x2A] = 0;
  EXPECT_EQ(FindKeyMapEntry(VK_BACK), kKeyMapEntries - 1);
  EXPECT_EQ(KeyMap[kKeyMapAltOnlyEntries].virtualKey, int(VK_INSERT));
}

TEST_F(MessageTest, MouseMessagesCarrySignedPointsAndModifiers) {
  GUIMessageHandler(WM_LBUTTONDOWN, MK_SHIFT | MK_CONTROL, Point(20, 30));
  EXPECT_EQ(left->events.back(), "button 0 10,20");
  GUIMessageHandler(WM_RBUTTONUP, 0, Point(20, 30));
  EXPECT_EQ(left->events.back(), "button 3 10,20");
  GUIMessageHandler(WM_LBUTTONDBLCLK, 0, Point(20, 30));
  EXPECT_EQ(left->events.back(), "button 4 10,20");
  MouseOwner = left;
  GUIMessageHandler(WM_MOUSEMOVE, 0, Point(-5, -7));
  EXPECT_EQ(CurMouseX, -5);
  EXPECT_EQ(left->events.back(), "move -15,-17");
}

TEST_F(MessageTest, TimerMessagesTickAndAnimateAndHaltStopsTicks) {
  GUIMessageHandler(WM_TIMER, 3, 0);
  EXPECT_EQ(root->ticks, 1);
  EXPECT_EQ(left->ticks, 1);
  TimerisHalted = 1;
  GUIMessageHandler(WM_TIMER, 3, 0);
  EXPECT_EQ(root->ticks, 1);
  TimerisHalted = 0;
  left->Disable();
  GUIMessageHandler(WM_TIMER, 3, 0);
  EXPECT_EQ(left->ticks, 2);  // its own HandleTimerTick runs, it just passes nothing on

  class Animated : public GUIObject {
   public:
    using GUIObject::GUIObject;
    int passes = 0;
    void Animate() override {
      ++passes;
      CallAnimateAgainIn(passes == 1 ? 8 : 0);
      CallAnimateAgainIn(20);
    }
  };
  auto* anim = new Animated(0, 0, 1, 1);
  root->AddChild(anim);
  GUIMessageHandler(WM_TIMER, 2, 0);
  EXPECT_EQ(anim->passes, 1);
  EXPECT_EQ(AnimAgainDelay, 8);
  EXPECT_EQ(AnimTimerSet, 1);
  GUIAnimateWindows();
  EXPECT_EQ(AnimAgainDelay, 1);  // a request of 0 counts as 1
}

TEST_F(MessageTest, ATickThatDestroysTheNextWindowEndsTheWalkSafely) {
  class Killer : public Probe {
   public:
    using Probe::Probe;
    GUIObject* victim = nullptr;
    void HandleTimerTick() override {
      Probe::HandleTimerTick();
      delete victim;
      victim = nullptr;
    }
  };
  auto* killer = new Killer(0, 0, 1, 1);
  auto* victim = new Probe(0, 0, 1, 1);
  auto* last = new Probe(0, 0, 1, 1);
  AddTopLevelObject(killer);
  AddTopLevelObject(victim);
  AddTopLevelObject(last);
  killer->victim = victim;
  GUIMessageHandler(WM_TIMER, 3, 0);
  EXPECT_EQ(killer->ticks, 1);
  EXPECT_EQ(last->ticks, 0);
  GUIMessageHandler(WM_TIMER, 3, 0);
  EXPECT_EQ(last->ticks, 1);
}

TEST_F(MessageTest, SizeLaysOutWindowFillersAndPaintAsksForAFullRedraw) {
  class Filler : public Probe {
   public:
    using Probe::Probe;
    int layouts = 0;
    void LayoutChildren() override {
      ++layouts;
      Probe::LayoutChildren();
    }
  };
  auto* filler = new Filler(0, 0, 10, 10);
  filler->Flags |= FillsWindow;
  AddTopLevelObject(filler);
  GUIMessageHandler(WM_SIZE, SIZE_MINIMIZED, 0);
  EXPECT_EQ(filler->layouts, 0);
  EXPECT_EQ(Need_Redraw, 0);
  GUIMessageHandler(WM_SIZE, SIZE_RESTORED, Point(640, 480));
  EXPECT_EQ(filler->layouts, 1);
  EXPECT_EQ(filler->Width, 640);
  EXPECT_EQ(Need_Redraw, 1);
  Need_Redraw = 0;
  GUIMessageHandler(WM_PAINT, 0, 0);
  EXPECT_EQ(Need_Redraw, 1);
}

TEST_F(MessageTest, MinMaxInfoPinsTheSizeWhenResizeIsForbidden) {
  int w = FixedWidth, h = FixedHeight;
  FixedWidth = 728;
  FixedHeight = 532;
  MINMAXINFO info = {};
  DontAllowWindowResize = 0;
  EXPECT_EQ(GUIMessageHandler(WM_GETMINMAXINFO, 0, reinterpret_cast<long>(&info)), 1);
  EXPECT_EQ(info.ptMaxTrackSize.x, 0);
  DontAllowWindowResize = 1;
  GUIMessageHandler(WM_GETMINMAXINFO, 0, reinterpret_cast<long>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 728);
  EXPECT_EQ(info.ptMaxTrackSize.y, 532);
  DontAllowWindowResize = 0;
  FixedWidth = w;
  FixedHeight = h;
}

TEST_F(MessageTest, ClipboardRoundTripAndEmpty) {
  GUISetClipboardText("");
  EXPECT_EQ(GUIGetClipboardText(), nullptr);
  GUISetClipboardText(nullptr);
  EXPECT_EQ(GUIGetClipboardText(), nullptr);
  GUISetClipboardText("copied text");
  char* text = GUIGetClipboardText();
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "copied text");
  GRTFree(text);
}

}  // namespace
