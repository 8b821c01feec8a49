// quorvel-tool fetch against nginx, directly, through tinyproxy with Basic
// proxy authentication and through microsocks; ranges against nginx in process.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>
#include <string>
#include <vector>

#include "foundation/program_clock.h"
#include "integration/download_helpers.h"
#include "support/files.h"
#include "support/peers.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "transport/http_download.h"
#include "transport/md5.h"
#include "transport/real_tcp_connection.h"
#include "transport/socks5.h"

namespace {
std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = char(rng());
  return s;
}

std::string Hex(const std::string& data) {
  unsigned char d[kMD5Size];
  MD5OfBytes(data.data(), data.size(), d);
  char hex[2 * kMD5Size + 1];
  MD5ToHex(d, hex);
  return hex;
}

class FetchTool : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    SetTimerRate(kTimerRate64Hz);
    site_ = new TempDir;
    WriteFileText(*site_ / "game.dat", RandomBytes(3 * 1024 * 1024 + 17, 1));
    WriteFileText(*site_ / "small.txt", "hello from nginx\n");
    WriteFileText(*site_ / "quorvel1.exe", "MZ not really a program");
    nginx_ = new NginxPeer;
    nginx_error_ = nginx_->Start(site_->path());
  }
  static void TearDownTestSuite() {
    delete nginx_;
    delete site_;
  }
  void SetUp() override { ASSERT_EQ(nginx_error_, ""); }

  std::string Url(const std::string& name) { return "http://127.0.0.1:" + std::to_string(nginx_->port()) + "/" + name; }
  ProcessResult Fetch(std::vector<std::string> extra, const std::string& name = "game.dat") {
    std::vector<std::string> args = {"fetch", Url(name), name, out_.path()};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunTool(args);
  }
  std::string Site(const std::string& name) { return ReadFileText(*site_ / name); }
  std::string Out(const std::string& name) { return ReadFileText(out_ / name); }

  static TempDir* site_;
  static NginxPeer* nginx_;
  static std::string nginx_error_;
  TempDir out_;
};
TempDir* FetchTool::site_ = nullptr;
NginxPeer* FetchTool::nginx_ = nullptr;
std::string FetchTool::nginx_error_;
}  // namespace

TEST_F(FetchTool, DirectFetchThenNotModifiedLeavesTheFileUntouched) {
  ProcessResult first = Fetch({});
  ASSERT_EQ(first.exitCode, 0) << first.out << first.err;
  EXPECT_EQ(first.out, "result 0\n");
  EXPECT_TRUE(Out("game.dat") == Site("game.dat"));
  std::string hdr = Out("game.dat.hdr");
  EXPECT_NE(hdr.find("Last-Modified: "), std::string::npos);
  EXPECT_NE(hdr.find("Content-Length: 3145745\n"), std::string::npos);
  EXPECT_EQ(hdr.find('\r'), std::string::npos);
  EXPECT_EQ(hdr.find("HTTP/1.1"), std::string::npos);

  struct stat before, after;
  ASSERT_EQ(stat((out_ / "game.dat").c_str(), &before), 0);
  ProcessResult second = Fetch({});
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(second.out, "result 4\n");
  ASSERT_EQ(stat((out_ / "game.dat").c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);

  // Unconditional: fetched again, the header file left as it was.
  WriteFileText(out_ / "game.dat.hdr", "Last-Modified: kept\n");
  ProcessResult third = Fetch({"--unconditional"});
  EXPECT_EQ(third.out, "result 0\n");
  EXPECT_EQ(Out("game.dat.hdr"), "Last-Modified: kept\n");
}

TEST_F(FetchTool, DigestMismatchKeepsTheOldFileAndDropsTheResult) {
  WriteFileText(out_ / "game.dat", "the old release");
  ProcessResult r = Fetch({"--digest", std::string(32, '0')});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "result 2\nChecksum failure while downloading " + out_.path() + "/game.dat" +
                       ", file may have been corrupted during transfer.\n");
  EXPECT_EQ(Out("game.dat"), "the old release");
  EXPECT_FALSE(FileExists(out_ / "game.dat.res"));
  EXPECT_FALSE(FileExists(out_ / "game.dat.hdr"));  // no date that would vouch for the old file

  ProcessResult good = Fetch({"--digest", Hex(Site("game.dat"))});
  EXPECT_EQ(good.out, "result 0\n");
  EXPECT_TRUE(Out("game.dat") == Site("game.dat"));
}

