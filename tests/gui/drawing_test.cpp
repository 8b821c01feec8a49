// What the toolkit leaves in the back buffer: backdrops, the cut-out rule,
// disabled children, balloon help and partial redraws.
#include <unistd.h>

#include <string>

#include "gfx/font2.h"
#include "gfx/memory_device.h"
#include "gfx/texture.h"
#include "gui/balloon_help.h"
#include "gui/damage.h"
#include "gui/gui_backdrop_window.h"
#include "gui/gui_button.h"
#include "gui/gui_drag_bar.h"
#include "gui/gui_drop_down_box.h"
#include "gui/gui_framed_window.h"
#include "gui/gui_redraw.h"
#include "gui/gui_simple_dialog_box.h"
#include "gui/gui_skin.h"
#include "gui/gui_string_gadget.h"
#include "gui/gui_text_box.h"
#include "gui/gui_toggle_button.h"
#include "gui_fixture.h"
#include "support/fatal.h"

namespace {

class DrawingTest : public GUITest {
 protected:
  GfxDevice* MakeDevice() override { return new MemoryDevice(640, 480, MPF_RGB888_32); }
  MemoryDevice* Device() { return static_cast<MemoryDevice*>(CurGfxDevice); }
  std::string Pixel(int x, int y) {
    uint8_t r, g, b;
    Device()->ReadPixel(x, y, &r, &g, &b);
    return std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b);
  }
  std::vector<uint32_t> Grab(int x1, int y1, int x2, int y2) {
    std::vector<uint32_t> pixels;
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x) pixels.push_back(Device()->RawPixel(x, y));
    return pixels;
  }
  // Runs the pending redraw, then a full one, and describes where the area
  // (inclusive) differs between the two; empty when it does not.
  std::string PendingRedrawVersusFull(int x1, int y1, int x2, int y2) {
    GUIRedrawWindows();
    std::vector<uint32_t> partial = Grab(x1, y1, x2, y2);
    Need_Redraw = 1;
    GUIRedrawWindows();
    std::vector<uint32_t> full = Grab(x1, y1, x2, y2);
    int differing = 0;
    std::string first;
    for (size_t i = 0; i < full.size(); ++i) {
      if (partial[i] == full[i]) continue;
      if (!differing++) {
        int w = x2 - x1 + 1;
        first = " first at " + std::to_string(x1 + int(i) % w) + "," + std::to_string(y1 + int(i) / w);
      }
    }
    return differing ? std::to_string(differing) + " pixels differ," + first : "";
  }
  // Scribbles over the area, damages only it and compares its partial
  // redraw with a full one.
  std::string PartialRedrawOfAreaVersusFull(int x1, int y1, int x2, int y2) {
    ClearDamageRegions();
    CurGfxDevice->ClearRegion(255, 0, 255, x1, y1, x2, y2);
    AddDamageRegion(x1, y1, x2, y2);
    return PendingRedrawVersusFull(x1, y1, x2, y2);
  }
  int PixelsOtherThan(const std::string& colour, int x1, int y1, int x2, int y2) {
    int n = 0;
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x) n += Pixel(x, y) != colour;
    return n;
  }
};

TEST_F(DrawingTest, BackdropsPaintTheirColourUnderTheirChildren) {
  auto* back = new GUIBackdropWindow(0, 0, 640, 480, 10, 20, 30);
  AddTopLevelObject(back);
  back->AddChild(new GUIBackdropWindow(100, 100, 50, 40, 200, 0, 0));
  Need_Redraw = 1;
  GUIRedrawWindows();
  EXPECT_EQ(Pixel(5, 5), "10,20,30");
  EXPECT_EQ(Pixel(100, 100), "200,0,0");
  EXPECT_EQ(Pixel(149, 139), "200,0,0");
  EXPECT_EQ(Pixel(150, 140), "10,20,30");
}

TEST_F(DrawingTest, LargeBackdropSkipsLargeOpaqueChildrenButNotSeeThroughOnes) {
  auto* back = new GUIBackdropWindow(0, 0, 640, 480, 10, 20, 30);
  AddTopLevelObject(back);
  auto* big = new GUIObject(100, 100, 150, 150);  // draws nothing itself
  auto* glass = new GUIObject(300, 100, 150, 150);
  glass->Flags |= SeeThrough;
  auto* small = new GUIObject(500, 100, 100, 100);  // not larger than 100: painted under
  back->AddChild(big);
  back->AddChild(glass);
  back->AddChild(small);
  CurGfxDevice->ClearRegion(1, 2, 3, 0, 0, 639, 479);
  Need_Redraw = 1;
  GUIRedrawWindows();
  EXPECT_EQ(Pixel(150, 150), "1,2,3");
  EXPECT_EQ(Pixel(99, 150), "10,20,30");
  EXPECT_EQ(Pixel(350, 150), "10,20,30");
  EXPECT_EQ(Pixel(550, 150), "10,20,30");
  // A disabled big child is painted over.
  big->Disable();
  Need_Redraw = 1;
  GUIRedrawWindows();
  EXPECT_EQ(Pixel(150, 150), "10,20,30");
}

