// FileDownload against a server that misbehaves on purpose (fault_server.py).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/program_clock.h"
#include "integration/download_helpers.h"
#include "support/files.h"
#include "support/manual_clock.h"
#include "support/peers.h"
#include "transport/http_download.h"
#include "transport/md5.h"
#include "transport/transport_globals.h"

namespace {
class HttpFaults : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    SetTimerRate(kTimerRate64Hz);
    server_ = new FaultServerPeer;
    start_error_ = server_->Start();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override { ASSERT_EQ(start_error_, ""); }
  std::string Url(const std::string& path) { return "http://127.0.0.1:" + std::to_string(server_->port()) + path; }
  std::string Dest(const std::string& name) { return dir_ / name; }
  DownloadOutcome Get(const std::string& path, const std::string& name = "file.bin", int flags = 0,
                      const unsigned char* digest = nullptr) {
    return RunDownload(Url(path), name, dir_.path() + "/", flags, digest);
  }

  static FaultServerPeer* server_;
  static std::string start_error_;
  TempDir dir_;
};
FaultServerPeer* HttpFaults::server_ = nullptr;
std::string HttpFaults::start_error_;
}  // namespace

TEST_F(HttpFaults, DirectRequestBytesAndPortInHost) {
  DownloadOutcome o = Get("/echo/a b", "echo.txt");
  ASSERT_EQ(o.result, kDownloadFinished) << o.error;
  const std::string expected = "GET /echo/a%20b HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server_->port()) +
                               "\r\nConnection: keep-alive\r\nUser-Agent: QuorvelOnline/1.0\r\n"
                               "If-Modified-Since: Thu, 28 Apr 1994 14:00:00 GMT\r\n\r\n";
  EXPECT_EQ(ReadFileText(Dest("echo.txt")), expected);
  EXPECT_EQ(o.request, expected);
}

TEST_F(HttpFaults, TruncatedOrOverlongBodiesNeverReplaceTheDestination) {
  for (const char* path : {"/truncated", "/longer"}) {
    SCOPED_TRACE(path);
    WriteFileText(Dest("file.bin"), "old contents");
    DownloadOutcome o = Get(path);
    EXPECT_EQ(o.result, kDownloadFailed);
    // A short body is a lost connection; a longer one is refused as soon as
    // it passes the announced length.
    EXPECT_EQ(o.error, std::string(path) == "/truncated"
                           ? "Lost connection to server before recieving entire file: " + Dest("file.bin") + "."
                           : "The server sent more than the announced length of " + Dest("file.bin") + ".");
    EXPECT_EQ(ReadFileText(Dest("file.bin")), "old contents");
    EXPECT_FALSE(FileExists(Dest("file.bin.res")));
  }
}

TEST_F(HttpFaults, ServerErrorsFailWithTheirCodes) {
  struct Case {
    const char* path;
    const char* code_text;
  } cases[] = {{"/error", "Code 500, Internal Server Error."}, {"/nothing-here", "Code 404, Not Found."}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    DownloadOutcome o = Get(c.path);
    EXPECT_EQ(o.result, kDownloadFailed);
    EXPECT_EQ(o.error.rfind("HTTP error while trying to download " + Dest("file.bin.tmp"), 0), 0u) << o.error;
    EXPECT_NE(o.error.find(c.code_text), std::string::npos) << o.error;
    EXPECT_FALSE(FileExists(Dest("file.bin")));
  }
}

TEST_F(HttpFaults, HeaderSplitOverManyPassesIsAccepted) {
  DownloadOutcome o = Get("/split");
  ASSERT_EQ(o.result, kDownloadFinished) << o.error;
  EXPECT_EQ(ReadFileText(Dest("file.bin")), FaultBody("split", 3000));
  EXPECT_EQ(ReadFileText(Dest("file.bin.hdr")), "Content-Length: 3000\nLast-Modified: Tue, 08 Dec 2026 10:00:00 GMT\n");
  EXPECT_EQ(o.percent, 100);
}

TEST_F(HttpFaults, OversizedHeaderIsRefused) {
  DownloadOutcome o = Get("/bigheader");
  EXPECT_EQ(o.result, kDownloadFailed);
  EXPECT_EQ(o.error, "The server's response header for " + Dest("file.bin") + " is too long.");
}

TEST_F(HttpFaults, BodyWithoutLengthEndsWithTheConnection) {
  DownloadOutcome o = Get("/nolength");
  ASSERT_EQ(o.result, kDownloadFinished) << o.error;
  EXPECT_EQ(ReadFileText(Dest("file.bin")), FaultBody("nolength", 200000));
  EXPECT_EQ(o.percent, 100);
}