TEST_F(FetchTool, MissingFileAndClosedPortFail) {
  ProcessResult r = Fetch({}, "absent.bin");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("Code 404, Not Found."), std::string::npos) << r.out;
  std::vector<std::string> argv = {QUORVEL_TOOL, "fetch",
                                   "http://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "/x", "x", out_.path()};
  ProcessResult closed = RunProcess(argv);
  EXPECT_EQ(closed.out, "result 2\nServer is unavailable. (" + argv[2] + ")\n");
  ProcessResult badArgs = RunProcess({QUORVEL_TOOL, "fetch", Url("x"), "x", out_.path(), "--digest", "12"});
  EXPECT_EQ(badArgs.exitCode, 1);
  EXPECT_NE(badArgs.err.find("--digest"), std::string::npos);
}

TEST_F(FetchTool, ThroughTinyproxyWithBasicAuthentication) {
  TinyproxyPeer proxy;
  ASSERT_EQ(proxy.Start("alice", "s3cret"), "");
  std::string p = "127.0.0.1:" + std::to_string(proxy.port());

  ProcessResult none = Fetch({"--proxy", p});
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_NE(none.out.find("Code 407, Proxy Authentication Required."), std::string::npos) << none.out;
  ProcessResult wrong = Fetch({"--proxy", p, "--proxy-auth", "alice:wrong"});
  EXPECT_NE(wrong.out.find("Code 401, Unauthorized."), std::string::npos) << wrong.out;
  EXPECT_FALSE(FileExists(out_ / "game.dat"));

  ProcessResult right = Fetch({"--proxy", p, "--proxy-auth", "alice:s3cret"});
  ASSERT_EQ(right.out, "result 0\n") << right.err << proxy.Log();
  EXPECT_TRUE(Out("game.dat") == Site("game.dat"));
  ProcessResult again = Fetch({"--proxy", p, "--proxy-auth", "alice:s3cret"});
  EXPECT_EQ(again.out, "result 4\n");
}

TEST_F(FetchTool, ThroughTinyproxyWithoutAuthentication) {
  TinyproxyPeer proxy;
  ASSERT_EQ(proxy.Start("", ""), "");
  ProcessResult r = Fetch({"--proxy", "127.0.0.1:" + std::to_string(proxy.port())}, "small.txt");
  ASSERT_EQ(r.out, "result 0\n") << r.err;
  EXPECT_EQ(Out("small.txt"), "hello from nginx\n");
}

TEST_F(FetchTool, ProxyRequestBytesAreExact) {
  FaultServerPeer recorder;
  ASSERT_EQ(recorder.Start(), "");
  std::vector<std::string> argv = {QUORVEL_TOOL,
                                   "fetch",
                                   "http://files.example:8080/ok/a b",
                                   "f",
                                   out_.path(),
                                   "--proxy",
                                   "127.0.0.1:" + std::to_string(recorder.port()),
                                   "--proxy-auth",
                                   "user:pass"};
  ProcessResult r = RunProcess(argv);
  EXPECT_EQ(r.out, "result 0\n") << r.err;
  std::vector<std::string> requests = recorder.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0],
            "GET http://files.example:8080/ok/a%20b HTTP/1.1\r\n"
            "User-Agent: Mozilla/4.0 (compatible; MSIE 5.01; Windows NT 5.0)\r\n"
            "Host: files.example:8080\r\nAuthorization: Basic \r\nConnection: keep-alive\r\n"
            "Proxy-Authorization: basic dXNlcjpwYXNz\r\n"
            "If-Modified-Since: Thu, 28 Apr 1994 14:00:00 GMT\r\n\r\n");

  // Without credentials; the file is there now, so its stored date is sent.
  argv.resize(argv.size() - 2);
  EXPECT_EQ(RunProcess(argv).out, "result 0\n");
  requests = recorder.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1],
            "GET http://files.example:8080/ok/a%20b HTTP/1.1\r\n"
            "User-Agent: Mozilla/4.0 (compatible; MSIE 5.01; Windows NT 5.0)\r\n"
            "Host: files.example:8080\r\nAuthorization: Basic \r\nConnection: keep-alive\r\n"
            "If-Modified-Since: Tue, 08 Dec 2026 10:00:00 GMT\r\n\r\n");
}

TEST_F(FetchTool, ThroughMicrosocks) {
  MicrosocksPeer socks;
  ASSERT_EQ(socks.Start(), "");
  ProcessResult r = Fetch({"--socks", "127.0.0.1:" + std::to_string(socks.port())});
  ASSERT_EQ(r.out, "result 0\n") << r.err << socks.Log();
  EXPECT_TRUE(Out("game.dat") == Site("game.dat"));
  ProcessResult again = Fetch({"--socks", "127.0.0.1:" + std::to_string(socks.port())});
  EXPECT_EQ(again.out, "result 4\n");
}