TEST_F(DrawingTest, DisabledChildVanishesOrIsDarkenedWhenGrey) {
  auto* back = new GUIBackdropWindow(0, 0, 640, 480, 0, 0, 0);
  AddTopLevelObject(back);
  auto* hidden = new GUIBackdropWindow(10, 10, 20, 20, 200, 100, 50);
  auto* grey = new GUIBackdropWindow(50, 10, 20, 20, 200, 100, 50);
  grey->Flags |= GreyWhenDisabled;
  back->AddChild(hidden);
  back->AddChild(grey);
  Need_Redraw = 1;
  GUIRedrawWindows();
  EXPECT_EQ(Pixel(15, 15), "200,100,50");
  hidden->Disable();
  grey->Disable();
  EXPECT_EQ(NDamageRegions, 0);  // Disable damages nothing by itself
  back->Redraw();
  GUIRedrawWindows();
  EXPECT_EQ(Pixel(15, 15), "0,0,0");
  EXPECT_EQ(Pixel(55, 15), "100,50,25");
  grey->Flags |= NoDarkening;
  back->Redraw();
  GUIRedrawWindows();
  EXPECT_EQ(Pixel(55, 15), "200,100,50");
}

TEST_F(DrawingTest, PartialRedrawTouchesOnlyTheDamagedRectangle) {
  auto* back = new GUIBackdropWindow(0, 0, 640, 480, 10, 20, 30);
  AddTopLevelObject(back);
  Need_Redraw = 1;
  GUIRedrawWindows();
  back->BackColour[0] = 99;
  back->RedrawRegion(20, 20, 29, 29);
  GUIRedrawWindows();
  EXPECT_EQ(Pixel(20, 20), "99,20,30");
  EXPECT_EQ(Pixel(29, 29), "99,20,30");
  EXPECT_EQ(Pixel(30, 30), "10,20,30");
  EXPECT_EQ(Pixel(19, 25), "10,20,30");
}

TEST_F(DrawingTest, BalloonIsDrawnYellowWithABlackFrameAndErased) {
  auto* back = new GUIBackdropWindow(0, 0, 640, 480, 10, 20, 30);
  AddTopLevelObject(back);
  auto* target = new GUIBackdropWindow(100, 100, 100, 20, 10, 20, 30);
  target->AddHelpText("Some help");
  back->AddChild(target);
  Need_Redraw = 1;
  GUIRedrawWindows();
  ShowBalloonHelp(target);
  GUIRedrawWindows();
  BalloonRect r;
  ASSERT_TRUE(ComputeBalloonRect(&r));
  EXPECT_EQ(r.left, 170);
  EXPECT_EQ(r.top, 121);
  EXPECT_EQ(Pixel(r.left, r.top), "250,250,150");
  EXPECT_EQ(Pixel(r.left - 1, r.top - 1), "1,1,1");
  KillBalloonHelp();
  GUIRedrawWindows();
  EXPECT_EQ(Pixel(r.left, r.top), "10,20,30");
}

TEST_F(DrawingTest, OverlongMessageScrollsOverTheSkinsLongTextTile) {
  // The skin is found relative to the working directory, as in an install.
  char cwd[1024];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir((std::string(QUORVEL_SOURCE_DIR) + "/assets").c_str()), 0);
  Font2 font("ms sans serif", "sserife.fon", 32, 0, 6, 16);
  Font2* saved = DefaultSimpleDialogButtonFont;
  DefaultSimpleDialogButtonFont = &font;
  auto* back = new GUIBackdropWindow(0, 0, 640, 480, 0, 0, 0);
  AddTopLevelObject(back);
  std::string lines;
  for (int i = 0; i < 200; ++i) lines += "line " + std::to_string(i) + "\n";
  auto* tall =
      new GUISimpleDialogBox("T", back, nullptr, lines.c_str(), 300, 100, DialogOK, 1, -1, 0, 0, nullptr, nullptr);
  AddTopLevelObject(tall);
  ASSERT_NE(tall->LongText, nullptr);
  TextureMap* tile = tall->LongText->BackTexture;
  ASSERT_NE(tile, nullptr) << "backgrnd/galvtile.tga ships with the skin";
  EXPECT_EQ(tile->Width, 64);
  EXPECT_EQ(tile->Height, 64);
  Need_Redraw = 1;
  GUIRedrawWindows();
  // Right of the short lines the box shows the tile: dark and not flat.
  int x = tall->LongText->AbsoluteX() + tall->LongText->Width - 30, y = tall->LongText->AbsoluteY() + 4;
  std::string first = Pixel(x, y);
  int differing = 0;
  for (int dy = 0; dy < 32; ++dy) differing += Pixel(x, y + dy) != first;
  EXPECT_NE(first, "0,0,0");
  EXPECT_GT(differing, 0) << "a textured tile, not a flat fill";
  DefaultSimpleDialogButtonFont = saved;
  ASSERT_EQ(chdir(cwd), 0);
}

