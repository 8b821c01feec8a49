// The scheduler with no window: the queue's rules (name matching, argument
// fan-out, placement, countdowns, pausing, the busy state), and transfers run
// in parallel against nginx on loopback.
#include "update/download_scheduler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/peers.h"
#include "support/temp_dir.h"
#include "transport/http_download.h"
#include "transport/transport_globals.h"

namespace {

int g_freed = 0;
void CountingFree(void* p) {
  ++g_freed;
  delete static_cast<int*>(p);
}
void CallbackA(DownloadWindow*, void*) {}
void CallbackB(DownloadWindow*, void*) {}

struct Report {
  int status;
  std::string name, error;
};

// Keeps every report; can pause the scheduler on a failure, as the launcher
// does while it asks the player.
class Recorder : public DownloadSchedulerClient {
 public:
  DownloadScheduler* scheduler = nullptr;
  bool pauseOnFailure = false;
  std::vector<Report> reports;
  int reportsWhilePaused = 0;
  void OnDownloadReport(int status, const char* errorText, const char* name) override {
    if (scheduler && scheduler->Paused()) ++reportsWhilePaused;
    reports.push_back({status, name, errorText ? errorText : ""});
    if (pauseOnFailure && status == kDownloadFailed) scheduler->SetPaused(true);
  }
  void OnDownloadActivity(bool) override {}
  void OnDownloadProgress() override {}
};

class DownloadSchedulerTest : public testing::Test {
 protected:
  void SetUp() override { g_freed = 0; }
  void TearDown() override { ResetTransportGlobals(); }
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (DownloadFileQueueEntry* e = s.Queue; e; e = e->next) out.push_back(e->Name);
    return out;
  }
  Recorder client;
  DownloadScheduler s{&client, nullptr, "http:\\\\127.0.0.1:1\\base\\", "u:p", "/nonexistent/"};
};

TEST_F(DownloadSchedulerTest, ConstructionNormalisesTheAddressAndCopiesTheCredential) {
  EXPECT_STREQ(s.DestUrl, "http://127.0.0.1:1/base/");
  EXPECT_EQ(s.RetryWaitTicks, 3600u);
  EXPECT_STREQ(s.Credential, "u:p");
  EXPECT_FALSE(s.Pending());
}

TEST_F(DownloadSchedulerTest, NamesCompareWithoutCaseAndNewestRunsFirst) {
  EXPECT_TRUE(s.AddNewDownload("data\\a.txt", nullptr, nullptr, 0, nullptr));
  EXPECT_TRUE(s.AddNewDownload("Data\\A.txt", CallbackB, new int(1), 1, nullptr, CountingFree));
  EXPECT_EQ(g_freed, 1);  // the argument of the ignored duplicate is let go at once
  s.AddNewDownload("b.txt", nullptr, nullptr, 0, nullptr);
  s.AddNewDownload("c.txt", nullptr, nullptr, 0, nullptr);
  EXPECT_EQ(Names(), (std::vector<std::string>{"c.txt", "b.txt", "data\\a.txt"}));
  EXPECT_EQ(s.Queue->next->next->Callback, nullptr);
  EXPECT_EQ(s.Queue->next->next->DownloadFlags, 0);
  EXPECT_EQ(s.Queue->RetryCountdown, 0);
}

TEST_F(DownloadSchedulerTest, PigArchivesGatherEveryDistinctArgumentWaitingOrRunning) {
  for (bool running : {false, true}) {
    SCOPED_TRACE(running ? "running" : "waiting");
    g_freed = 0;
    auto* owner = new DownloadScheduler(&client, nullptr, "http://127.0.0.1:1/", nullptr, "/nonexistent/");
    int* a = new int(1);
    int* b = new int(2);
    owner->AddNewDownload("data\\sounds.pig", CallbackA, a, 0, nullptr, CountingFree);
    if (running) owner->Advance();
    owner->AddNewDownload("DATA\\Sounds.pig", CallbackB, b, 0, nullptr, CountingFree);
    owner->AddNewDownload("data\\sounds.pig", CallbackB, a, 0, nullptr, CountingFree);  // already there
    owner->AddNewDownload("data\\sounds.pig", CallbackB, nullptr, 0, nullptr);
    DownloadFileQueueEntry* e = running ? owner->Running().at(0).entry : owner->Queue;
    EXPECT_EQ(running ? owner->Queue : e->next, nullptr) << "one entry";
    EXPECT_EQ(e->Callback, CallbackA);
    ASSERT_NE(e->Arguments, nullptr);
    EXPECT_EQ(e->Arguments->Data, b);  // newest at the head
    ASSERT_NE(e->Arguments->next, nullptr);
    EXPECT_EQ(e->Arguments->next->Data, a);
    EXPECT_EQ(e->Arguments->next->next, nullptr);
    EXPECT_EQ(g_freed, 0);
    delete owner;  // the entries go with their arguments
    EXPECT_EQ(g_freed, 2);
  }
}

