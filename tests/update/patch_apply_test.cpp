// ApplyPatch on real files: the result replaces the target only after its
// digest is confirmed, every failure falls back to a whole, verified fetch
// with patching switched off, and a process killed in the middle leaves
// nothing that the next digest pass does not settle.
#include "update/patch_apply.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/intrusive_list.h"
#include "gui/gui_fixture.h"
#include "platform/filesystem.h"
#include "support/process.h"
#include "transport/md5.h"
#include "update/download_window.h"
#include "update/file_list.h"
#include "update/patch_encoder.h"
#include "update/update_globals.h"
#include "update/verification.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Pattern(size_t n, unsigned seed) {
  Bytes b(n);
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    b[i] = static_cast<unsigned char>(x >> 16);
  }
  return b;
}

std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }

void Md5(const Bytes& b, unsigned char d[16]) { MD5OfBytes(b.data(), b.size(), d); }

class PatchApplyTest : public GUITest {
 protected:
  void SetUp() override {
    GUITest::SetUp();
    PatchesEnabled = 1;
    WipeList(PatchList);
    ResetUpdateGlobals();
    root = new Probe(0, 0, 640, 480);
    AddTopLevelObject(root);
    window = new DownloadWindow(root, "http://127.0.0.1:1/", nullptr, nullptr, (dir.path() + "/").c_str(), nullptr);
    old = Pattern(300000, 1);
    fresh = old;
    // Changes throughout, a cut and an insertion.
    for (size_t i = 0; i < fresh.size(); i += 9973) fresh[i] ^= 0x5a;
    fresh.erase(fresh.begin() + 1000, fresh.begin() + 3000);
    Bytes extra = Pattern(5000, 7);
    fresh.insert(fresh.begin() + 150000, extra.begin(), extra.end());
  }
  void TearDown() override {
    WipeList(PatchList);
    PatchesEnabled = 1;
    GUITest::TearDown();
  }
  // A patch entry for target made from old to fresh, with the patch file as
  // downloaded.
  ZindlePatchEntry* AddEntry(const Bytes& patch, const char* patchName = "x.pat", const char* target = "x.dat") {
    auto* e = new ZindlePatchEntry{};
    Md5(fresh, e->resultDigest);
    Md5(old, e->sourceDigest);
    e->resultSize = static_cast<int>(fresh.size());
    std::strcpy(e->patchName, patchName);
    std::strcpy(e->targetName, target);
    e->next = PatchList;
    PatchList = e;
    WriteFileText(dir / patchName, Str(patch));
    return e;
  }
  Bytes GoodPatch() const { return MakePatch(old.data(), old.size(), fresh.data(), fresh.size()); }
  void Apply(const ZindlePatchEntry& e) {
    unsigned char d[16];
    Md5(fresh, d);
    QueuedPatch* q = NewQueuedPatch(e, d);
    ApplyPatch(window, q);
    FreeQueuedPatch(q);
  }
  // The whole fetch queued after a failure: name, unconditional, verified.
  void ExpectWholeFetchQueued(const char* name) {
    DownloadFileQueueEntry* q = FindQueuedDownload(window->Downloads.Queue, name);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->Callback, nullptr);
    EXPECT_EQ(q->DownloadFlags, 1);
    ASSERT_TRUE(q->HasDigest);
    unsigned char d[16];
    Md5(fresh, d);
    EXPECT_EQ(0, std::memcmp(q->Digest, d, 16));
  }
  void ExpectFailureState() {
    EXPECT_EQ(PatchesEnabled, 0);
    EXPECT_EQ(PatchList, nullptr);
    EXPECT_FALSE(PlatFileExists(dir / "x.dat.tmp"));
  }
  TempDir dir;
  Probe* root = nullptr;
  DownloadWindow* window = nullptr;
  Bytes old, fresh;
};

TEST_F(PatchApplyTest, GoodPatchReplacesTheTargetAndLeavesNothingBehind) {
  WriteFileText(dir / "x.dat", Str(old));
  ZindlePatchEntry* e = AddEntry(GoodPatch());
  Apply(*e);
  EXPECT_EQ(ReadFileText(dir / "x.dat"), Str(fresh));
  EXPECT_FALSE(PlatFileExists(dir / "x.dat.tmp"));
  EXPECT_FALSE(PlatFileExists(dir / "x.pat"));
  EXPECT_EQ(PatchesEnabled, 1);
  EXPECT_NE(PatchList, nullptr);
  EXPECT_EQ(window->Downloads.Queue, nullptr);
}

