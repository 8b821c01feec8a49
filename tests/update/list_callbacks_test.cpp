// The completions of the two server lists and the succeed files, through a
// recording host window: what each list does to ZindleList and the succeed
// files, when the digest pass runs and what it leaves, and the single
// warning for succeed files that cannot be written.
#include "update/list_callbacks.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/intrusive_list.h"
#include "gui/gui_fixture.h"
#include "support/files.h"
#include "support/temp_dir.h"
#include "transport/md5.h"
#include "update/download_window.h"
#include "update/update_globals.h"
#include "update/update_host.h"

namespace {

std::string Hex(const std::string& contents) {
  unsigned char digest[16];
  MD5OfBytes(contents.data(), contents.size(), digest);
  char hex[33];
  MD5ToHex(digest, hex);
  return hex;
}

class RecordingHost : public UpdateHost {
 public:
  GUIObject* object = nullptr;
  std::string url = "http://127.0.0.1:1/krnx/", dir;
  DownloadWindow* window = nullptr;
  std::vector<std::pair<std::string, int>> warnings;
  bool waitingForInstallLists = false;
  int total = -1, checked = 0, percent = -1;
  GUIObject* HostObject() override { return object; }
  const char* ServerUrl() override { return url.c_str(); }
  TextureMap* DownloadTexture() override { return nullptr; }
  const char* InstallDirectory() override { return dir.c_str(); }
  void SetDownloadWindow(DownloadWindow* w) override { window = w; }
  void ShowWarning(const char* text, int closing) override { warnings.emplace_back(text, closing); }
  bool TakeInstallListWait() override {
    const bool was = waitingForInstallLists;
    waitingForInstallLists = false;
    return was;
  }
  void SetCheckTotal(int n) override { total = n; }
  void FinishedChecking(const char*) override { ++checked; }
  void SetProgressPercent(int p) override { percent = p; }
};

class ListCallbacksTest : public GUITest {
 protected:
  void SetUp() override {
    GUITest::SetUp();
    ResetUpdateGlobals();
    host.dir = dir.path() + "/";
    host.object = new Probe(0, 0, 640, 480);
    AddTopLevelObject(host.object);
    UpdateHostWindow = &host;
    std::snprintf(MasterSucceedFilename, sizeof MasterSucceedFilename, "%s", (dir / "succeed1.txt").c_str());
    std::snprintf(UpdatedSucceedFilename, sizeof UpdatedSucceedFilename, "%s", (dir / "succeed2.txt").c_str());
  }
  void TearDown() override {
    UpdateHostWindow = nullptr;
    ResetUpdateGlobals();
    GUITest::TearDown();
  }
  std::vector<std::string> ListNames() const {
    std::vector<std::string> names;
    for (ZindleFileListEntry* e = ZindleList; e; e = e->next) names.push_back(e->name);
    return names;
  }
  std::vector<std::string> QueuedNames() const {
    std::vector<std::string> names;
    for (DownloadFileQueueEntry* e = host.window->Downloads.Queue; e; e = e->next) names.push_back(e->Name);
    return names;
  }
  TempDir dir;
  RecordingHost host;
};

TEST_F(ListCallbacksTest, TheWindowIsBuiltForTheHostWithoutRetryWait) {
  DownloadWindow* w = MakeFileDownload();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(host.window, w);
  EXPECT_EQ(w->Parent, host.object);
  EXPECT_STREQ(w->Downloads.DestUrl, host.url.c_str());
  EXPECT_STREQ(w->Downloads.DestinationDir, host.dir.c_str());
  EXPECT_EQ(w->Downloads.RetryWaitTicks, 0u);
  UpdateHostWindow = nullptr;
  EXPECT_EQ(MakeFileDownload(), nullptr) << "no host, no window";
}

TEST_F(ListCallbacksTest, ANewMasterListReplacesTheListAndDropsBothSucceedFiles) {
  WriteSucceedFiles();
  ASSERT_TRUE(FileExists(dir / "succeed1.txt") && FileExists(dir / "succeed2.txt"));
  WriteFileText(dir / "master.lst", "R " + Hex("a") + " a.dat\nD " + Hex("b") + " b.dat\n");
  DownloadWindow* w = MakeFileDownload();
  ZindleList = new ZindleFileListEntry{};  // a list of an earlier pass
  std::strcpy(ZindleList->name, "stale.dat");
  MasterListIsNew(w, const_cast<char*>("master.lst"));
  EXPECT_EQ(NewMasterList, 1);
  EXPECT_EQ(ListNames(), (std::vector<std::string>{"b.dat", "a.dat"}));
  EXPECT_FALSE(FileExists(dir / "succeed1.txt"));
  EXPECT_FALSE(FileExists(dir / "succeed2.txt"));
}

TEST_F(ListCallbacksTest, TheUpdatedListIsMergedThenCheckedAndTheChangedFilesQueued) {
  WriteFileText(dir / "a.dat", "a");
  WriteFileText(dir / "b.dat", "old b");
  WriteFileText(dir / "master.lst", "R " + Hex("a") + " a.dat\nR " + Hex("old b") + " b.dat\n");
  WriteFileText(dir / "updated.lst", "R " + Hex("new b") + " b.dat\nR " + Hex("c") + " c.dat\n");
  DownloadWindow* w = MakeFileDownload();
  MasterListIsNew(w, const_cast<char*>("master.lst"));
  UpdatedListIsNew(w, const_cast<char*>("updated.lst"));
  EXPECT_EQ(host.total, 3) << "a, b and c";
  EXPECT_EQ(host.checked, 3);
  std::vector<std::string> queued = QueuedNames();
  std::sort(queued.begin(), queued.end());
  EXPECT_EQ(queued, (std::vector<std::string>{"b.dat", "c.dat"})) << "the merged digest of b counts";
  EXPECT_EQ(TotalDownloads, 2u);
  EXPECT_EQ(host.percent, -1) << "files to fetch: the percentage comes from the transfers";
  EXPECT_EQ(ZindleList, nullptr);
  EXPECT_EQ(w->Downloads.Status, kDownloadWindowIdle);
  EXPECT_FALSE(w->Flags & Disabled);
}

TEST_F(ListCallbacksTest, AnUnchangedMasterListLeavesTheUpdatedListAloneAndNothingToFetchIsAHundredPercent) {
  WriteFileText(dir / "a.dat", "a");
  WriteFileText(dir / "updated.lst", "R " + Hex("a") + " a.dat\n");
  DownloadWindow* w = MakeFileDownload();
  NewMasterList = 0;
  UpdatedListIsNew(w, const_cast<char*>("updated.lst"));
  EXPECT_EQ(host.total, 1);
  EXPECT_EQ(w->Downloads.Queue, nullptr);
  EXPECT_EQ(host.percent, 100);
}

TEST_F(ListCallbacksTest, AnInstallationWaitingForItsListsOrANoUpdateRunGetsNoDigestPass) {
  WriteFileText(dir / "updated.lst", "R " + Hex("x") + " missing.dat\n");
  DownloadWindow* w = MakeFileDownload();
  host.waitingForInstallLists = true;
  UpdatedListIsNew(w, const_cast<char*>("updated.lst"));
  EXPECT_EQ(ListNames(), (std::vector<std::string>{"missing.dat"})) << "the installer works on the list itself";
  EXPECT_EQ(host.total, -1);
  EXPECT_EQ(w->Downloads.Queue, nullptr);

  ZindleNoUpdateFlag = 1;
  UpdatedListIsNew(w, const_cast<char*>("updated.lst"));
  EXPECT_EQ(host.total, 1) << "the total is still shown";
  EXPECT_EQ(host.checked, 0);
  EXPECT_EQ(w->Downloads.Queue, nullptr);
}

TEST_F(ListCallbacksTest, SucceedFilesHoldTheirTextsAndAFailureGivesOneWarning) {
  WriteSucceedFiles();
  EXPECT_EQ(ReadFileText(dir / "succeed1.txt"), "Master list verification succeeded.");
  EXPECT_EQ(ReadFileText(dir / "succeed2.txt"), "Updated list verification succeed.");
  EXPECT_TRUE(host.warnings.empty());
  // Neither can be written: still one warning.
  std::snprintf(MasterSucceedFilename, sizeof MasterSucceedFilename, "%s", (dir / "gone/succeed1.txt").c_str());
  std::snprintf(UpdatedSucceedFilename, sizeof UpdatedSucceedFilename, "%s", (dir / "gone/succeed2.txt").c_str());
  WriteSucceedFiles();
  ASSERT_EQ(host.warnings.size(), 1u);
  EXPECT_EQ(host.warnings[0].second, kSucceedWarningClosedMessage);
  EXPECT_NE(host.warnings[0].first.find("succeed1.txt and succeed2.txt"), std::string::npos);
}

TEST_F(ListCallbacksTest, ASucceedFileThatFailsWhenWrittenToAFullDiskIsNotCountedAsWritten) {
  std::snprintf(MasterSucceedFilename, sizeof MasterSucceedFilename, "/dev/full");
  WriteSucceedFiles();
  EXPECT_EQ(host.warnings.size(), 1u) << "/dev/full takes the open, fails the bytes";
}

}  // namespace
