// The download window against nginx on loopback, driven as the launcher
// drives it: GUI ticks, and the transfer advanced whenever its socket is
// ready. Order of transfers, the retry of a 404 behind the others with a
// report each time, a patch served by nginx, a patch whose result fails its
// digest (the file is then fetched whole and verified), and the ".pig"
// argument fan-out.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/intrusive_list.h"
#include "gui/frame_pump.h"
#include "gui/gui_fixture.h"
#include "gui/gui_timers.h"
#include "integration/download_helpers.h"
#include "integration/download_reports.h"
#include "support/files.h"
#include "support/peers.h"
#include "support/process.h"
#include "transport/md5.h"
#include "transport/transport_globals.h"
#include "update/download_window.h"
#include "update/file_list.h"
#include "update/patch_apply.h"
#include "update/patch_encoder.h"
#include "update/update_globals.h"
#include "update/verification.h"

namespace {

using Report = DownloadReport;
using Parent = DownloadReportRecorder;

std::vector<std::string> g_arrived;
void Arrived(DownloadWindow*, void* data) { g_arrived.push_back(data ? static_cast<const char*>(data) : "(null)"); }

class DownloadFlowTest : public GUITest {
 protected:
  void SetUp() override {
    GUITest::SetUp();
    ResetUpdateGlobals();
    ResetFramePump();
    g_arrived.clear();
    ASSERT_EQ(nginx.Start(served.path()), "");
    parent = new Parent(0, 0, 640, 480);
    AddTopLevelObject(parent);
    const std::string url = "http://127.0.0.1:" + std::to_string(nginx.port()) + "/";
    window = new DownloadWindow(parent, url.c_str(), nullptr, "u:p", (install.path() + "/").c_str(), nullptr);
    window->Downloads.SetSecondsToWaitForDownloadRetry(0);
  }
  void TearDown() override {
    ResetUpdateGlobals();
    ResetTransportGlobals();
    GUITest::TearDown();
  }
  // Ticks and socket events until the queue is empty or `reports` reports
  // have come (at most about 20 seconds).
  void Run(size_t reports = ~size_t(0)) {
    for (int turn = 0; turn < 4000; ++turn) {
      GUITimerTick();
      for (int i = 0; i < 200 && !window->Downloads.Running().empty(); ++i) PumpWaitForMessageOrSocket(5);
      if (!window->Downloads.Pending() || parent->reports.size() >= reports) return;
    }
    FAIL() << "the queue did not empty";
  }
  TempDir served, install;
  NginxPeer nginx;
  Parent* parent = nullptr;
  DownloadWindow* window = nullptr;
};

TEST_F(DownloadFlowTest, NewestQueuedRunsFirstAndAFailureIsRetriedBehindTheOthers) {
  MaxConnections = 1;  // one transfer at a time: the reports come in the queue's order
  for (const char* n : {"a.txt", "b.txt", "c.txt", "d.txt"}) WriteFileText(served / n, std::string("body of ") + n);
  window->Downloads.AddNewDownload("a.txt", Arrived, CopyArgText("a"), 1, nullptr, FreeArgText);
  window->Downloads.AddNewDownload("missing.txt", nullptr, nullptr, 1, nullptr);
  window->Downloads.AddNewDownload("b.txt", Arrived, CopyArgText("b"), 1, nullptr, FreeArgText);
  window->Downloads.AddNewDownload("c.txt", Arrived, CopyArgText("c"), 1, nullptr, FreeArgText);
  Run(5);
  // c b missing(404) a, then missing again after a.
  ASSERT_GE(parent->reports.size(), 5u);
  std::vector<std::string> order;
  for (size_t i = 0; i < 5; ++i) order.push_back(parent->reports[i].name);
  EXPECT_EQ(order, (std::vector<std::string>{"c.txt", "b.txt", "missing.txt", "a.txt", "missing.txt"}));
  EXPECT_EQ(parent->reports[2].status, 2);
  EXPECT_NE(parent->reports[2].error.find("404"), std::string::npos) << parent->reports[2].error;
  EXPECT_EQ(parent->reports[4].status, 2);
  EXPECT_EQ(g_arrived, (std::vector<std::string>{"c", "b", "a"}));
  EXPECT_EQ(ReadFileText(install / "b.txt"), "body of b.txt");
  // A file queued while another runs is the next to run.
  window->Downloads.CancelAll();
  parent->reports.clear();
  window->Downloads.AddNewDownload("a.txt", nullptr, nullptr, 1, nullptr);
  window->Downloads.AddNewDownload("b.txt", nullptr, nullptr, 1, nullptr);
  GUITimerTick();
  ASSERT_EQ(window->Downloads.Running().size(), 1u);
  EXPECT_STREQ(window->Downloads.Running()[0].entry->Name, "b.txt");
  window->Downloads.AddNewDownload("d.txt", nullptr, nullptr, 1, nullptr);
  Run();
  ASSERT_EQ(parent->reports.size(), 3u);
  EXPECT_EQ(parent->reports[1].name, "d.txt");
}

TEST_F(DownloadFlowTest, NotModifiedReportsFourWithoutTheCallback) {
  WriteFileText(served / "list.lst", "x");
  window->Downloads.AddNewDownload("list.lst", Arrived, nullptr, 0, nullptr);
  Run();
  ASSERT_EQ(parent->reports.size(), 1u);
  EXPECT_EQ(parent->reports[0].status, 0);
  window->Downloads.AddNewDownload("list.lst", Arrived, nullptr, 0, nullptr);  // conditional on the stored date
  Run();
  ASSERT_EQ(parent->reports.size(), 2u);
  EXPECT_EQ(parent->reports[1].status, 4);
  EXPECT_EQ(g_arrived.size(), 1u);
}

// The launcher queues "updated.lst" from the report of "master.lst". The
// new entry goes to the head of the idle queue; the finished entry's
// callback must still be the one that runs, and the new list's callback only
// after its own transfer.
std::string g_install_dir;
std::vector<bool> g_present;
void ArrivedAndPresent(DownloadWindow* w, void* data) {
  Arrived(w, data);
  g_present.push_back(FileExists(g_install_dir + static_cast<const char*>(data)));
}

class QueueingParent : public Parent {
 public:
  using Parent::Parent;
  DownloadWindow* window = nullptr;
  int HandleMessage(int msg, int a, int b, void* p, void* q) override {
    Parent::HandleMessage(msg, a, b, p, q);
    if (msg == kDownloadReportMessage && a == 0 && std::strcmp(static_cast<const char*>(q), "master.lst") == 0)
      window->Downloads.AddNewDownload("updated.lst", ArrivedAndPresent, const_cast<char*>("updated.lst"), 0, nullptr);
    return 1;
  }
};

TEST_F(DownloadFlowTest, AFileQueuedFromAReportRunsItsCallbackOnlyAfterItsOwnTransfer) {
  WriteFileText(served / "master.lst", "master");
  WriteFileText(served / "updated.lst", "updated");
  auto* queueing = new QueueingParent(0, 0, 640, 480);
  AddTopLevelObject(queueing);
  const std::string url = "http://127.0.0.1:" + std::to_string(nginx.port()) + "/";
  g_install_dir = install.path() + "/";
  g_present.clear();
  auto* dw = new DownloadWindow(queueing, url.c_str(), nullptr, "u:p", g_install_dir.c_str(), nullptr);
  dw->Downloads.SetSecondsToWaitForDownloadRetry(0);
  queueing->window = dw;
  dw->Downloads.AddNewDownload("master.lst", ArrivedAndPresent, const_cast<char*>("master.lst"), 0, nullptr);
  for (int turn = 0; turn < 4000 && (dw->Downloads.Pending() || queueing->reports.size() < 2); ++turn) {
    GUITimerTick();
    for (int i = 0; i < 200 && !dw->Downloads.Running().empty(); ++i) PumpWaitForMessageOrSocket(5);
  }
  ASSERT_EQ(queueing->reports.size(), 2u);
  EXPECT_EQ(queueing->reports[1].name, "updated.lst");
  EXPECT_EQ(g_arrived, (std::vector<std::string>{"master.lst", "updated.lst"}));
  EXPECT_EQ(g_present, (std::vector<bool>{true, true})) << "each callback finds its own file downloaded";
}

// Lists are fetched one after another; each used to wait for the next GUI
// tick (half a second) before its transfer started.
TEST_F(DownloadFlowTest, AFileQueuedOnAnIdleWindowStartsAtThePumpsNextTurnWithoutATick) {
  WriteFileText(served / "one.lst", "1");
  WriteFileText(served / "two.lst", "2");
  window->Downloads.AddNewDownload("one.lst", nullptr, nullptr, 0, nullptr);
  for (int i = 0; i < 2000 && parent->reports.empty(); ++i) PumpWaitForMessageOrSocket(5);
  ASSERT_EQ(parent->reports.size(), 1u);
  window->Downloads.AddNewDownload("two.lst", nullptr, nullptr, 0, nullptr);
  for (int i = 0; i < 2000 && parent->reports.size() < 2; ++i) PumpWaitForMessageOrSocket(5);
  ASSERT_EQ(parent->reports.size(), 2u);
  EXPECT_EQ(ReadFileText(install / "two.lst"), "2");
  window->Downloads.SetPaused(true);
  window->Downloads.AddNewDownload("one.lst", nullptr, nullptr, 0, nullptr);
  for (int i = 0; i < 20; ++i) PumpWaitForMessageOrSocket(5);
  EXPECT_TRUE(window->Downloads.Running().empty()) << "a paused window starts nothing";
}

TEST_F(DownloadFlowTest, PigArchiveCallsItsCallbackOncePerArgument) {
  WriteFileText(served / "sounds.pig", "archive");
  window->Downloads.AddNewDownload("sounds.pig", Arrived, CopyArgText("first"), 1, nullptr, FreeArgText);
  window->Downloads.AddNewDownload("Sounds.pig", Arrived, CopyArgText("second"), 1, nullptr, FreeArgText);
  Run();
  EXPECT_EQ(g_arrived, (std::vector<std::string>{"second", "first"}));
  ASSERT_EQ(parent->reports.size(), 1u);
}

class PatchFlowTest : public DownloadFlowTest {
 protected:
  void Prepare(bool corruptResultDigest) {
    old.assign(200000, 'o');
    for (size_t i = 0; i < old.size(); ++i) old[i] = char(i * 31 + (i >> 9));
    fresh = old;
    for (size_t i = 0; i < fresh.size(); i += 1000) fresh[i] = 'N';
    WriteFileText(install / "game.dat", old);
    WriteFileText(served / "game.dat", fresh);
    auto patch = MakePatch(reinterpret_cast<const unsigned char*>(old.data()), old.size(),
                           reinterpret_cast<const unsigned char*>(fresh.data()), fresh.size());
    WriteFileText(served / "game.pat", std::string(patch.begin(), patch.end()));
    auto* p = new ZindlePatchEntry{};
    MD5OfBytes(fresh.data(), fresh.size(), p->resultDigest);
    if (corruptResultDigest) p->resultDigest[0] ^= 1;
    MD5OfBytes(old.data(), old.size(), p->sourceDigest);
    p->resultSize = int(fresh.size());
    std::strcpy(p->patchName, "game.pat");
    std::strcpy(p->targetName, "game.dat");
    PatchList = p;
    entry = new ZindleFileListEntry{};
    entry->flags = FileRequired;
    MD5OfBytes(fresh.data(), fresh.size(), entry->digest);
    std::strcpy(entry->name, "game.dat");
  }
  void TearDown() override {
    delete entry;
    DownloadFlowTest::TearDown();
  }
  std::string old, fresh;
  ZindleFileListEntry* entry = nullptr;
};

TEST_F(PatchFlowTest, ChangedFileIsPatchedFromAPatchServedByNginx) {
  Prepare(false);
  ChecksumFilesAndAddZindleEntriesToDownloadQueue(window, entry, kUpdateCheckKinds, nullptr, nullptr, nullptr,
                                                  AddAFileToDownload);
  EXPECT_EQ(TotalDownloads, 1u);
  ASSERT_NE(window->Downloads.Queue, nullptr);
  EXPECT_STREQ(window->Downloads.Queue->Name, "game.pat");
  Run();
  EXPECT_EQ(ReadFileText(install / "game.dat"), fresh);
  ASSERT_EQ(parent->reports.size(), 1u);
  EXPECT_EQ(parent->reports[0].name, "game.pat");
  EXPECT_FALSE(FileExists(install / "game.pat"));
  EXPECT_FALSE(FileExists(install / "game.dat.tmp"));
  EXPECT_EQ(PatchesEnabled, 1);
}

TEST_F(PatchFlowTest, PatchFailingItsDigestFetchesTheWholeFileVerified) {
  Prepare(true);
  ChecksumFilesAndAddZindleEntriesToDownloadQueue(window, entry, kUpdateCheckKinds, nullptr, nullptr, nullptr, nullptr);
  Run();
  ASSERT_EQ(parent->reports.size(), 2u);
  EXPECT_EQ(parent->reports[0].name, "game.pat");
  EXPECT_EQ(parent->reports[1].name, "game.dat");
  EXPECT_EQ(parent->reports[1].status, 0);
  EXPECT_EQ(ReadFileText(install / "game.dat"), fresh);
  EXPECT_EQ(PatchesEnabled, 0);
  EXPECT_EQ(PatchList, nullptr);
  EXPECT_FALSE(FileExists(install / "game.dat.tmp"));
}

}  // namespace
