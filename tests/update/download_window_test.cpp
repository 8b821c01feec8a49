// The download window around its scheduler: placement, the parent's layout,
// the buttons' messages. The queue's rules are in download_scheduler_test.cpp,
// transfers in tests/integration/download_window_flow_test.cpp.
#include "update/download_window.h"

#include <gtest/gtest.h>

#include "gui/gui_fixture.h"
#include "gui/gui_timers.h"

namespace {

class LayoutProbe : public Probe {
 public:
  using Probe::Probe;
  int layouts = 0;
  void LayoutChildren() override {
    ++layouts;
    Probe::LayoutChildren();
  }
};

class DownloadQueueTest : public GUITest {
 protected:
  void SetUp() override {
    GUITest::SetUp();
    root = new LayoutProbe(0, 0, 640, 480);
    AddTopLevelObject(root);
    window = new DownloadWindow(root, "http:\\\\127.0.0.1:1\\base\\", nullptr, "u:p", "/nonexistent/", nullptr);
  }
  LayoutProbe* root = nullptr;
  DownloadWindow* window = nullptr;
};

TEST_F(DownloadQueueTest, ConstructionCentresHiddenOnTheParentWithTheAddressNormalised) {
  EXPECT_STREQ(window->Downloads.DestUrl, "http://127.0.0.1:1/base/");
  EXPECT_EQ(window->Parent, root);
  EXPECT_EQ(window->X, (640 - 260) / 2);
  EXPECT_EQ(window->Y, (480 - 100) / 2);
  EXPECT_TRUE(window->Flags & Disabled);
}

TEST_F(DownloadQueueTest, EmptyQueueLaysTheParentOutOnceNotOnEveryTick) {
  window->Enable();  // shown, as after a digest pass
  root->layouts = 0;
  for (int i = 0; i < 6; ++i) GUITimerTick();
  EXPECT_EQ(root->layouts, 1);
  EXPECT_TRUE(window->Flags & Disabled);
  EXPECT_EQ(window->ShownForTransfer, 0);
}

TEST_F(DownloadQueueTest, ButtonMessagesArePassedOnOthersAreNot) {
  EXPECT_EQ(window->HandleMessage(kDownloadErrorButtonMessage, 1, 2, nullptr, nullptr), 1);
  EXPECT_EQ(window->HandleMessage(kDownloadPassOnMessage, 3, 4, nullptr, nullptr), 1);
  EXPECT_EQ(window->HandleMessage(kDownloadReportMessage, 0, 0, nullptr, nullptr), 0);
  ASSERT_EQ(root->messages.size(), 2u);
  EXPECT_EQ(root->messages[0].msg, kDownloadErrorButtonMessage);
  EXPECT_EQ(root->messages[1].a, 3);
}

TEST_F(DownloadQueueTest, LayoutKeepsTheFixedSize) {
  window->Width = 500;
  window->Height = 20;
  window->LayoutChildren();
  EXPECT_EQ(window->Width, 260);
  EXPECT_EQ(window->Height, 100);
}

}  // namespace