TEST_F(PatchApplyTest, EmptyPatchGivesAnEmptyFileOnlyForSizeZero) {
  Bytes empty;
  // Result size 0 with the digest of nothing: success.
  WriteFileText(dir / "x.dat", Str(old));
  fresh.clear();
  ZindlePatchEntry* e = AddEntry(empty);
  Apply(*e);
  EXPECT_TRUE(PlatFileExists(dir / "x.dat"));
  EXPECT_EQ(ReadFileText(dir / "x.dat"), "");
  EXPECT_EQ(PatchesEnabled, 1);
}

TEST_F(PatchApplyTest, EmptyPatchForANonEmptyResultIsTheWrongLength) {
  WriteFileText(dir / "x.dat", Str(old));
  ZindlePatchEntry* e = AddEntry(Bytes{});
  Apply(*e);
  EXPECT_FALSE(PlatFileExists(dir / "x.dat"));
  ExpectFailureState();
  ExpectWholeFetchQueued("x.dat");
}

TEST_F(PatchApplyTest, ZeroOffsetAfterACopyContinuesWhereItEnded) {
  // Copy 10 bytes from 0, then 10 more with offset 0: old[0..20).
  fresh.assign(old.begin(), old.begin() + 20);
  WriteFileText(dir / "x.dat", Str(old));
  Bytes patch = {0x8A, 0x00, 0x8A, 0x00};
  ZindlePatchEntry* e = AddEntry(patch);
  Apply(*e);
  EXPECT_EQ(ReadFileText(dir / "x.dat"), Str(fresh));
}

TEST_F(PatchApplyTest, RightLengthWrongDigestRestoresThePreviousFile) {
  WriteFileText(dir / "x.dat", Str(old));
  Bytes patch = GoodPatch();
  ZindlePatchEntry* e = AddEntry(patch);
  e->resultDigest[3] ^= 1;
  Apply(*e);
  EXPECT_EQ(ReadFileText(dir / "x.dat"), Str(old));
  ExpectFailureState();
  ExpectWholeFetchQueued("x.dat");
}

TEST_F(PatchApplyTest, HostileStreamsFallBackWithoutTouchingMemoryOutsideTheData) {
  struct Case {
    const char* what;
    Bytes patch;
  };
  std::vector<Case> cases = {
      {"copy before the old file", {0x00, 0x10, 0x00, 0x00, 0x80}},  // offset -32768
      {"copy past its end", {0x00, 0xff, 0xff, 0xff, 0x7f, 0x00, 0xff, 0xff, 0xff, 0x7f}},
      {"cut off inside a command", {0x00, 0x10}},
      {"literal run cut off", {0x80, 0x00, 0x00, 0x10, 0x00, 'a'}},
  };
  // Output beyond result size + 1024: a long literal run of 2000 bytes for a
  // result of 10.
  Bytes overflow = {0x80, 0x00, 0xd0, 0x07, 0x00};
  overflow.resize(overflow.size() + 2000, 'z');
  cases.push_back({"overflowing the output", overflow});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PatchesEnabled = 1;
    FreeQueue(window->Downloads.Queue);
    WriteFileText(dir / "x.dat", Str(old));
    fresh = Pattern(10, 3);
    ZindlePatchEntry* e = AddEntry(c.patch);
    Apply(*e);
    // Wrong length: the target is deleted and fetched whole.
    EXPECT_FALSE(PlatFileExists(dir / "x.dat"));
    ExpectFailureState();
    ExpectWholeFetchQueued("x.dat");
  }
}

TEST_F(PatchApplyTest, MissingOrDirectoryTargetFetchesItWholeWithoutSwitchingPatchesOff) {
  ZindlePatchEntry* e = AddEntry(GoodPatch());
  Apply(*e);  // no x.dat at all
  ExpectWholeFetchQueued("x.dat");
  EXPECT_EQ(PatchesEnabled, 1);
  EXPECT_FALSE(PlatFileExists(dir / "x.pat"));  // the useless patch is not left lying about

  FreeQueue(window->Downloads.Queue);
  ASSERT_TRUE(PlatMakeDirectory(dir / "x.dat"));
  WriteFileText(dir / "x.pat", Str(GoodPatch()));
  Apply(*e);
  EXPECT_TRUE(PlatIsDirectory(dir / "x.dat"));
  ExpectWholeFetchQueued("x.dat");
}