// Regression: queuing a file that is not an archive again with the argument
// its entry already holds freed that argument while the entry kept it.
TEST_F(DownloadSchedulerTest, TheArgumentAnEntryAlreadyHoldsIsNotFreedWhenItsNameIsQueuedAgain) {
  int* a = new int(7);
  s.AddNewDownload("data\\a.txt", CallbackA, a, 1, nullptr, CountingFree);
  s.AddNewDownload("DATA\\A.TXT", CallbackB, a, 1, nullptr, CountingFree);
  EXPECT_EQ(g_freed, 0);
  ASSERT_NE(s.Queue->Arguments, nullptr);
  EXPECT_EQ(*static_cast<int*>(s.Queue->Arguments->Data), 7);
  s.CancelAll();
  EXPECT_EQ(g_freed, 1) << "freed once, with its entry";
}

TEST_F(DownloadSchedulerTest, NamesThatDoNotFitAnEntryAreRefusedNotCut) {
  std::string fits(kQueueNameSize - 1, 'a');
  std::string tooLong(kQueueNameSize, 'b');
  EXPECT_TRUE(s.AddNewDownload(fits.c_str(), nullptr, nullptr, 0, nullptr));
  EXPECT_FALSE(s.AddNewDownload(tooLong.c_str(), nullptr, new int(0), 0, nullptr, CountingFree));
  EXPECT_FALSE(s.AddNewDownload("", nullptr, nullptr, 0, nullptr));
  EXPECT_EQ(g_freed, 1);
  EXPECT_EQ(Names(), std::vector<std::string>{fits});
}

TEST_F(DownloadSchedulerTest, RetryWaitIsSevenThousandTwoHundredTicksASecondAndLowersLongerCountdowns) {
  for (const char* n : {"a", "b", "c"}) s.AddNewDownload(n, nullptr, nullptr, 0, nullptr);
  s.Queue->RetryCountdown = 9000;
  s.Queue->next->RetryCountdown = 7200;
  s.Queue->next->next->RetryCountdown = 100;
  s.SetSecondsToWaitForDownloadRetry(1);
  EXPECT_EQ(s.RetryWaitTicks, 7200u);
  EXPECT_EQ(s.Queue->RetryCountdown, 7200);
  EXPECT_EQ(s.Queue->next->next->RetryCountdown, 100);
  s.SetSecondsToWaitForDownloadRetry(0);
  for (DownloadFileQueueEntry* e = s.Queue; e; e = e->next) EXPECT_EQ(e->RetryCountdown, 0);
}

TEST_F(DownloadSchedulerTest, TicksCountDownUnlessPausedAndNothingStartsWhileWaiting) {
  s.AddNewDownload("a", nullptr, nullptr, 0, nullptr);
  s.AddNewDownload("b", nullptr, nullptr, 0, nullptr);
  // Both failed before and wait out their retry delays.
  s.Queue->RetryCountdown = 3;
  s.Queue->next->RetryCountdown = 5;
  s.Queue->Tried = s.Queue->next->Tried = 1;
  s.SetPaused(true);
  s.Tick();
  s.Tick();
  EXPECT_EQ(s.Queue->RetryCountdown, 3);
  EXPECT_EQ(s.Queue->next->RetryCountdown, 5);
  s.SetPaused(false);
  s.Tick();
  EXPECT_EQ(s.Queue->RetryCountdown, 2);
  EXPECT_EQ(s.Queue->next->RetryCountdown, 4);
  EXPECT_TRUE(s.Running().empty()) << "the head waits out its countdown";
}