// The decoded body is what is stored and digested; it is complete at its last
// chunk, though the server keeps the connection; a body cut off mid-chunk is
// a lost connection.
TEST_F(HttpFaults, ChunkedBodiesAreStoredDecoded) {
  for (int seed = 1; seed <= 3; ++seed) {
    SCOPED_TRACE(seed);
    std::string body = FaultBody("encoded" + std::to_string(seed), 300000);
    unsigned char digest[kMD5Size];
    MD5OfBytes(body.data(), body.size(), digest);
    std::string name = "f" + std::to_string(seed);
    DownloadOutcome o = Get("/encoded/" + std::to_string(seed), name, 0, digest);
    ASSERT_EQ(o.result, kDownloadFinished) << o.error;
    EXPECT_TRUE(ReadFileText(Dest(name)) == body);
    EXPECT_EQ(o.percent, 100);
    EXPECT_NE(ReadFileText(Dest(name + ".hdr")).find("Last-Modified: Tue, 08 Dec 2026"), std::string::npos);
  }
  DownloadOutcome cut = Get("/encoded/cut");
  EXPECT_EQ(cut.result, kDownloadFailed);
  EXPECT_EQ(cut.error.rfind("Lost connection to server before recieving entire file: ", 0), 0u) << cut.error;
  EXPECT_FALSE(FileExists(Dest("file.bin")));
  EXPECT_FALSE(FileExists(Dest("file.bin.res"))) << "a chunked body has no length to resume against";
}

TEST_F(HttpFaults, ResponsesInRandomPiecesArriveWholeAndVerified) {
  for (int seed = 1; seed <= 4; ++seed) {
    SCOPED_TRACE(seed);
    std::string body = FaultBody("chunked" + std::to_string(seed), 300000);
    unsigned char digest[kMD5Size];
    MD5OfBytes(body.data(), body.size(), digest);
    DownloadOutcome o = Get("/chunked/" + std::to_string(seed), "f" + std::to_string(seed), 0, digest);
    ASSERT_EQ(o.result, kDownloadFinished) << o.error;
    EXPECT_TRUE(ReadFileText(Dest("f" + std::to_string(seed))) == body);
    EXPECT_EQ(o.percent, 100);
  }
}

TEST_F(HttpFaults, InterruptedTransferResumesWithARangedRequest) {
  std::string body = FaultBody("resumable7", 200000);
  unsigned char digest[kMD5Size];
  MD5OfBytes(body.data(), body.size(), digest);
  WriteFileText(Dest("file.bin"), "old version");

  DownloadOutcome first = Get("/resumable/7", "file.bin", 0, digest);
  EXPECT_EQ(first.result, kDownloadFailed);
  EXPECT_EQ(ReadFileText(Dest("file.bin")), "old version");
  EXPECT_TRUE(ReadFileText(Dest("file.bin.res")) == body.substr(0, 80000));

  DownloadOutcome second = Get("/resumable/7", "file.bin", 0, digest);
  ASSERT_EQ(second.result, kDownloadFinished) << second.error;
  EXPECT_NE(second.request.find("\r\nRange: bytes=80000-\r\nIf-Range: Tue, 08 Dec 2026 10:00:00 GMT\r\n"),
            std::string::npos)
      << second.request;
  // The default date keeps the server from answering 304 for the old file.
  EXPECT_NE(second.request.find("If-Modified-Since: Thu, 28 Apr 1994 14:00:00 GMT\r\n"), std::string::npos);
  EXPECT_TRUE(ReadFileText(Dest("file.bin")) == body);
  EXPECT_FALSE(FileExists(Dest("file.bin.res")));
  EXPECT_NE(ReadFileText(Dest("file.bin.hdr")).find("Content-Length: 200000\n"), std::string::npos);
}

TEST_F(HttpFaults, UnvalidatedLeftoverIsFetchedWhole) {
  // A leftover whose stored header has no date cannot be validated: no range.
  WriteFileText(Dest("file.bin.res"), "partial");
  WriteFileText(Dest("file.bin.hdr"), "Content-Length: 5000\n");
  DownloadOutcome o = Get("/ok/w");
  ASSERT_EQ(o.result, kDownloadFinished) << o.error;
  EXPECT_EQ(o.request.find("Range:"), std::string::npos);
  EXPECT_TRUE(ReadFileText(Dest("file.bin")) == FaultBody("w", 5000));
}

TEST_F(HttpFaults, StallLongerThanTheTimeOutFails) {
  MinTransferRate = 0;  // the 360-second rule alone
  ScopedManualClock clock(5000000000ull);
  ResetTimer();
  auto d = std::make_unique<FileDownload>(Url("/stall").c_str(), "file.bin", 0, nullptr, (dir_.path() + "/").c_str(),
                                          nullptr);
  int percent = 0;
  int r = kDownloadWaiting;
  // Real time passes (the data arrives), program time stands still.
  for (int i = 0; i < 2000 && !(r == kDownloadFlowing && TotalAmtRecieved == 100); ++i) {
    r = d->Update(percent);
    d->WaitForActivity(5);
  }
  ASSERT_EQ(TotalAmtRecieved, 100u);
  EXPECT_EQ(percent, 10);
  clock.Advance(359ull * 1000000000ull);
  EXPECT_EQ(d->Update(percent), kDownloadFlowing);
  clock.Advance(2ull * 1000000000ull);
  EXPECT_EQ(d->Update(percent), kDownloadFailed);
  EXPECT_EQ(std::string(d->ErrorString()),
            "Receiving file " + std::string(d->TempName()) + " has timed out, please check your connection.");
  EXPECT_EQ(d->Update(percent), kDownloadFailed);  // the end is final
  d->Reset(1);
  clock.Restore();
  ResetTimer();
  EXPECT_FALSE(FileExists(Dest("file.bin")));
}
