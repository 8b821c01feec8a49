// The text box's horizontal scroll bar: a word too long to wrap makes a line
// wider than the box, and the bar scrolls it into view.
#include <string>

#include "gfx/font2.h"
#include "gui/gui_scroll_bar.h"
#include "gui/gui_text_box.h"
#include "gui_fixture.h"
#include "gui_input.h"

namespace {
class TextBoxScroll : public GUITest {
 protected:
  void SetUp() override {
    GUITest::SetUp();
    screen = new Probe(0, 0, 640, 480);
    AddTopLevelObject(screen);
  }
  Probe* screen;
};
}  // namespace

TEST_F(TextBoxScroll, ALineWiderThanTheBoxBringsAHorizontalBarThatScrollsIt) {
  Font2 font("ms sans serif", "sserife.fon", 32, 0, 6, 16);
  auto* box = new GUITextBox(10, 10, 200, 100, 200, 200, 200);
  box->Font = &font;
  screen->AddChild(box);

  box->AddLineAtBottom("short words wrap to the width of the box and need no sideways scrolling");
  EXPECT_TRUE(box->HScroll == nullptr || (box->HScroll->Flags & Disabled));
  EXPECT_LE(box->WidestLine, box->TextWidth());

  std::string word(80, 'W');  // no blank to wrap at
  box->AddLineAtBottom(word.c_str());
  ASSERT_NE(box->HScroll, nullptr);
  EXPECT_FALSE(box->HScroll->Flags & Disabled);
  EXPECT_GT(box->WidestLine, box->TextWidth());
  EXPECT_EQ(box->HScroll->Y, box->Height - box->ScrollBarWidth);
  int rowsWithBar = box->NDisplayedVerticalElements();
  EXPECT_EQ(rowsWithBar, (box->Height - 4 - box->ScrollBarWidth) / box->LineHeightPixels())
      << "the bar takes its height from the text";

  // The right arrow steps sideways; the view never scrolls past the widest line.
  GUIScrollBar* bar = box->HScroll;
  int ax = bar->AbsoluteX() + bar->Width - 2, ay = bar->AbsoluteY() + 2;
  Click(ax, ay);
  EXPECT_GT(box->FirstColumn, 0);
  int step = box->FirstColumn;
  Click(ax, ay);
  EXPECT_EQ(box->FirstColumn, 2 * step);
  box->HandleMessage(MsgScrollToH, 1 << 20, 0, nullptr, nullptr);
  EXPECT_EQ(box->FirstColumn, box->WidestLine - box->TextWidth());
  Click(bar->AbsoluteX() + 2, ay);
  EXPECT_EQ(box->FirstColumn, box->WidestLine - box->TextWidth() - step);

  // Without the wide line the bar goes away and the view returns to the left edge.
  box->DeleteLine(box->LineAt(box->NLines - 1));
  EXPECT_TRUE(box->HScroll->Flags & Disabled);
  EXPECT_EQ(box->FirstColumn, 0);
  box->AddLineAtBottom(word.c_str());
  box->ClearText();
  EXPECT_EQ(box->WidestLine, 0);
  EXPECT_TRUE(box->HScroll->Flags & Disabled);
}