TEST_F(DownloadSchedulerTest, BusyCountsDownButStartsNothingThenStartsUpToMaxConnections) {
  for (int limit : {1, 4}) {
    SCOPED_TRACE(limit);
    MaxConnections = limit;
    for (const char* n : {"a", "b", "c", "d", "e", "f"}) s.AddNewDownload(n, nullptr, nullptr, 0, nullptr);
    s.Status = kDownloadWindowBusy;
    for (int i = 0; i < 3; ++i) s.Tick();
    EXPECT_EQ(s.Queue->RetryCountdown, -3);
    EXPECT_TRUE(s.Running().empty());
    s.Status = kDownloadWindowIdle;
    s.Tick();  // started (the connections themselves are refused later)
    EXPECT_EQ(s.Running().size(), static_cast<size_t>(limit));
    s.CancelAll();
    EXPECT_FALSE(s.Pending());
  }
}

// Files fetched from nginx with up to MaxConnections at once: every file
// arrives right and is reported once, a missing one fails each time it runs
// and waits behind the others, the failure's pause holds every running
// transfer, and with one connection the reports keep the queue's order.
TEST(DownloadSchedulerServed, ParallelTransfersReportEachFileOnceAndAPauseHoldsThemAll) {
  TempDir served, install;
  std::vector<std::string> files;
  for (int i = 0; i < 12; ++i) {
    files.push_back("f" + std::to_string(i) + ".dat");
    WriteFileText(served / files.back(), std::string(size_t(20000 + 7919 * i), char('a' + i)));
  }
  NginxPeer nginx;
  ASSERT_EQ(nginx.Start(served.path()), "");
  const std::string url = "http://127.0.0.1:" + std::to_string(nginx.port()) + "/";
  for (int limit : {1, 4, 16}) {
    SCOPED_TRACE("MaxConnections " + std::to_string(limit));
    MaxConnections = limit;
    Recorder client;
    client.pauseOnFailure = true;
    DownloadScheduler s(&client, nullptr, url.c_str(), nullptr, (install.path() + "/").c_str());
    client.scheduler = &s;
    s.SetSecondsToWaitForDownloadRetry(0);
    for (const std::string& f : files) s.AddNewDownload(f.c_str(), nullptr, nullptr, kDownloadUnconditional, nullptr);
    s.AddNewDownload("missing.dat", nullptr, nullptr, kDownloadUnconditional, nullptr);  // the newest runs first
    size_t most = 0, failures = 0;
    for (int turn = 0; turn < 20000 && client.reports.size() - failures < files.size(); ++turn) {
      if (s.Paused()) s.SetPaused(false);  // the player said "try again"
      s.Tick();
      most = std::max(most, s.Running().size());
      PlatPollItem items[kPumpMaxItems];
      int count = 0;
      if (s.WaitItems(items, kPumpMaxItems, &count) == PumpWait::kOnSocket) PlatSocketPoll(items, count, 5);
      s.Advance();
      failures = size_t(std::count_if(client.reports.begin(), client.reports.end(),
                                      [](const Report& r) { return r.status == kDownloadFailed; }));
    }
    EXPECT_EQ(most, std::min<size_t>(limit, files.size() + 1));
    EXPECT_EQ(client.reportsWhilePaused, 0) << "a pause holds every transfer";
    std::map<std::string, int> fetched;
    for (const Report& r : client.reports) {
      if (r.status == kDownloadFinished) ++fetched[r.name];
      else EXPECT_EQ(r.name, "missing.dat") << r.error;
    }
    for (const std::string& f : files) {
      EXPECT_EQ(fetched[f], 1) << f;
      EXPECT_EQ(ReadFileText(install / f), ReadFileText(served / f)) << f;
    }
    EXPECT_GE(failures, 1u);
    if (limit == 1) {
      // The failure goes behind every other file.
      std::vector<std::string> order;
      for (const Report& r : client.reports) order.push_back(r.name);
      std::vector<std::string> expected{"missing.dat"};
      expected.insert(expected.end(), files.rbegin(), files.rend());
      order.resize(std::min(order.size(), expected.size()));
      EXPECT_EQ(order, expected);
    }
    for (const std::string& f : files) std::filesystem::remove(install / f);
  }
}

}  // namespace