TEST_F(DrawingTest, AMinimisedFrameShowsOnlyItsTitleBar) {
  auto* back = new GUIBackdropWindow(0, 0, 640, 480, 10, 20, 30);
  AddTopLevelObject(back);
  auto* frame = new GUIFramedWindow(100, 100, 200, 150, "Frame", 1, 1, 0, 0, back);
  back->AddChild(frame);
  auto* inside = new GUIBackdropWindow(20, 40, 100, 60, 200, 0, 0);
  frame->AddChild(inside);
  Need_Redraw = 1;
  GUIRedrawWindows();
  int x = inside->AbsoluteX() + 5, y = inside->AbsoluteY() + 5;
  EXPECT_EQ(Pixel(x, y), "200,0,0");
  frame->Minimize();
  Need_Redraw = 1;
  GUIRedrawWindows();
  EXPECT_EQ(Pixel(x, y), "10,20,30") << "the child stays hidden below the title bar";
  // A partial redraw over the child's place does not bring it back either.
  AddDamageRegion(x - 5, y - 5, x + 20, y + 20);
  GUIRedrawWindows();
  EXPECT_EQ(Pixel(x, y), "10,20,30");
  EXPECT_NE(Pixel(frame->AbsoluteX() + 30, frame->AbsoluteY() + 5), "10,20,30") << "the title bar is drawn";
}

TEST_F(DrawingTest, EntryFieldDrawsAnyTypedTextWithoutStopping) {
  auto* back = new GUIBackdropWindow(0, 0, 640, 480, 0, 0, 0);
  AddTopLevelObject(back);
  Font2 font("ms sans serif", "sserife.fon", 32, 0, 6, 16);
  auto* field = new GUIStringGadget(20, 20, 300, 20);
  field->Font = &font;
  back->AddChild(field);
  for (const char* text : {"ab{\xe9}", "x{", "{\xff}}}", "me@x{y", "\xe9\xe8{@}"}) {
    field->Set(text);
    Need_Redraw = 1;
    EXPECT_NO_FATAL(GUIRedrawWindows()) << text;
  }
  field->Font = nullptr;
}

// Objects that paint outside their own rectangle are still repainted by a
// partial redraw that covers only those pixels, exactly as by a full one.
TEST_F(DrawingTest, AToggleLabelIsRepaintedByPartialRedrawsFromTheStart) {
  Font2 font("ms sans serif", "sserife.fon", 32, 0, 6, 16);
  auto* back = new GUIBackdropWindow(0, 0, 640, 480, 10, 20, 30);
  AddTopLevelObject(back);
  auto* toggle = new GUIToggleButton(100, 100, 16, 16, 1, nullptr, nullptr, nullptr);
  toggle->Font = &font;
  toggle->SetText("Remember me");
  back->AddChild(toggle);
  // Nothing drawn yet; only the label's area, right of the box, is redrawn.
  EXPECT_EQ(PartialRedrawOfAreaVersusFull(130, 96, 230, 125), "");
  ASSERT_GT(PixelsOtherThan("10,20,30", 130, 96, 230, 125), 20) << "the label is drawn there";
  // A new label shows at the next redraw, longer or shorter, as in a full one.
  toggle->SetText("A much longer label than before");
  EXPECT_EQ(PendingRedrawVersusFull(100, 96, 639, 130), "");
  toggle->SetText("On");
  EXPECT_EQ(PendingRedrawVersusFull(100, 96, 639, 130), "");
  EXPECT_EQ(PixelsOtherThan("10,20,30", 160, 96, 639, 130), 0) << "the long label is gone";
  toggle->Font = nullptr;
}

