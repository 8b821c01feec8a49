// The download window's queue through its own operations and the GUI tick,
// without a network: name matching, argument fan-out, placement, countdowns,
// pausing, the busy state and the parent's layout. Transfers themselves are
// in tests/integration/download_window_flow_test.cpp.
#include "update/download_window.h"

#include <gtest/gtest.h>

#include <string>

#include "gui/gui_fixture.h"
#include "gui/gui_timers.h"

namespace {

int g_freed = 0;
void CountingFree(void* p) {
  ++g_freed;
  delete static_cast<int*>(p);
}
int g_calls = 0;
void CallbackA(DownloadWindow*, void*) { ++g_calls; }
void CallbackB(DownloadWindow*, void*) { g_calls += 100; }

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
    g_freed = 0;
    g_calls = 0;
    root = new LayoutProbe(0, 0, 640, 480);
    AddTopLevelObject(root);
    window = new DownloadWindow(root, "http:\\\\127.0.0.1:1\\base\\", nullptr, "u:p", "/nonexistent/", nullptr);
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (DownloadFileQueueEntry* e = window->Queue; e; e = e->next) out.push_back(e->Name);
    return out;
  }
  LayoutProbe* root = nullptr;
  DownloadWindow* window = nullptr;
};

TEST_F(DownloadQueueTest, ConstructionCentresHiddenOnTheParentWithTheAddressNormalised) {
  EXPECT_STREQ(window->DestUrl, "http://127.0.0.1:1/base/");
  EXPECT_EQ(window->Parent, root);
  EXPECT_EQ(window->X, (640 - 260) / 2);
  EXPECT_EQ(window->Y, (480 - 100) / 2);
  EXPECT_TRUE(window->Flags & Disabled);
  EXPECT_EQ(window->RetryWaitTicks, 3600u);
  EXPECT_STREQ(window->Credential, "u:p");
}

TEST_F(DownloadQueueTest, NamesCompareWithoutCaseAndNewestRunsFirst) {
  EXPECT_TRUE(window->AddNewDownload("data\\a.txt", nullptr, nullptr, 0, nullptr));
  EXPECT_TRUE(window->AddNewDownload("Data\\A.txt", CallbackB, new int(1), 1, nullptr, CountingFree));
  EXPECT_EQ(g_freed, 1);  // the argument of the ignored duplicate is let go at once
  window->AddNewDownload("b.txt", nullptr, nullptr, 0, nullptr);
  window->AddNewDownload("c.txt", nullptr, nullptr, 0, nullptr);
  EXPECT_EQ(Names(), (std::vector<std::string>{"c.txt", "b.txt", "data\\a.txt"}));
  EXPECT_EQ(window->Queue->next->next->Callback, nullptr);
  EXPECT_EQ(window->Queue->next->next->DownloadFlags, 0);
  EXPECT_EQ(window->Queue->RetryCountdown, 0);
}

TEST_F(DownloadQueueTest, PigArchivesGatherEveryDistinctArgument) {
  int* a = new int(1);
  int* b = new int(2);
  window->AddNewDownload("data\\sounds.pig", CallbackA, a, 0, nullptr, CountingFree);
  window->AddNewDownload("DATA\\Sounds.pig", CallbackB, b, 0, nullptr, CountingFree);
  window->AddNewDownload("data\\sounds.pig", CallbackB, a, 0, nullptr, CountingFree);  // already there
  window->AddNewDownload("data\\sounds.pig", CallbackB, nullptr, 0, nullptr);
  ASSERT_EQ(Names().size(), 1u);
  DownloadFileQueueEntry* e = window->Queue;
  EXPECT_EQ(e->Callback, CallbackA);
  ASSERT_NE(e->Arguments, nullptr);
  EXPECT_EQ(e->Arguments->Data, b);  // newest at the head
  ASSERT_NE(e->Arguments->next, nullptr);
  EXPECT_EQ(e->Arguments->next->Data, a);
  EXPECT_EQ(e->Arguments->next->next, nullptr);
  EXPECT_EQ(g_freed, 0);
  delete window;  // the destructor frees the entries with their arguments
  EXPECT_EQ(g_freed, 2);
}

