// The digest pass over real files: what each kind of entry leads to when its
// file is up to date, different or missing (the kind table), the patch chosen
// for a different file, the names it refuses, and the counters and callbacks
// it drives. The queue is inspected, not run: no network.
#include "update/verification.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/intrusive_list.h"
#include "gui/gui_fixture.h"
#include "support/files.h"
#include "support/temp_dir.h"
#include "transport/md5.h"
#include "update/download_window.h"
#include "update/file_list.h"
#include "update/patch_apply.h"
#include "update/update_globals.h"

namespace {

enum class OnDisk { kEqual, kDifferent, kMissing };
enum class Outcome { kNothing, kWholeFile, kPatch, kDeleted };

const char* kRight = "the right contents\n";
const char* kWrong = "some older contents\n";

void DigestOf(const std::string& text, unsigned char digest[16]) { MD5OfBytes(text.data(), text.size(), digest); }

ZindleFileListEntry* Entry(const char* name, unsigned char kind, const std::string& contents) {
  auto* e = new ZindleFileListEntry{};
  e->flags = kind;
  DigestOf(contents, e->digest);
  std::strcpy(e->name, name);
  return e;
}

std::vector<std::string> g_perFile;
int g_queuedCount = 0;
void PerFile(const char* name) { g_perFile.push_back(name); }
void Queued() { ++g_queuedCount; }

class DigestPassTest : public GUITest {
 protected:
  void SetUp() override {
    GUITest::SetUp();
    ResetUpdateGlobals();
    g_perFile.clear();
    g_queuedCount = 0;
    root = new Probe(0, 0, 640, 480);
    AddTopLevelObject(root);
    window = new DownloadWindow(root, "http://127.0.0.1:1/", nullptr, nullptr, (dir.path() + "/").c_str(), nullptr);
  }
  void TearDown() override {
    WipeList(list);
    ResetUpdateGlobals();
    GUITest::TearDown();
  }
  void Add(ZindleFileListEntry* e) {
    e->next = list;
    list = e;
  }
  void Place(const char* name, OnDisk state) {
    if (state != OnDisk::kMissing) WriteFileText(dir / name, state == OnDisk::kEqual ? kRight : kWrong);
  }
  Outcome OutcomeFor(const char* name) const {
    if (DownloadFileQueueEntry* q = FindQueuedDownload(window->Downloads.Queue, name)) {
      (void)q;
      return Outcome::kWholeFile;
    }
    for (DownloadFileQueueEntry* q = window->Downloads.Queue; q; q = q->next)
      if (q->Callback == ApplyPatch) {
        auto* patch = static_cast<QueuedPatch*>(q->Arguments ? q->Arguments->Data : nullptr);
        if (patch && std::strcmp(patch->targetName, name) == 0) return Outcome::kPatch;
      }
    return Outcome::kNothing;
  }
  void Pass(unsigned char mask = kUpdateCheckKinds) {
    ChecksumFilesAndAddZindleEntriesToDownloadQueue(window, list, mask, nullptr, nullptr, PerFile, Queued);
  }
  TempDir dir;
  Probe* root = nullptr;
  DownloadWindow* window = nullptr;
  ZindleFileListEntry* list = nullptr;
};

TEST_F(DigestPassTest, EachKindFollowsItsRowOfTheTable) {
  struct Row {
    unsigned char kind;
    OnDisk state;
    Outcome expected;
  } rows[] = {
      {FileRequired, OnDisk::kEqual, Outcome::kNothing},
      {FileRequired, OnDisk::kDifferent, Outcome::kWholeFile},
      {FileRequired, OnDisk::kMissing, Outcome::kWholeFile},
      {FileUpdateIfPresent, OnDisk::kEqual, Outcome::kNothing},
      {FileUpdateIfPresent, OnDisk::kDifferent, Outcome::kWholeFile},
      {FileUpdateIfPresent, OnDisk::kMissing, Outcome::kNothing},
      {FileOnDemand, OnDisk::kEqual, Outcome::kNothing},
      {FileOnDemand, OnDisk::kDifferent, Outcome::kDeleted},
      {FileOnDemand, OnDisk::kMissing, Outcome::kNothing},
      {FileCreateOnce, OnDisk::kDifferent, Outcome::kNothing},  // an update check leaves the player's copy
      {FileCreateOnce, OnDisk::kMissing, Outcome::kNothing},
      {FileListedOnly, OnDisk::kDifferent, Outcome::kNothing},
      {FileListedOnly, OnDisk::kMissing, Outcome::kNothing},
  };
  std::vector<std::string> names;
  for (size_t i = 0; i < std::size(rows); ++i) {
    names.push_back("file" + std::to_string(i) + ".dat");
    Place(names[i].c_str(), rows[i].state);
    Add(Entry(names[i].c_str(), rows[i].kind, kRight));
  }
  Pass();
  int fetched = 0;
  for (size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    const char* name = names[i].c_str();
    SCOPED_TRACE("kind " + std::to_string(r.kind) + " state " + std::to_string(int(r.state)));
    if (r.expected == Outcome::kDeleted) {
      EXPECT_FALSE(FileExists(dir / name));
      EXPECT_EQ(OutcomeFor(name), Outcome::kNothing);
      continue;
    }
    EXPECT_EQ(OutcomeFor(name), r.expected);
    if (r.expected == Outcome::kWholeFile) ++fetched;
    if (r.state != OnDisk::kMissing) {
      EXPECT_TRUE(FileExists(dir / name)) << "nothing is deleted before its fetch";
    }
  }
  EXPECT_EQ(g_queuedCount, fetched);
  EXPECT_EQ(g_perFile.size(), std::size(rows)) << "every entry is counted, checked or not";
  EXPECT_EQ(DoneChecksumming, 1);
}

TEST_F(DigestPassTest, ACreateOncePassChecksOnlyCreateOnceFiles) {
  Place("decks/mine.deck", OnDisk::kDifferent);
  Add(Entry("decks/mine.deck", FileCreateOnce, kRight));
  Add(Entry("decks/new.deck", FileCreateOnce, kRight));
  Place("data/required.dat", OnDisk::kDifferent);
  Add(Entry("data/required.dat", FileRequired, kRight));
  Pass(FileCreateOnce);
  EXPECT_EQ(OutcomeFor("decks/new.deck"), Outcome::kWholeFile) << "a missing create-once file is installed";
  EXPECT_EQ(OutcomeFor("data/required.dat"), Outcome::kNothing);
}

TEST_F(DigestPassTest, ADifferentFileWithAMatchingPatchIsPatchedUnlessPatchesAreOffOrTheNameDiffers) {
  Place("data/a.dat", OnDisk::kDifferent);
  Add(Entry("data/a.dat", FileRequired, kRight));
  Place("data/b.dat", OnDisk::kDifferent);
  Add(Entry("data/b.dat", FileRequired, kRight));
  // One patch from the older contents: its target is named a.dat. For b.dat
  // (same old digest) the target's name differs, so b.dat is fetched whole.
  auto* patch = new ZindlePatchEntry{};
  DigestOf(kWrong, patch->sourceDigest);
  DigestOf(kRight, patch->resultDigest);
  patch->resultSize = static_cast<int>(std::strlen(kRight));
  std::strcpy(patch->patchName, "patches/00001.pat");
  std::strcpy(patch->targetName, "data/a.dat");
  PatchList = patch;
  Pass();
  EXPECT_EQ(OutcomeFor("data/a.dat"), Outcome::kPatch);
  EXPECT_EQ(OutcomeFor("data/b.dat"), Outcome::kWholeFile);

  FreeQueue(window->Downloads.Queue);
  PatchesEnabled = 0;  // after a failed patch
  Pass();
  EXPECT_EQ(OutcomeFor("data/a.dat"), Outcome::kWholeFile);
}

TEST_F(DigestPassTest, NamesReachingOutsideTheInstallationAreNeverTouched) {
  TempDir outside;
  WriteFileText(outside / "victim.dat", kWrong);
  const std::string up = "../" + outside.path().substr(outside.path().rfind('/') + 1) + "/victim.dat";
  for (const std::string& name : {up, outside / "victim.dat", std::string("C:\\victim.dat")}) {
    Add(Entry(name.c_str(), FileOnDemand, kRight));
    Add(Entry(name.c_str(), FileRequired, kRight));
  }
  Pass();
  EXPECT_EQ(ReadFileText(outside / "victim.dat"), kWrong) << "an on-demand entry outside is not deleted";
  EXPECT_EQ(window->Downloads.Queue, nullptr) << "nor fetched";
}

TEST_F(DigestPassTest, UnreadableFilesAndDirectoriesInPlaceOfFilesCountAsDifferent) {
  mkdir((dir / "data").c_str(), 0755);
  mkdir((dir / "data/dir.dat").c_str(), 0755);
  Add(Entry("data/dir.dat", FileRequired, kRight));
  Place("data/locked.dat", OnDisk::kEqual);
  chmod((dir / "data/locked.dat").c_str(), 0);
  Add(Entry("data/locked.dat", FileRequired, kRight));
  Pass();
  EXPECT_EQ(OutcomeFor("data/dir.dat"), Outcome::kWholeFile);
  if (geteuid() != 0) {  // root reads it all the same
    EXPECT_EQ(OutcomeFor("data/locked.dat"), Outcome::kWholeFile);
  }
  EXPECT_EQ(g_perFile.size(), 2u);
}

TEST_F(DigestPassTest, AnEmptyListEndsAtOnceAsDone) {
  Pass();
  EXPECT_EQ(DoneChecksumming, 1);
  EXPECT_EQ(window->Downloads.Queue, nullptr);
  EXPECT_TRUE(g_perFile.empty());
}

}  // namespace