TEST_F(PatchApplyTest, AfterOneFailureTheNextPatchDownloadFetchesItsTargetWhole) {
  WriteFileText(dir / "x.dat", Str(old));
  WriteFileText(dir / "y.dat", Str(old));
  ZindlePatchEntry* bad = AddEntry(Bytes{0x00, 0x10}, "x.pat", "x.dat");
  ZindlePatchEntry* good = AddEntry(GoodPatch(), "y.pat", "y.dat");
  unsigned char d[16];
  Md5(fresh, d);
  QueuedPatch* second = NewQueuedPatch(*good, d);  // queued before the failure
  Apply(*bad);
  ASSERT_EQ(PatchList, nullptr);
  ApplyPatch(window, second);
  FreeQueuedPatch(second);
  EXPECT_EQ(ReadFileText(dir / "y.dat"), Str(old));  // not patched
  ExpectWholeFetchQueued("y.dat");
  ExpectWholeFetchQueued("x.dat");
}

TEST_F(PatchApplyTest, UnsafeNamesNeverReachTheDisk) {
  WriteFileText(dir / "x.dat", Str(old));
  ZindlePatchEntry* e = AddEntry(GoodPatch());
  unsigned char d[16];
  Md5(fresh, d);
  QueuedPatch* q = NewQueuedPatch(*e, d);
  std::strcpy(q->targetName, "../x.dat");
  ApplyPatch(window, q);
  std::strcpy(q->targetName, "x.dat");
  std::strcpy(q->patchName, "/etc/passwd");
  ApplyPatch(window, q);
  FreeQueuedPatch(q);
  EXPECT_EQ(window->Downloads.Queue, nullptr);
  EXPECT_EQ(ReadFileText(dir / "x.dat"), Str(old));
  EXPECT_TRUE(PlatFileExists(dir / "x.pat"));
}

TEST_F(PatchApplyTest, BackupOfAnInterruptedPatchIsSettled) {
  unsigned char wanted[16];
  Md5(fresh, wanted);
  // Killed after the result was complete: the backup goes.
  WriteFileText(dir / "a.dat", Str(fresh));
  WriteFileText(dir / "a.dat.tmp", Str(old));
  EXPECT_TRUE(RecoverPatchBackup((dir / "a.dat").c_str(), wanted));
  EXPECT_EQ(ReadFileText(dir / "a.dat"), Str(fresh));
  EXPECT_FALSE(PlatFileExists(dir / "a.dat.tmp"));
  // Killed while decoding: the previous file comes back.
  WriteFileText(dir / "b.dat", "half");
  WriteFileText(dir / "b.dat.tmp", Str(old));
  EXPECT_TRUE(RecoverPatchBackup((dir / "b.dat").c_str(), wanted));
  EXPECT_EQ(ReadFileText(dir / "b.dat"), Str(old));
  EXPECT_FALSE(PlatFileExists(dir / "b.dat.tmp"));
  EXPECT_FALSE(RecoverPatchBackup((dir / "b.dat").c_str(), wanted));
}