// Regression: queuing a file that is not an archive again with the argument
// its entry already holds freed that argument while the entry kept it.
TEST_F(DownloadQueueTest, TheArgumentAnEntryAlreadyHoldsIsNotFreedWhenItsNameIsQueuedAgain) {
  int* a = new int(7);
  window->AddNewDownload("data\\a.txt", CallbackA, a, 1, nullptr, CountingFree);
  window->AddNewDownload("DATA\\A.TXT", CallbackB, a, 1, nullptr, CountingFree);
  EXPECT_EQ(g_freed, 0);
  ASSERT_NE(window->Queue->Arguments, nullptr);
  EXPECT_EQ(window->Queue->Arguments->Data, a);
  EXPECT_EQ(*static_cast<int*>(window->Queue->Arguments->Data), 7);
  delete window;
  EXPECT_EQ(g_freed, 1) << "freed once, with its entry";
}

TEST_F(DownloadQueueTest, NamesThatDoNotFitAnEntryAreRefusedNotCut) {
  std::string fits(kQueueNameSize - 1, 'a');
  std::string tooLong(kQueueNameSize, 'b');
  EXPECT_TRUE(window->AddNewDownload(fits.c_str(), nullptr, nullptr, 0, nullptr));
  EXPECT_FALSE(window->AddNewDownload(tooLong.c_str(), nullptr, new int(0), 0, nullptr, CountingFree));
  EXPECT_FALSE(window->AddNewDownload("", nullptr, nullptr, 0, nullptr));
  EXPECT_EQ(g_freed, 1);
  EXPECT_EQ(Names(), std::vector<std::string>{fits});
}

TEST_F(DownloadQueueTest, RetryWaitIsSevenThousandTwoHundredTicksASecondAndLowersLongerCountdowns) {
  for (const char* n : {"a", "b", "c"}) window->AddNewDownload(n, nullptr, nullptr, 0, nullptr);
  window->Queue->RetryCountdown = 9000;
  window->Queue->next->RetryCountdown = 7200;
  window->Queue->next->next->RetryCountdown = 100;
  window->SetSecondsToWaitForDownloadRetry(1);
  EXPECT_EQ(window->RetryWaitTicks, 7200u);
  EXPECT_EQ(window->Queue->RetryCountdown, 7200);
  EXPECT_EQ(window->Queue->next->next->RetryCountdown, 100);
  window->SetSecondsToWaitForDownloadRetry(0);
  for (DownloadFileQueueEntry* e = window->Queue; e; e = e->next) EXPECT_EQ(e->RetryCountdown, 0);
}

TEST_F(DownloadQueueTest, TicksCountDownUnlessPausedAndNothingStartsWhileWaiting) {
  window->AddNewDownload("a", nullptr, nullptr, 0, nullptr);
  window->AddNewDownload("b", nullptr, nullptr, 0, nullptr);
  // Both failed before and wait out their retry delays.
  window->Queue->RetryCountdown = 3;
  window->Queue->next->RetryCountdown = 5;
  window->Queue->Tried = window->Queue->next->Tried = 1;
  window->Paused = 1;
  GUITimerTick();
  GUITimerTick();
  EXPECT_EQ(window->Queue->RetryCountdown, 3);
  EXPECT_EQ(window->Queue->next->RetryCountdown, 5);
  window->Paused = 0;
  GUITimerTick();
  EXPECT_EQ(window->Queue->RetryCountdown, 2);
  EXPECT_EQ(window->Queue->next->RetryCountdown, 4);
  // The head waits out its countdown: no transfer, the window stays hidden.
  EXPECT_EQ(window->Current, nullptr);
  EXPECT_TRUE(window->Flags & Disabled);
}

TEST_F(DownloadQueueTest, BusyWindowCountsDownButStartsNothing) {
  window->AddNewDownload("a", nullptr, nullptr, 0, nullptr);
  window->Status = kDownloadWindowBusy;
  for (int i = 0; i < 3; ++i) GUITimerTick();
  EXPECT_EQ(window->Queue->RetryCountdown, -3);
  EXPECT_EQ(window->Current, nullptr);
  window->Status = kDownloadWindowIdle;
  GUITimerTick();
  ASSERT_NE(window->Current, nullptr);  // started (the connection itself is refused later)
  EXPECT_FALSE(window->Flags & Disabled);
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
