// The folder picker on a real directory tree.
#include "gui/folder_picker.h"

#include <sys/stat.h>

#include <string>

#include "gui/gui_button.h"
#include "gui/gui_string_gadget.h"
#include "gui/gui_text_box.h"
#include "gui_fixture.h"
#include "gui_input.h"
#include "support/files.h"
#include "support/temp_dir.h"

namespace {

class FolderPickerTest : public GUITest {
 protected:
  void SetUp() override {
    GUITest::SetUp();
    mkdir((dir / "beta").c_str(), 0755);
    mkdir((dir / "alpha").c_str(), 0755);
    mkdir((dir / "alpha/inner").c_str(), 0755);
    mkdir((dir / ".hidden").c_str(), 0755);
    WriteFileText(dir / "file.txt", "x");
    screen = new Recipient(0, 0, 640, 480);
    AddTopLevelObject(screen);
  }
  GUIFolderPicker* Open(const std::string& start) {
    auto* picker = new GUIFolderPicker("Select directory", screen, start.c_str(), 105, 106);
    screen->AddChild(picker);
    picker->Place();
    return picker;
  }
  void ClickButton(GUIButton* b) { Click(b->AbsoluteX() + 5, b->AbsoluteY() + 5); }
  void ClickLine(GUIFolderPicker* p, int index, bool twice) {
    GUITextBox* list = p->List;
    int y = list->AbsoluteY() + 2 + (index - list->FirstLine) * list->LineHeightPixels() + 1;
    int x = list->AbsoluteX() + 10;
    if (twice) GUIMessageHandler(WM_LBUTTONDBLCLK, MK_LBUTTON, PackXY(x, y));
    else Click(x, y);
  }
  // Keeps a copy of the reported path: the picker's text lives only during the call.
  class Recipient : public Probe {
   public:
    using Probe::Probe;
    std::string chosen = "(none)";
    int HandleMessage(int msg, int a, int b, void* p, void* q) override {
      if (msg == 105 || msg == 106) chosen = q ? static_cast<char*>(q) : "(null)";
      return Probe::HandleMessage(msg, a, b, p, q);
    }
  };
  TempDir dir;
  Recipient* screen;
};

TEST_F(FolderPickerTest, ListsOnlyVisibleSubfoldersSortedWithAWayUp) {
  GUIFolderPicker* p = Open(dir.path());
  EXPECT_EQ(Modal, p);
  ASSERT_EQ(p->Folders.size(), 2u);
  EXPECT_EQ(p->Folders[0], "alpha");
  EXPECT_EQ(p->Folders[1], "beta");
  EXPECT_EQ(p->List->NLines, 3);
  EXPECT_STREQ(p->List->LineAt(0)->Text, "..");
  EXPECT_STREQ(p->PathField->Text(), p->Path.c_str());
}

TEST_F(FolderPickerTest, FolderNamesWithBracesAndAtSignsAreListedLiterally) {
  mkdir((dir / "{\xc3\xa9}").c_str(), 0755);
  mkdir((dir / "a@b").c_str(), 0755);
  GUIFolderPicker* p = Open(dir.path());
  ASSERT_EQ(p->Folders.size(), 4u);
  EXPECT_EQ(p->Folders[0], "a@b");
  EXPECT_STREQ(p->List->LineAt(1)->Text, "a@@b");
  EXPECT_EQ(p->Folders[3], "{\xc3\xa9}");
  EXPECT_STREQ(p->List->LineAt(4)->Text, "@{\xc3\xa9}");
  std::string top = p->Path;
  ClickLine(p, 4, true);
  EXPECT_EQ(p->Path, top + "/{\xc3\xa9}") << "the folder itself is opened, not its shown form";
}

TEST_F(FolderPickerTest, DoubleClickGoesInUpComesBackAndOkReportsTheSelection) {
  GUIFolderPicker* p = Open(dir.path());
  std::string top = p->Path;
  ClickLine(p, 1, true);  // alpha
  EXPECT_EQ(p->Path, top + "/alpha");
  ASSERT_EQ(p->Folders.size(), 1u);
  ClickButton(p->UpButton);
  EXPECT_EQ(p->Path, top);
  ClickLine(p, 2, false);  // beta selected: the path field follows
  EXPECT_EQ(std::string(p->PathField->Text()), top + "/beta");
  ClickButton(p->OkButton);
  // The picker is destroyed (MsgChildDestroyed to its parent) before it reports.
  ASSERT_EQ(screen->messages.size(), 2u);
  EXPECT_EQ(screen->messages[0].msg, MsgChildDestroyed);
  EXPECT_EQ(screen->messages[1].msg, 105);
  EXPECT_EQ(screen->chosen, top + "/beta");
  EXPECT_EQ(Modal, nullptr);
  EXPECT_EQ(screen->Children, nullptr);
}

TEST_F(FolderPickerTest, CancelReportsNoPathAndAMissingStartFallsBackToItsParent) {
  GUIFolderPicker* p = Open(dir / "alpha/missing/deeper");
  EXPECT_EQ(p->Path.substr(p->Path.size() - 6), "/alpha");
  // A typed path that is not a folder leaves the picker where it was.
  Click(p->PathField->AbsoluteX() + 3, p->PathField->AbsoluteY() + 3);
  p->PathField->Set((dir / "file.txt").c_str());
  PressEnter();
  EXPECT_EQ(p->Path.substr(p->Path.size() - 6), "/alpha");
  ClickButton(p->CancelButton);
  ASSERT_EQ(screen->CountMessages(106), 1);
  EXPECT_EQ(screen->messages.back().msg, 106);
  EXPECT_EQ(screen->chosen, "(null)");
}

TEST(FolderPaths, ParentAndJoin) {
  EXPECT_EQ(ParentFolder("/a/b"), "/a");
  EXPECT_EQ(ParentFolder("/a/b/"), "/a");
  EXPECT_EQ(ParentFolder("/a"), "/");
  EXPECT_EQ(ParentFolder("/"), "/");
  EXPECT_EQ(JoinFolder("/", "x"), "/x");
  EXPECT_EQ(JoinFolder("/a", "x"), "/a/x");
}

}  // namespace