TEST_F(PatchApplyTest, KilledInTheMiddleThenRunAgainEndsCorrect) {
  old = Pattern(96 << 20, 5);
  fresh = old;
  for (size_t i = 0; i < fresh.size(); i += 65536) fresh[i] ^= 0xff;
  const Bytes patch = GoodPatch();
  WriteFileText(dir / "x.dat", Str(old));
  ZindlePatchEntry* e = AddEntry(patch);
  unsigned char wanted[16];
  Md5(fresh, wanted);
  bool sawBackup = false;
  pid_t child = ForkChild();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ApplyPatch(window, NewQueuedPatch(*e, wanted));
    _exit(0);
  }
  for (int i = 0; i < 20000 && !sawBackup; ++i) {
    if (PlatFileExists(dir / "x.dat.tmp")) sawBackup = true;
    else usleep(200);
    int status;
    if (waitpid(child, &status, WNOHANG) == child) {
      child = -1;
      break;
    }
  }
  if (child > 0) {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
  EXPECT_TRUE(sawBackup) << "the kill did not land inside ApplyPatch";

  // The next start: the digest pass settles the backup first.
  auto* entry = new ZindleFileListEntry{};
  entry->flags = FileRequired;
  std::memcpy(entry->digest, wanted, 16);
  std::strcpy(entry->name, "x.dat");
  ChecksumFilesAndAddZindleEntriesToDownloadQueue(window, entry, kUpdateCheckKinds, nullptr, nullptr, nullptr, nullptr);
  delete entry;
  EXPECT_FALSE(PlatFileExists(dir / "x.dat.tmp"));
  const std::string now = ReadFileText(dir / "x.dat");
  if (now == Str(fresh)) {
    EXPECT_EQ(window->Downloads.Queue, nullptr);
  } else {
    ASSERT_EQ(now, Str(old));
    // The old file is back: the patch is fetched again and applied.
    ASSERT_NE(window->Downloads.Queue, nullptr);
    EXPECT_STREQ(window->Downloads.Queue->Name, "x.pat");
    ASSERT_NE(window->Downloads.Queue->Arguments, nullptr);
    WriteFileText(dir / "x.pat", Str(patch));
    ApplyPatch(window, window->Downloads.Queue->Arguments->Data);
    EXPECT_EQ(ReadFileText(dir / "x.dat"), Str(fresh));
  }
  EXPECT_FALSE(PlatFileExists(dir / "x.dat.tmp"));
}

// A sparse file of 4 GiB and a bit whose change lies past the 4 GiB mark,
// with old bytes there and at its end that only a copy from the right place
// keeps. The patch is written by hand: copies of 65535 bytes up to the
// change, the changed bytes, copies of the rest (the encoder holds both
// files in memory).
TEST_F(PatchApplyTest, AChangePastFourGibibytesIsAppliedAndVerified) {
  constexpr long long kSize = (4LL << 30) + 100000, kAt = (4LL << 30) + 4096;
  const std::string before = "the old bytes here!", change = "past the 4 GiB mark";
  // md5sum of the two files as this test makes them.
  const char* kOldHex = "936b832f261829dabb0f02af43703d9b";
  const char* kNewHex = "76641277abe6312b5937fa51108feb18";
  {
    std::ofstream out(dir / "x.dat", std::ios::binary);
    out.seekp(kAt);
    out << before;
    out.seekp(kSize - 4);
    out << "tail";
  }
  Bytes patch;
  auto copy = [&](long long length, int offset) {
    for (; length > 0; length -= 65535, offset = 0) {
      const long long n = length < 65535 ? length : 65535;
      patch.insert(patch.end(), {0, (unsigned char)(n & 0xff), (unsigned char)(n >> 8), (unsigned char)(offset & 0xff),
                                 (unsigned char)((offset >> 8) & 0xff)});
    }
  };
  copy(kAt, 0);
  patch.push_back(static_cast<unsigned char>(change.size()));
  patch.insert(patch.end(), change.begin(), change.end());
  copy(kSize - kAt - (long long)change.size(), (int)change.size());
  ZindlePatchEntry* e = AddEntry(patch);
  ASSERT_TRUE(HexToMD5(kOldHex, e->sourceDigest));
  ASSERT_TRUE(HexToMD5(kNewHex, e->resultDigest));
  e->resultSize = kSize;
  Apply(*e);
  EXPECT_EQ(PatchesEnabled, 1) << "the patch failed";
  EXPECT_FALSE(PlatFileExists(dir / "x.dat.tmp"));
  EXPECT_EQ((long long)std::filesystem::file_size(dir / "x.dat"), kSize);
  std::ifstream in(dir / "x.dat", std::ios::binary);
  std::string got(change.size() + 2, '?');
  in.seekg(kAt - 1);
  in.read(got.data(), (std::streamsize)got.size());
  EXPECT_EQ(got, std::string(1, '\0') + change + std::string(1, '\0'));
  in.seekg(kSize - 4);
  in.read(got.data(), 4);
  EXPECT_EQ(got.substr(0, 4), "tail");
}

}  // namespace
