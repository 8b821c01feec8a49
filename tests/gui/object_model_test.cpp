// The object tree, layout, damage rectangles and drawing order.
#include <string>

#include "gui/gui_lists.h"
#include "gui/gui_redraw.h"
#include "gui_fixture.h"

namespace {

std::string Regions() {
  std::string s;
  for (int i = 0; i < NDamageRegions; ++i) {
    const DamageRegion& r = DamageRegions[i];
    s += "[" + std::to_string(r.x1) + "," + std::to_string(r.y1) + "-" + std::to_string(r.x2) + "," +
         std::to_string(r.y2) + "]";
  }
  return s;
}

class DrawLog : public GUIObject {
 public:
  DrawLog(int x, int y, int w, int h, std::string* log, const char* name)
      : GUIObject(x, y, w, h), log_(log), name_(name) {}
  void Draw(int x, int y) override {
    if (Hidden()) return;
    // "!" marks an object drawn while disabled (greyed by its parent).
    *log_ += name_ + ((Flags & Disabled) ? "!" : "") + "@" + std::to_string(x + X) + "," + std::to_string(y + Y) + " ";
    DrawChildren(x + X - ScrollX, y + Y - ScrollY);
  }
  std::string* log_;
  std::string name_;
};

using DamageTest = GUITest;

TEST_F(DamageTest, MergesRepeatsAndNeighboursWithinFivePixels) {
  AddDamageRegion(10, 10, 20, 20);
  AddDamageRegion(10, 10, 20, 20);
  EXPECT_EQ(Regions(), "[10,10-20,20]");
  AddDamageRegion(25, 10, 30, 20);  // 5 pixels to the right of x2 = 20
  EXPECT_EQ(Regions(), "[10,10-30,20]");
  AddDamageRegion(36, 100, 40, 110);  // 6 pixels away and far below: separate
  EXPECT_EQ(NDamageRegions, 2);
}

TEST_F(DamageTest, SixFarApartRectanglesLeaveFiveWithTheSixthInTheNearest) {
  AddDamageRegion(0, 0, 1, 1);
  AddDamageRegion(100, 0, 101, 1);
  AddDamageRegion(200, 0, 201, 1);
  AddDamageRegion(300, 0, 301, 1);
  AddDamageRegion(400, 0, 401, 1);
  ASSERT_EQ(NDamageRegions, 5);
  AddDamageRegion(290, 200, 291, 201);  // nearest centre: the fourth
  EXPECT_EQ(NDamageRegions, 5);
  EXPECT_EQ(Regions(), "[0,0-1,1][100,0-101,1][200,0-201,1][290,0-301,201][400,0-401,1]");
}

TEST_F(DamageTest, CheapUnionMergesIntoNearestAndCostlyOneAppends) {
  AddDamageRegion(0, 0, 99, 99);
  // Bounding box 100x120 = 12000; 12000 - 10000 - 1000 < 11000: merged.
  AddDamageRegion(0, 110, 99, 119);
  EXPECT_EQ(Regions(), "[0,0-99,119]");
  ClearDamageRegions();
  AddDamageRegion(0, 0, 9, 9);
  AddDamageRegion(100, 100, 109, 109);  // union 110x110, far more than both
  EXPECT_EQ(NDamageRegions, 2);
}

TEST_F(DamageTest, ClampsToScreenAndIgnoresInvertedRectangles) {
  AddDamageRegion(-50, -50, 10000, 10);
  EXPECT_EQ(Regions(), "[0,0-639,10]");
  AddDamageRegion(30, 30, 20, 40);
  EXPECT_EQ(NDamageRegions, 1);
}

TEST_F(DamageTest, RedrawRegionUsesAbsolutePositionAndSkipsDisabledAncestry) {
  auto* window = new GUIObject(100, 50, 300, 200);
  AddTopLevelObject(window);
  auto* child = new GUIObject(10, 20, 30, 40);
  window->AddChild(child);
  child->RedrawMargin = 4;
  child->RedrawRegion();
  EXPECT_EQ(Regions(), "[110,70-143,113]");
  ClearDamageRegions();
  child->Redraw();
  EXPECT_EQ(Regions(), "[110,70-139,109]");
  ClearDamageRegions();
  window->Disable();
  EXPECT_EQ(NDamageRegions, 0);  // Disable itself damages nothing
  child->RedrawRegion();
  EXPECT_EQ(NDamageRegions, 0);
}

using TreeTest = GUITest;

TEST_F(TreeTest, LaterChildrenDrawUnderEarlierOnesUntilBroughtToFront) {
  std::string log;
  auto* root = new DrawLog(0, 0, 640, 480, &log, "root");
  AddTopLevelObject(root);
  auto* a = new DrawLog(10, 10, 50, 50, &log, "a");
  auto* b = new DrawLog(20, 20, 50, 50, &log, "b");
  root->AddChild(a);
  root->AddChild(b);
  root->Draw(0, 0);
  EXPECT_EQ(log, "root@0,0 b@20,20 a@10,10 ");
  log.clear();
  b->BringToFront();
  root->Draw(0, 0);
  EXPECT_EQ(log, "root@0,0 a@10,10 b@20,20 ");
  // FixedInZOrder stays put.
  a->Flags |= FixedInZOrder;
  a->BringToFront();
  EXPECT_EQ(root->Children, b);
}

TEST_F(TreeTest, BringToFrontKeepsTheModalDialogInFront) {
  auto* root = new GUIObject(0, 0, 640, 480);
  AddTopLevelObject(root);
  auto* dialog = new GUIObject(0, 0, 10, 10);
  auto* other = new GUIObject(0, 0, 10, 10);
  root->AddChild(dialog);
  root->AddChild(other);
  Modal = dialog;
  other->BringToFront();
  EXPECT_EQ(root->Children, dialog);
  EXPECT_EQ(dialog->Next, other);
}

TEST_F(TreeTest, DisabledChildrenAreSkippedUnlessGreyOrLive) {
  std::string log;
  auto* root = new DrawLog(0, 0, 640, 480, &log, "root");
  AddTopLevelObject(root);
  auto* hidden = new DrawLog(0, 0, 5, 5, &log, "hidden");
  auto* grey = new DrawLog(0, 0, 5, 5, &log, "grey");
  auto* live = new DrawLog(0, 0, 5, 5, &log, "live");
  root->AddChild(hidden);
  root->AddChild(grey);
  root->AddChild(live);
  hidden->Disable();
  grey->Flags |= Disabled | GreyWhenDisabled;
  live->Flags |= Disabled | LiveWhenDisabled;
  root->Draw(0, 0);
  // The live child's own Draw decides: DrawLog draws nothing while disabled.
  EXPECT_EQ(log, "root@0,0 grey!@0,0 ");
  EXPECT_TRUE(grey->Flags & Disabled);
}

TEST_F(TreeTest, AbsolutePositionFollowsScrollingExceptForNotScrolledChildren) {
  auto* root = new GUIObject(5, 7, 640, 480);
  AddTopLevelObject(root);
  auto* box = new GUIObject(10, 20, 100, 100);
  root->AddChild(box);
  box->ScrollY = 30;
  auto* line = new GUIObject(1, 40, 10, 10);
  auto* bar = new GUIObject(90, 0, 10, 100);
  bar->Flags |= NotScrolled;
  box->AddChild(line);
  box->AddChild(bar);
  EXPECT_EQ(line->AbsoluteY(), 7 + 20 - 30 + 40);
  EXPECT_EQ(bar->AbsoluteY(), 7 + 20);
  EXPECT_EQ(bar->AbsoluteX(), 5 + 10 + 90);
}

TEST_F(TreeTest, LayoutGrowClampAndFullWidth) {
  auto* root = new GUIObject(0, 0, 200, 100);
  root->LeftInset = 4;
  root->RightInset = 6;
  root->TopInset = 3;
  root->BottomInset = 2;
  AddTopLevelObject(root);
  auto* holder = new GUIObject(20, 60, 10, 10);
  root->AddChild(holder);
  auto* c1 = new GUIObject(-5, 2, 30, 10);
  auto* c2 = new GUIObject(0, 50, 10, 10);
  c2->RedrawMargin = 3;
  auto* ignored = new GUIObject(500, 500, 10, 10);
  ignored->Flags |= LayoutIgnored;
  holder->AddChild(c1);
  holder->AddChild(c2);
  holder->AddChild(ignored);
  holder->ResizeToFitOurChildren();
  EXPECT_EQ(c1->X, 0);  // moved right by 5
  EXPECT_EQ(c2->X, 5);
  EXPECT_EQ(holder->Width, 30);   // 15 grown by 5, then at least 0 + 30
  EXPECT_EQ(holder->Height, 63);  // 50 + 10 + 3
  // Pushed up inside the root: 100 - 1 - 2 - (63 - 1) = 35.
  EXPECT_EQ(holder->Y, 35);
  holder->MakeFullWidth();
  EXPECT_EQ(holder->X, 4);
  EXPECT_EQ(holder->Width, 190);
}

TEST_F(TreeTest, PushToBottomStopsAboveTheHighestObstacleBelow) {
  auto* root = new GUIObject(0, 0, 200, 300);
  root->BottomInset = 4;
  AddTopLevelObject(root);
  auto* obj = new GUIObject(0, 10, 50, 20);
  root->AddChild(obj);
  obj->PushToBottom();
  EXPECT_EQ(obj->Y, 300 - 1 - 4 - 20 - 15);
  obj->Y = 10;
  auto* footer = new GUIObject(0, 200, 200, 30);
  auto* ignored = new GUIObject(0, 100, 200, 30);
  ignored->Flags |= LayoutIgnored;
  root->AddChild(footer);
  root->AddChild(ignored);
  obj->PushToBottom();
  EXPECT_EQ(obj->Y, 200 - 20 - 15);
}

TEST_F(TreeTest, LayoutMarksDisabledChildrenPending) {
  auto* root = new GUIObject(0, 0, 200, 100);
  AddTopLevelObject(root);
  auto* off = new GUIObject(0, 0, 1, 1);
  root->AddChild(off);
  off->Disable();
  root->Flags |= LayoutPending;
  root->LayoutChildren();
  EXPECT_FALSE(root->Flags & LayoutPending);
  EXPECT_TRUE(off->Flags & LayoutPending);
}

TEST_F(TreeTest, DestructionTellsParentAndClearsEverySlot) {
  auto* root = new Probe(0, 0, 640, 480);
  AddTopLevelObject(root);
  auto* child = new Probe(10, 10, 50, 50);
  root->AddChild(child);
  auto* grandchild = new Probe(1, 1, 5, 5);
  child->AddChild(grandchild);
  auto* listener = new Probe(0, 0, 1, 1);
  root->AddChild(listener);
  child->Listener = listener;
  MouseOwner = grandchild;
  KeyOwner = child;
  Modal = child;
  LastMouseWindow = root;
  child->AddHelpText("help");
  BalloonHelpObject = child;
  delete child;
  EXPECT_EQ(MouseOwner, nullptr);
  EXPECT_EQ(KeyOwner, nullptr);
  EXPECT_EQ(Modal, nullptr);
  EXPECT_EQ(LastMouseWindow, nullptr);
  EXPECT_EQ(BalloonHelpObject, nullptr);
  ASSERT_EQ(root->CountMessages(MsgChildDestroyed), 1);
  EXPECT_EQ(root->messages[0].p, child);
  EXPECT_EQ(ListLength(root->Children), 1);
  EXPECT_GT(NDamageRegions, 0);
}

TEST_F(TreeTest, KillAllDestroysEveryTopLevelObject) {
  AddTopLevelObject(new GUIObject(0, 0, 1, 1));
  AddTopLevelObject(new GUIObject(0, 0, 1, 1));
  GUIObjList->AddChild(new GUIObject(0, 0, 1, 1));
  KillAllGUIObjects();
  EXPECT_EQ(GUIObjList, nullptr);
}

TEST_F(TreeTest, ListHelpers) {
  GUIObject* list = nullptr;
  GUIObject a(0, 0, 0, 0), b(0, 0, 0, 0), c(0, 0, 0, 0);
  AddToDEnd(list, &a);
  AddToDEnd(list, &b);
  AddToDHead(list, &c);
  EXPECT_EQ(ListLength(list), 3);
  EXPECT_EQ(PositionInList(list, &a), 1);
  EXPECT_EQ(LastNode(list), &b);
  DeleteFromDList(list, &a);
  EXPECT_EQ(PositionInList(list, &a), -1);
  EXPECT_EQ(c.Next, &b);
  EXPECT_EQ(b.Prev, &c);
  DeleteFromDList(list, &c);
  DeleteFromDList(list, &b);
  EXPECT_EQ(list, nullptr);
}

TEST_F(TreeTest, RedrawDrawsFullOrPerRectangleAndReportsWork) {
  std::string log;
  auto* root = new DrawLog(0, 0, 640, 480, &log, "root");
  AddTopLevelObject(root);
  // Children that miss a damage rectangle are not drawn for it; RedrawMargin
  // counts as part of the child.
  root->AddChild(new DrawLog(600, 100, 5, 5, &log, "far"));
  auto* shadowed = new DrawLog(-15, 0, 10, 10, &log, "shadowed");
  shadowed->RedrawMargin = 10;
  root->AddChild(shadowed);
  EXPECT_EQ(GUIRedrawWindows(), 0);
  Need_Redraw = 1;
  unsigned long full = GUIFullPresents, partial = GUIPartialPresents;
  EXPECT_EQ(GUIRedrawWindows(), 1);
  EXPECT_EQ(GUIFullPresents, full + 1);
  EXPECT_EQ(Need_Redraw, 0);
  log.clear();
  AddDamageRegion(0, 0, 10, 10);
  AddDamageRegion(300, 300, 310, 310);
  EXPECT_EQ(GUIRedrawWindows(), 1);
  EXPECT_EQ(GUIPartialPresents, partial + 2);
  EXPECT_EQ(log, "root@0,0 shadowed@-15,0 root@0,0 ");
  shadowed->RedrawMargin = 0;
  log.clear();
  AddDamageRegion(0, 0, 10, 10);
  GUIRedrawWindows();
  EXPECT_EQ(log, "root@0,0 ");
  EXPECT_EQ(NDamageRegions, 0);
  EXPECT_EQ(GfxDevice::clip_maxx, 639);  // clip restored
}

}  // namespace