TEST_F(FetchTool, SocksProxyThatIsDownFails) {
  ProcessResult r = Fetch({"--socks", "127.0.0.1:" + std::to_string(FreeLoopbackPort())});
  EXPECT_EQ(r.out, "result 2\nServer is unavailable. (" + Url("game.dat") + ")\n");
}

TEST_F(FetchTool, LeftoverResultIsCompletedWithARangeFromNginx) {
  // A first fetch leaves the header; then an interrupted one is simulated.
  ASSERT_EQ(Fetch({}).out, "result 0\n");
  std::string full = Site("game.dat");
  WriteFileText(out_ / "game.dat", "older");
  WriteFileText(out_ / "game.dat.res", full.substr(0, 1000000));
  DownloadOutcome o = RunDownload(Url("game.dat"), "game.dat", out_.path() + "/");
  ASSERT_EQ(o.result, kDownloadFinished) << o.error;
  EXPECT_NE(o.request.find("\r\nRange: bytes=1000000-\r\nIf-Range: "), std::string::npos) << o.request;
  EXPECT_TRUE(Out("game.dat") == full);

  // A validator that no longer matches: nginx sends the whole file, which replaces the leftover.
  std::string hdr = Out("game.dat.hdr");
  size_t lm = hdr.find("Last-Modified: ");
  ASSERT_NE(lm, std::string::npos);
  hdr.replace(lm, hdr.find('\n', lm) - lm, "Last-Modified: Mon, 01 Jan 2001 00:00:00 GMT");
  WriteFileText(out_ / "game.dat.hdr", hdr);
  WriteFileText(out_ / "game.dat.res", std::string(5000, 'x'));
  DownloadOutcome whole = RunDownload(Url("game.dat"), "game.dat", out_.path() + "/");
  ASSERT_EQ(whole.result, kDownloadFinished) << whole.error;
  EXPECT_NE(whole.request.find("If-Range: Mon, 01 Jan 2001 00:00:00 GMT"), std::string::npos);
  EXPECT_TRUE(Out("game.dat") == full);
}

TEST_F(FetchTool, ProgramsAreMadeExecutableOtherFilesAreNot) {
  ASSERT_EQ(Fetch({}, "quorvel1.exe").out, "result 0\n");
  ASSERT_EQ(Fetch({}, "small.txt").out, "result 0\n");
  struct stat st;
  ASSERT_EQ(stat((out_ / "quorvel1.exe").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);
  ASSERT_EQ(stat((out_ / "small.txt").c_str(), &st), 0);
  EXPECT_FALSE(st.st_mode & S_IXUSR);
}

TEST_F(FetchTool, MicrosocksRefusingTheDestinationMakesTheServerUnavailable) {
  MicrosocksPeer socks;
  ASSERT_EQ(socks.Start(), "");
  std::vector<std::string> argv = {QUORVEL_TOOL,
                                   "fetch",
                                   "http://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "/x",
                                   "x",
                                   out_.path(),
                                   "--socks",
                                   "127.0.0.1:" + std::to_string(socks.port())};
  ProcessResult r = RunProcess(argv);
  EXPECT_EQ(r.out, "result 2\nServer is unavailable. (" + argv[2] + ")\n");
}

TEST_F(FetchTool, BlockingConnectNegotiatesWithMicrosocksInPlace) {
  MicrosocksPeer socks;
  ASSERT_EQ(socks.Start(), "");
  SetSocksProxy("127.0.0.1", socks.port());
  RealTCPConnection c(nginx_->port(), NodeAddress::FromBytes(127, 0, 0, 1), 1);
  SetSocksProxy(nullptr, 0);
  ASSERT_TRUE(c.flags & sockflags_connected) << std::hex << c.flags;
  EXPECT_EQ(c.socks_state, kSocksDone);
  const char request[] = "GET /small.txt HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
  EXPECT_EQ(c.Send(request, sizeof request - 1), long(sizeof request - 1));
  std::string got;
  char buf[4096];
  for (int i = 0; i < 2000 && !(c.flags & sockflags_fatal_error); ++i) {
    RealTCPConnection* list[1] = {&c};
    SelectSocket(list, 1, 10, 0, 0);
    long n = c.Receive(buf, sizeof buf);
    if (n > 0) got.append(buf, size_t(n));
  }
  EXPECT_EQ(got.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  EXPECT_NE(got.find("\r\n\r\nhello from nginx\n"), std::string::npos);
}