TEST_F(DrawingTest, ASunkenFrameOutsideTheObjectIsRepaintedByPartialRedraws) {
  class Sunken : public GUIObject {
   public:
    int depth;
    Sunken(int x, int y, int w, int h, int d) : GUIObject(x, y, w, h), depth(d) {}
    void Draw(int x, int y) override {
      if (Hidden()) return;
      CurGfxDevice->ClearRegion(150, 150, 150, x + X, y + Y, x + X + Width - 1, y + Y + Height - 1);
      DrawRecessedBox(depth);
    }
  };
  auto* back = new GUIBackdropWindow(0, 0, 640, 480, 10, 20, 30);
  AddTopLevelObject(back);
  for (int depth : {1, 3, kDrawOverhang}) {
    auto* box = new Sunken(100, 100, 60, 30, depth);
    back->AddChild(box);
    Need_Redraw = 1;
    GUIRedrawWindows();
    int d = depth;
    ASSERT_EQ(Pixel(100 - d, 100 - d), "64,64,64");
    ASSERT_EQ(Pixel(159 + d, 129 + d), "220,220,220");
    // The strips of the frame on each side, and the object's outer corners.
    EXPECT_EQ(PartialRedrawOfAreaVersusFull(100 - d, 100 - d, 99, 129 + d), "") << "left, depth " << d;
    EXPECT_EQ(PartialRedrawOfAreaVersusFull(100 - d, 100 - d, 159 + d, 99), "") << "top, depth " << d;
    EXPECT_EQ(PartialRedrawOfAreaVersusFull(160, 100 - d, 159 + d, 129 + d), "") << "right, depth " << d;
    EXPECT_EQ(PartialRedrawOfAreaVersusFull(100 - d, 130, 159 + d, 129 + d), "") << "bottom, depth " << d;
    EXPECT_EQ(PartialRedrawOfAreaVersusFull(100 - d, 100 - d, 100 - d, 100 - d), "") << "corner, depth " << d;
    delete box;
  }
}

TEST_F(DrawingTest, LabelsWiderThanTheirObjectLookTheSameInPartialRedraws) {
  // Buttons load the skin's faces relative to the working directory.
  char cwd[1024];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir((std::string(QUORVEL_SOURCE_DIR) + "/assets").c_str()), 0);
  Font2 font("ms sans serif", "sserife.fon", 32, 0, 6, 16);
  auto* back = new GUIBackdropWindow(0, 0, 640, 480, 10, 20, 30);
  AddTopLevelObject(back);
  auto* button = new GUIButton(200, 100, 60, "A label far wider than its button", 1, 0);
  button->Font = &font;
  back->AddChild(button);
  auto* frame = new GUIFramedWindow(100, 300, 80, 60, "A title far wider than its window", 1, 0, 0, 0, back);
  frame->TitleBar->Font = &font;
  Need_Redraw = 1;
  GUIRedrawWindows();
  int white = 0;
  for (int y = 100; y < 100 + button->Height; ++y)
    for (int x = 200; x < 260; ++x) white += Pixel(x, y) == "255,255,255";
  ASSERT_GT(white, 20) << "the label is drawn";
  // Left and right of the button and right of the window, further out than
  // an object may overhang.
  EXPECT_EQ(PartialRedrawOfAreaVersusFull(100, 95, 195, 130), "");
  EXPECT_EQ(PartialRedrawOfAreaVersusFull(265, 95, 400, 130), "");
  EXPECT_EQ(PartialRedrawOfAreaVersusFull(185, 295, 400, 330), "");
  // A dialog inside the screen with a prompt and a word longer than it is wide.
  Font2* savedFont = DefaultSimpleDialogButtonFont;
  DefaultSimpleDialogButtonFont = &font;
  std::string word(60, 'W');
  auto* box = new GUISimpleDialogBox("Q", back, nullptr, word.c_str(), 160, 80, -1, 0, -1, 0, 1, word.c_str(), nullptr);
  back->AddChild(box);
  box->X = 300;
  box->Y = 150;
  int right = box->X + box->Width;
  Need_Redraw = 1;
  GUIRedrawWindows();
  EXPECT_EQ(PartialRedrawOfAreaVersusFull(right + 5, box->Y, 639, box->Y + box->Height - 1), "");
  DefaultSimpleDialogButtonFont = savedFont;
  button->Font = nullptr;
  frame->TitleBar->Font = nullptr;
  ASSERT_EQ(chdir(cwd), 0);
}

// Every small area of a screen full of widgets, redrawn alone, looks as in
// a full redraw: nothing is drawn outside the area its object claims.
TEST_F(DrawingTest, AnyAreaRedrawnAloneLooksAsInAFullRedraw) {
  char cwd[1024];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir((std::string(QUORVEL_SOURCE_DIR) + "/assets").c_str()), 0);
  Font2 font("ms sans serif", "sserife.fon", 32, 0, 6, 16);
  Font2* savedDialogFont = DefaultSimpleDialogButtonFont;
  DefaultSimpleDialogButtonFont = &font;
  auto* back = new GUIBackdropWindow(0, 0, 640, 480, 10, 20, 30);
  AddTopLevelObject(back);
  auto* button = new GUIButton(20, 20, 90, "Press", 1, 0);
  button->Font = &font;
  back->AddChild(button);
  auto* toggle = new GUIToggleButton(20, 60, 16, 16, 2, nullptr, nullptr, nullptr);
  toggle->Font = &font;
  toggle->SetText("A toggle");
  back->AddChild(toggle);
  auto* field = new GUIStringGadget(20, 100, 150, 20);
  field->Font = &font;
  field->Set("typed text");
  back->AddChild(field);
  auto* grey = new GUIButton(20, 140, 90, "Greyed", 4, 0);
  grey->Font = &font;
  grey->Flags |= GreyWhenDisabled;
  back->AddChild(grey);
  grey->Disable();
  auto* drop = new GUIDropDownBox(nullptr, 20, 200, 150, 20, back, &font, "", 0);
  drop->AddItem("first item", 1);
  drop->SelectItem(0);
  auto* frame = new GUIFramedWindow(250, 20, 220, 160, "Framed window", 1, 1, 1, 0, back);
  frame->TitleBar->Font = &font;
  auto* text = new GUITextBox(frame->LeftInset + 4, frame->TopInset + 4, 180, 90, 200, 200, 210);
  text->Font = &font;
  frame->AddChild(text);
  for (int i = 0; i < 20; ++i) text->AddLineAtBottom(("line " + std::to_string(i)).c_str());
  auto* box = new GUISimpleDialogBox("Dialog", back, nullptr, "A message in a box", 220, 120, DialogOK, 3, -1, 0, 1,
                                     "Prompt", "entry");
  back->AddChild(box);
  box->X = 300;
  box->Y = 250;
  Modal = nullptr;
  KeyOwner = nullptr;
  Need_Redraw = 1;
  GUIRedrawWindows();
  const int cell = 24;
  for (int y = 0; y < 480; y += cell)
    for (int x = 0; x < 640; x += cell)
      EXPECT_EQ(PartialRedrawOfAreaVersusFull(x, y, std::min(639, x + cell - 1), std::min(479, y + cell - 1)), "")
          << "area at " << x << "," << y;
  for (GUIObject* o : {static_cast<GUIObject*>(button), static_cast<GUIObject*>(toggle), static_cast<GUIObject*>(field),
                       static_cast<GUIObject*>(text), static_cast<GUIObject*>(grey), static_cast<GUIObject*>(drop),
                       static_cast<GUIObject*>(drop->Field)})
    o->Font = nullptr;
  frame->TitleBar->Font = nullptr;
  DefaultSimpleDialogButtonFont = savedDialogFont;
  ASSERT_EQ(chdir(cwd), 0);
}

}  // namespace

// A field that loses the keyboard to another field by a click is redrawn
// without its caret, as a full redraw would show it (it kept a stale caret).
TEST_F(DrawingTest, AFieldThatLosesTheKeyboardToAClickedOneLosesItsCaret) {
  Font2 font("ms sans serif", "sserife.fon", 32, 0, 6, 16);
  auto* back = new GUIBackdropWindow(0, 0, 640, 480, 10, 20, 30);
  AddTopLevelObject(back);
  auto* user = new GUIStringGadget(20, 20, 200, 20);
  auto* password = new GUIStringGadget(20, 60, 200, 20);
  for (GUIStringGadget* f : {user, password}) {
    f->Font = &font;
    f->Set("text");
    back->AddChild(f);
  }
  user->DoButtonEvent(LeftButtonDown, 150, 10, 0);
  user->DoButtonEvent(LeftButtonUp, 150, 10, 0);
  Need_Redraw = 1;
  GUIRedrawWindows();
  ASSERT_EQ(KeyOwner, user);
  password->DoButtonEvent(LeftButtonDown, 150, 10, 0);
  password->DoButtonEvent(LeftButtonUp, 150, 10, 0);
  ASSERT_EQ(KeyOwner, password);
  EXPECT_EQ(PendingRedrawVersusFull(20, 20, 219, 39), "") << "the first field shows no caret any more";
  KeyOwner = nullptr;
}
