// FileDownload against a server scripted by the test itself, byte for byte,
// and its refusals before any connection.
#include "transport/http_download.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "foundation/language_catalogue.h"
#include "foundation/program_clock.h"
#include "support/files.h"
#include "support/manual_clock.h"
#include "support/process.h"
#include "support/small_disk.h"
#include "support/temp_dir.h"
#include "transport/compressed_file.h"
#include "transport/download_support.h"
#include "transport/http_connection_pool.h"
#include "transport/md5.h"
#include "transport/real_tcp_connection.h"
#include "transport/transport_globals.h"

namespace {
const NodeAddress kLoopback = NodeAddress::FromBytes(127, 0, 0, 1);

class ScriptedServer : public testing::Test {
 protected:
  void SetUp() override { SetTimerRate(kTimerRate64Hz); }
  std::string Url(const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(listener_.LocalPort()) + path;
  }
  std::unique_ptr<FileDownload> Start(const std::string& path, int flags = 0, unsigned char* digest = nullptr) {
    auto d =
        std::make_unique<FileDownload>(Url(path).c_str(), "f.bin", flags, nullptr, (dir_.path() + "/").c_str(), digest);
    EXPECT_EQ(d->State(), kDownloadStateReadyToSend) << d->ErrorString();
    return d;
  }
  // Updates until the request has arrived at the server; returns it.
  std::string AcceptRequest(FileDownload& d) {
    std::string request;
    for (int i = 0;
         i < 2000 && request.find("\n\n") == std::string::npos && request.find("\r\n\r\n") == std::string::npos; ++i) {
      int percent;
      d.Update(percent);
      NodeAddress from{};
      if (!peer_) peer_.reset(listener_.Accept(&from));
      if (peer_) {
        char buf[4096];
        long n = peer_->Receive(buf, sizeof buf);
        if (n > 0) request.append(buf, size_t(n));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return request;
  }
  void Send(const std::string& bytes) { peer_->Send(bytes.data(), bytes.size()); }
  // Updates until the result is neither kDownloadFlowing nor kDownloadWaiting (or a second passes); returns it.
  int Settle(FileDownload& d, int* percent = nullptr) {
    int p = 0, r = kDownloadWaiting;
    for (int i = 0; i < 1000 && (r == kDownloadFlowing || r == kDownloadWaiting); ++i) {
      r = d.Update(p);
      if (r == kDownloadFlowing || r == kDownloadWaiting) d.WaitForActivity(1);
    }
    if (percent) *percent = p;
    return r;
  }
  // One Update after the bytes sent so far have surely arrived.
  int Pump(FileDownload& d, int* percent = nullptr) {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    int p = 0;
    int r = d.Update(p);
    if (percent) *percent = p;
    return r;
  }
  std::string Dest(const char* suffix = "") { return dir_ / (std::string("f.bin") + suffix); }

  TempDir dir_;
  RealTCPConnection listener_{uint16_t(0)};
  std::unique_ptr<RealTCPConnection> peer_;
};
}  // namespace

TEST(FileDownloadSetup, RefusedBeforeAnyConnection) {
  SetTimerRate(kTimerRate64Hz);
  TempDir dir;
  std::string d = dir.path() + "/";
  std::string deep = "http://127.0.0.1";
  for (int i = 0; i < 30; ++i) deep += "/p";
  struct Case {
    std::string url, name, error;
  } cases[] = {
      {deep, "f", "URL " + deep + " is too long or has too many parts."},
      {"http://127.0.0.1:0/x", "f", "Bad server address in URL http://127.0.0.1:0/x."},
      {"http://127.0.0.1:99999/x", "f", "Bad server address in URL http://127.0.0.1:99999/x."},
      {"http://127.0.0.1/x", std::string(300, 'n'), "Local file name " + d + std::string(300, 'n') + " is too long."},
      {"http://no-such-host.invalid/x", "f",
       "Could not resolve server address http://no-such-host.invalid/x, the server may be down or you may be "
       "having problems with your connection to the Internet."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    FileDownload fd(c.url.c_str(), c.name.c_str(), 0, nullptr, d.c_str(), nullptr);
    EXPECT_EQ(fd.State(), kDownloadStateSetupFailed);
    EXPECT_EQ(std::string(fd.ErrorString()), c.error);
    int percent = 0;
    EXPECT_EQ(fd.Update(percent), kDownloadFailed);
    EXPECT_EQ(fd.Update(percent), kDownloadFailed);
  }
  ProxyServer = StrDup("no-such-proxy.invalid", "test proxy");
  FileDownload viaProxy("http://127.0.0.1/x", "f", 0, nullptr, d.c_str(), nullptr);
  ResetTransportGlobals();
  EXPECT_EQ(std::string(viaProxy.ErrorString()),
            "Could not resolve proxy server address no-such-proxy.invalid, please ensure your connection settings "
            "are correct.");
}

// The error texts are catalogue keys: a translation with a directive too
// many would read an argument never passed, so it gives way to the English.
TEST(FileDownloadSetup, ATranslatedErrorTextIsUsedOnlyWithTheSameDirectives) {
  TempDir dir;
  const std::string d = dir.path() + "/";
  const std::string catalogue =
      "DEUTSCH\n\n"
      "Bad server address in URL %s.\nFalsche Adresse %s in %s.\n\n"
      "URL %s is too long or has too many parts.\nURL %s ist zu lang.\n\n";
  ASSERT_EQ(LoadLanguageCatalogue(catalogue.data(), catalogue.size(), "DEUTSCH"), 1);
  FileDownload bad("http://127.0.0.1:0/x", "f", 0, nullptr, d.c_str(), nullptr);
  std::string deep = "http://127.0.0.1";
  for (int i = 0; i < 30; ++i) deep += "/p";
  FileDownload longUrl(deep.c_str(), "f", 0, nullptr, d.c_str(), nullptr);
  FreeHashList();
  EXPECT_EQ(std::string(bad.ErrorString()), "Bad server address in URL http://127.0.0.1:0/x.");
  EXPECT_EQ(std::string(longUrl.ErrorString()), "URL " + deep + " ist zu lang.");
}

TEST(FileDownloadSetup, ClosedPortIsUnavailableAndConnectTimesOut) {
  SetTimerRate(kTimerRate64Hz);
  TempDir dir;
  uint16_t closed;
  {
    RealTCPConnection probe(uint16_t(0));
    closed = probe.LocalPort();
  }
  std::string url = "http://127.0.0.1:" + std::to_string(closed) + "/x";
  FileDownload refused(url.c_str(), "f", 0, nullptr, (dir.path() + "/").c_str(), nullptr);
  int percent, r = kDownloadWaiting;
  for (int i = 0; i < 1000 && r == kDownloadWaiting; ++i) {
    r = refused.Update(percent);
    refused.WaitForActivity(2);
  }
  EXPECT_EQ(r, kDownloadFailed);
  EXPECT_EQ(refused.ErrorString(), "Server is unavailable. (" + url + ")") << "the failure names the address";

  // A listener whose queue is full drops further connection attempts, which
  // then stay pending until the program's own time-out.
  RealTCPConnection full(uint16_t(0));
  std::vector<std::unique_ptr<RealTCPConnection>> queued;
  for (int i = 0; i < 12; ++i) queued.push_back(std::make_unique<RealTCPConnection>(full.LocalPort(), kLoopback, 0, 1));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ScopedManualClock clock(1000000000ull);
  ResetTimer();
  std::string hung = "http://127.0.0.1:" + std::to_string(full.LocalPort()) + "/x";
  FileDownload pending(hung.c_str(), "f", 0, nullptr, (dir.path() + "/").c_str(), nullptr);
  EXPECT_EQ(pending.Update(percent), kDownloadWaiting);
  clock.Advance(359ull * 1000000000ull);
  int before = pending.Update(percent);
  clock.Advance(2ull * 1000000000ull);
  int after = pending.Update(percent);
  clock.Restore();
  ResetTimer();
  ASSERT_EQ(before, kDownloadWaiting) << "the connect should still be pending: " << pending.ErrorString();
  EXPECT_EQ(after, kDownloadFailed);
  EXPECT_EQ(pending.ErrorString(),
            "Connection timed out, please check your connection to the Internet. (" + hung + ")");
}

TEST_F(ScriptedServer, HeaderEndSplitBetweenPassesAndDataOfTheClosingPass) {
  auto d = Start("/a");
  std::string request = AcceptRequest(*d);
  EXPECT_EQ(request.rfind("GET /a HTTP/1.1\r\nHost: 127.0.0.1:", 0), 0u) << request;
  Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\nLast-Modified: D1\r\n\r");
  int percent = -1;
  EXPECT_EQ(Pump(*d, &percent), kDownloadFlowing);
  EXPECT_EQ(percent, 0);  // no length known yet
  Send("\nabcd");
  EXPECT_EQ(Pump(*d, &percent), kDownloadFlowing);
  EXPECT_EQ(TotalAmtRecieved, 4u);
  EXPECT_EQ(ContentLength, 10);
  EXPECT_EQ(percent, 40);
  // The rest and the close arrive together.
  Send("efghij");
  peer_.reset();
  EXPECT_EQ(Settle(*d, &percent), kDownloadFinished);
  EXPECT_EQ(percent, 100);
  EXPECT_EQ(ReadFileText(Dest()), "abcdefghij");
  EXPECT_EQ(ReadFileText(Dest(".hdr")), "Content-Length: 10\nLast-Modified: D1\n");
  EXPECT_EQ(d->Update(percent), kDownloadFinished);
  std::string temp = d->TempName();
  EXPECT_TRUE(FileExists(temp));  // until Reset removes it
  d->Reset(1);
  EXPECT_FALSE(FileExists(temp));
}

// While the length is unknown every receiving pass reports 0 percent, never
// the caller's value from before; the close completes it to 100.
TEST(DownloadPercent, IsTheShareReceivedRoundedDownForAnyLength) {
  const struct {
    unsigned long long received;
    long long length;
    int percent;
  } cases[] = {
      {123, -1, 0},                                       // unknown length
      {0, 0, 0},                                          // nothing announced
      {2500000000ull, 5000000000ll, 50},                  // half of 5 GB
      {4294967296ull, 5368709120ll, 80},                  // 4 GiB of 5 GiB
      {5368709119ull, 5368709120ll, 99},                  // one byte short
      {5368709120ull, 5368709120ll, 100},                 // all of it
      {500000000000000000ull, 999999999999999999ll, 50},  // the longest length accepted
      {990000000000000000ull, 999999999999999999ll, 99},  // received * 100 beyond 64 bits
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.received) + " of " + std::to_string(c.length));
    EXPECT_EQ(DownloadPercent(c.received, c.length), c.percent);
  }
}

TEST_F(ScriptedServer, PercentWithoutALengthIsZeroUntilTheClose) {
  auto d = Start("/a");
  AcceptRequest(*d);
  Send("HTTP/1.1 200 OK\r\nLast-Modified: D1\r\n\r\nabc");
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  int percent = 77;
  EXPECT_EQ(d->Update(percent), kDownloadFlowing);
  EXPECT_EQ(percent, 0) << "header and first bytes in";
  percent = 77;
  EXPECT_EQ(d->Update(percent), kDownloadFlowing);
  EXPECT_EQ(percent, 0) << "a pass with nothing new";
  Send("def");
  peer_.reset();
  EXPECT_EQ(Settle(*d, &percent), kDownloadFinished) << d->ErrorString();
  EXPECT_EQ(percent, 100);
  EXPECT_EQ(ReadFileText(Dest()), "abcdef");
}

TEST_F(ScriptedServer, NotModifiedLeavesEverythingInPlace) {
  WriteFileText(Dest(), "current");
  WriteFileText(Dest(".hdr"), "Content-Length: 7\nLast-Modified: Sat, 01 Jan 2000 00:00:00 GMT\n");
  auto d = Start("/a");
  std::string request = AcceptRequest(*d);
  EXPECT_NE(request.find("\r\nIf-Modified-Since: Sat, 01 Jan 2000 00:00:00 GMT\r\n\r\n"), std::string::npos) << request;
  Send("HTTP/1.1 304 Not Modified\r\n\r\n");
  EXPECT_EQ(Settle(*d), kDownloadNotModified);
  int again = 0;
  EXPECT_EQ(d->Update(again), kDownloadNotModified);
  EXPECT_EQ(ReadFileText(Dest()), "current");
  EXPECT_FALSE(FileExists(Dest(".res")));
}

TEST_F(ScriptedServer, StoredDateIsNotTrustedWithoutTheFileOrBesideALeftover) {
  WriteFileText(Dest(".hdr"), "Content-Length: 7\nLast-Modified: Sat, 01 Jan 2000 00:00:00 GMT\n");
  {
    auto d = Start("/a");  // no destination file
    EXPECT_NE(AcceptRequest(*d).find("If-Modified-Since: Thu, 28 Apr 1994 14:00:00 GMT\r\n"), std::string::npos);
    d->Reset(1);
    peer_.reset();
  }
  WriteFileText(Dest(), "current");
  WriteFileText(Dest(".res"), "0123456789");  // longer than recorded: not a partial, still unfinished
  auto d = Start("/a");
  std::string request = AcceptRequest(*d);
  EXPECT_NE(request.find("If-Modified-Since: Thu, 28 Apr 1994 14:00:00 GMT\r\n"), std::string::npos) << request;
  EXPECT_EQ(request.find("Range:"), std::string::npos);
  d->Reset(1);
}

TEST_F(ScriptedServer, UnconditionalRequestCarriesNoDate) {
  WriteFileText(Dest(), "current");
  WriteFileText(Dest(".hdr"), "Last-Modified: Sat, 01 Jan 2000 00:00:00 GMT\n");
  auto d = Start("/a", kDownloadUnconditional);
  std::string request = AcceptRequest(*d);
  EXPECT_EQ(request.find("If-Modified-Since"), std::string::npos) << request;
  Send("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nLast-Modified: new\r\n\r\nnew");
  peer_.reset();
  EXPECT_EQ(Settle(*d), kDownloadFinished);
  EXPECT_EQ(ReadFileText(Dest()), "new");
  EXPECT_EQ(ReadFileText(Dest(".hdr")), "Last-Modified: Sat, 01 Jan 2000 00:00:00 GMT\n");  // not rewritten
}

TEST_F(ScriptedServer, WrongRangeOrRefusedRangeDropsTheLeftover) {
  struct Case {
    const char* what;
    std::string response;
  } cases[] = {
      {"other start", "HTTP/1.1 206 Partial Content\r\nContent-Length: 5\r\nContent-Range: bytes 0-4/10\r\n\r\n01234"},
      {"no range", "HTTP/1.1 206 Partial Content\r\nContent-Length: 5\r\n\r\n56789"},
      {"416", "HTTP/1.1 416 Requested range not satisfiable\r\nContent-Length: 0\r\n\r\n"},
      {"ends early", "HTTP/1.1 206 Partial Content\r\nContent-Length: 2\r\nContent-Range: bytes 5-6/10\r\n\r\n56"},
      {"other file",
       "HTTP/1.1 206 Partial Content\r\nContent-Length: 15\r\nContent-Range: bytes 5-19/20\r\n\r\n"
       "567890123456789"},
      {"length and range disagree",
       "HTTP/1.1 206 Partial Content\r\nContent-Length: 3\r\nContent-Range: bytes 5-9/10\r\n\r\n567"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileText(Dest(".res"), "01234");
    WriteFileText(Dest(".hdr"), "Content-Length: 10\nLast-Modified: D\n");
    auto d = Start("/a");
    std::string request = AcceptRequest(*d);
    EXPECT_NE(request.find("\r\nRange: bytes=5-\r\nIf-Range: D\r\n"), std::string::npos) << request;
    Send(c.response);
    peer_.reset();
    EXPECT_EQ(Settle(*d), kDownloadFailed);
    EXPECT_FALSE(FileExists(Dest(".res")));
    EXPECT_FALSE(FileExists(Dest(".hdr")));
    EXPECT_FALSE(FileExists(Dest()));
    d->Reset(1);
  }
}

TEST_F(ScriptedServer, PassingErrorsKeepTheLeftoverForTheNextAttempt) {
  for (const char* response : {"HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\n\r\n",
                               "HTTP/1.1 407 Proxy Authentication Required\r\nContent-Length: 0\r\n\r\n"}) {
    SCOPED_TRACE(response);
    WriteFileText(Dest(".res"), "01234");
    WriteFileText(Dest(".hdr"), "Content-Length: 10\nLast-Modified: D\n");
    auto d = Start("/a");
    AcceptRequest(*d);
    Send(response);
    peer_.reset();
    EXPECT_EQ(Settle(*d), kDownloadFailed);
    EXPECT_EQ(ReadFileText(Dest(".res")), "01234");
    EXPECT_EQ(ReadFileText(Dest(".hdr")), "Content-Length: 10\nLast-Modified: D\n");
    d->Reset(1);
  }
  // And the next attempt completes it.
  auto d = Start("/a");
  AcceptRequest(*d);
  Send("HTTP/1.1 206 Partial Content\r\nContent-Length: 5\r\nContent-Range: bytes 5-9/10\r\n\r\n56789");
  peer_.reset();
  EXPECT_EQ(Settle(*d), kDownloadFinished);
  EXPECT_EQ(ReadFileText(Dest()), "0123456789");
}

// A resumed transfer that breaks off again keeps what it received: the ".res"
// grows by exactly those bytes, the ".hdr" of the original answer stays as it
// was, and the next run asks for the rest and checks the whole file.
TEST_F(ScriptedServer, ResumeInterruptedAgainKeepsGrowingTheLeftover) {
  const std::string whole = "0123456789abcdefghijklmnopqrst";
  const std::string hdr = "Content-Length: 30\nLast-Modified: D\n";
  unsigned char digest[kMD5Size];
  MD5OfBytes(whole.data(), whole.size(), digest);
  WriteFileText(Dest(".res"), whole.substr(0, 10));
  WriteFileText(Dest(".hdr"), hdr);
  auto startWithDigest = [&] {
    auto d =
        std::make_unique<FileDownload>(Url("/a").c_str(), "f.bin", 0, nullptr, (dir_.path() + "/").c_str(), digest);
    EXPECT_EQ(d->State(), kDownloadStateReadyToSend) << d->ErrorString();
    return d;
  };

  auto second = startWithDigest();
  std::string request = AcceptRequest(*second);
  EXPECT_NE(request.find("\r\nRange: bytes=10-\r\nIf-Range: D\r\n"), std::string::npos) << request;
  Send("HTTP/1.1 206 Partial Content\r\nContent-Length: 20\r\nContent-Range: bytes 10-29/30\r\n\r\nabcdefg");
  EXPECT_EQ(Pump(*second), kDownloadFlowing);
  Send("hij");
  peer_.reset();
  EXPECT_EQ(Settle(*second), kDownloadFailed);
  EXPECT_EQ(std::string(second->ErrorString()).rfind("Lost connection to server before recieving entire file: ", 0), 0u)
      << second->ErrorString();
  EXPECT_EQ(ReadFileText(Dest(".res")), whole.substr(0, 20));
  EXPECT_EQ(ReadFileText(Dest(".hdr")), hdr);
  EXPECT_FALSE(FileExists(Dest()));
  second->Reset(1);

  auto third = startWithDigest();
  request = AcceptRequest(*third);
  EXPECT_NE(request.find("\r\nRange: bytes=20-\r\nIf-Range: D\r\n"), std::string::npos) << request;
  Send("HTTP/1.1 206 Partial Content\r\nContent-Length: 10\r\nContent-Range: bytes 20-29/30\r\n\r\n" +
       whole.substr(20));
  peer_.reset();
  EXPECT_EQ(Settle(*third), kDownloadFinished) << third->ErrorString();
  EXPECT_EQ(ReadFileText(Dest()), whole);
  EXPECT_FALSE(FileExists(Dest(".res")));
  EXPECT_EQ(ReadFileText(Dest(".hdr")), hdr);
  third->Reset(1);

  // The finished file is now current: the next request is conditional on its date.
  auto fourth = startWithDigest();
  request = AcceptRequest(*fourth);
  EXPECT_NE(request.find("\r\nIf-Modified-Since: D\r\n"), std::string::npos) << request;
  EXPECT_EQ(request.find("Range:"), std::string::npos) << request;
  fourth->Reset(1);
}

TEST_F(ScriptedServer, UnreadableAnswersFail) {
  struct Case {
    const char* what;
    std::string response;
    std::string error_start;
  } cases[] = {
      {"bad length", "HTTP/1.1 200 OK\r\nContent-Length: many\r\n\r\nabc", "Bad ContentLength Header Information."},
      {"no status", "hello there\r\n\r\nabc", "HTTP error while trying to download "},
      {"proxy wants credentials", "HTTP/1.1 407 Proxy Authentication Required\r\n\r\n",
       "HTTP error while trying to download "},
      {"closed before the header ended", "HTTP/1.1 200 OK\r\nContent-Len",
       "Lost connection to server before recieving entire file: "},
      {"two different lengths", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 1000\r\n\r\nabc",
       "Bad ContentLength Header Information."},
      {"more than announced", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabcdef",
       "The server sent more than the announced length of "},
      {"not modified, with nothing here", "HTTP/1.1 304 Not Modified\r\n\r\n", "HTTP error while trying to download "},
      {"a coding other than chunked",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", "Server sent "},
      {"a bad chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\nzz\r\n",
       "The server sent "},
      {"cut off mid-chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel",
       "Lost connection to server before recieving entire file: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto d = Start("/a");
    AcceptRequest(*d);
    Send(c.response);
    peer_.reset();
    EXPECT_EQ(Settle(*d), kDownloadFailed);
    EXPECT_EQ(std::string(d->ErrorString()).rfind(c.error_start, 0), 0u) << d->ErrorString();
    EXPECT_FALSE(FileExists(Dest()));
    d->Reset(1);
  }
}

TEST_F(ScriptedServer, InterimAnswersBeforeTheRealOneAreSkipped) {
  auto d = Start("/a");
  AcceptRequest(*d);
  Send("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </x>\r\n\r\n");
  int percent = 0;
  EXPECT_EQ(Pump(*d, &percent), kDownloadFlowing);
  Send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nLast-Modified: D\r\n\r\nhello");
  peer_.reset();
  EXPECT_EQ(Settle(*d), kDownloadFinished) << d->ErrorString();
  EXPECT_EQ(ReadFileText(Dest()), "hello");
  EXPECT_EQ(ReadFileText(Dest(".hdr")), "Content-Length: 5\nLast-Modified: D\n");
}

// Interim answers without end, arriving in pieces of any size, are refused
// as an overlong header once they pass the header's bound; the connection
// stays open, so only the bound ends the transfer.
TEST_F(ScriptedServer, EndlessInterimAnswersAreRefusedLikeAnOverlongHeader) {
  auto d = Start("/a");
  AcceptRequest(*d);
  std::string flood;
  while (flood.size() < 3 * HttpHeaderAccumulator::kMaxHeader) flood += "HTTP/1.1 100 Continue\r\n\r\n";
  std::mt19937 rng(7);
  int r = kDownloadFlowing;
  for (size_t at = 0; at < flood.size() && r == kDownloadFlowing;) {
    size_t n = std::min(flood.size() - at, size_t(1 + rng() % 3000));
    Send(flood.substr(at, n));
    at += n;
    int percent;
    r = d->Update(percent);
  }
  if (r == kDownloadFlowing) r = Settle(*d);
  EXPECT_EQ(r, kDownloadFailed);
  EXPECT_EQ(std::string(d->ErrorString()), "The server's response header for " + Dest() + " is too long.");
  EXPECT_LT(ReadFileText(d->TempName()).size(), size_t(2 * HttpHeaderAccumulator::kMaxHeader + kReceivePassSize));
  EXPECT_FALSE(FileExists(Dest()));
  d->Reset(1);
}

TEST_F(ScriptedServer, ARangeWithoutContentLengthIsHeldToItsRange) {
  for (const char* body : {"567", "5678901"}) {
    SCOPED_TRACE(body);
    WriteFileText(Dest(".res"), "01234");
    WriteFileText(Dest(".hdr"), "Content-Length: 10\nLast-Modified: D\n");
    auto d = Start("/a");
    AcceptRequest(*d);
    Send(std::string("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 5-9/10\r\n\r\n") + body);
    peer_.reset();
    EXPECT_EQ(Settle(*d), kDownloadFailed);
    EXPECT_FALSE(FileExists(Dest()));
    d->Reset(1);
  }
  WriteFileText(Dest(".res"), "01234");
  auto d = Start("/a");
  AcceptRequest(*d);
  Send("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 5-9/10\r\n\r\n56789");
  peer_.reset();
  EXPECT_EQ(Settle(*d), kDownloadFinished) << d->ErrorString();
  EXPECT_EQ(ReadFileText(Dest()), "0123456789");
}

TEST_F(ScriptedServer, AStoredDateThatCannotGoBackIsNotUsed) {
  WriteFileText(Dest(), "current");
  WriteFileText(Dest(".hdr"), "Content-Length: 7\nLast-Modified: " + std::string(3000, 'x') + "\n");
  auto d = Start("/a");
  std::string request = AcceptRequest(*d);
  EXPECT_NE(request.find("If-Modified-Since: Thu, 28 Apr 1994 14:00:00 GMT\r\n"), std::string::npos) << request;
  d->Reset(1);
}

TEST_F(ScriptedServer, TempFileOfAnotherCopyIsNotOverwritten) {
  ScopedManualClock clock(1000000000ull);
  ResetTimer();
  auto d = Start("/a");
  WriteFileText(d->TempName(), "someone else's");
  int percent, r = kDownloadWaiting;
  for (int i = 0; i < 1000 && r == kDownloadWaiting; ++i) {
    r = d->Update(percent);
    d->WaitForActivity(1);
  }
  clock.Restore();
  ResetTimer();
  EXPECT_EQ(r, kDownloadFailed);
  EXPECT_EQ(std::string(d->ErrorString()), "Temp file " + std::string(d->TempName()) +
                                               " exists, make sure you do not have two copies of the program running.");
  EXPECT_EQ(ReadFileText(d->TempName()), "someone else's");
  d->Reset(1);
  EXPECT_EQ(ReadFileText(d->TempName()), "someone else's") << "the other copy's file stays after a reset";
}

// A file in the compressed format that arrives damaged fails its digest
// check like any other damaged file; the program goes on.
TEST_F(ScriptedServer, ADamagedCompressedFileFailsItsDigestCheck) {
  std::vector<unsigned char> plain(40000);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<unsigned char>(i * 7 % 251);
  std::vector<unsigned char> packed;
  ASSERT_TRUE(BuildCompressedFile(plain.data(), plain.size(), packed));
  std::string cut(packed.begin(), packed.end() - 300);
  unsigned char digest[kMD5Size];
  MD5OfBytes(plain.data(), plain.size(), digest);
  auto d = Start("/a", 0, digest);
  AcceptRequest(*d);
  Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(cut.size()) + "\r\n\r\n" + cut);
  peer_.reset();
  EXPECT_EQ(Settle(*d), kDownloadFailed);
  EXPECT_EQ(std::string(d->ErrorString()), "Error opening file " + Dest() + " for checksum read.");
  EXPECT_FALSE(FileExists(Dest()));
  EXPECT_FALSE(FileExists(Dest(".res")));
}

namespace {
// The scripted server with any number of connections, each request answered
// on the one it came on: the test sees whether a connection was kept.
class KeptConnections : public ScriptedServer {
 protected:
  void TearDown() override {
    MaxConnections = kDefaultMaxConnections;
    HttpConnections().Clear();
  }
  // Updates d until a whole request is in on one connection; its index, or -1.
  int RequestOn(FileDownload& d) {
    for (int i = 0; i < 2000; ++i) {
      int percent;
      d.Update(percent);
      NodeAddress from{};
      if (RealTCPConnection* c = listener_.Accept(&from)) peers_.emplace_back(c), received_.emplace_back();
      for (size_t p = 0; p < peers_.size(); ++p) {
        char buf[4096];
        const long n = peers_[p] ? peers_[p]->Receive(buf, sizeof buf) : 0;
        if (n > 0) received_[p].append(buf, size_t(n));
        if (received_[p].find("\r\n\r\n") == std::string::npos) continue;
        request_ = received_[p];
        received_[p].clear();
        return int(p);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return -1;
  }
  std::vector<std::unique_ptr<RealTCPConnection>> peers_;
  std::vector<std::string> received_;
  std::string request_;
};
}  // namespace

// A connection carries the next request to its server only when the answer
// ended at its framing and the server keeps it open. A kept one that the
// server closes before answering is replaced, and the request sent again,
// without a failure.
TEST_F(KeptConnections, TheNextRequestGoesOnTheKeptConnectionOnlyWhenTheAnswerLeftItOpen) {
  const std::string ok3 = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc";
  struct Case {
    const char* name;
    std::string answer;
    int result;
    bool reused;
    bool serverCloses = false;      // after the first answer
    bool dropsNextRequest = false;  // closes the kept connection on the second request
    int maxConnections = 4;
  } cases[] = {
      {"length", ok3, kDownloadFinished, true},
      {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n", kDownloadFinished,
       true},
      {"not modified", "HTTP/1.1 304 Not Modified\r\n\r\n", kDownloadNotModified, true},
      {"1.0 keep-alive", "HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nContent-Length: 3\r\n\r\nabc", kDownloadFinished,
       true},
      {"1.0", "HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabc", kDownloadFinished, false, true},
      {"close said", "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 3\r\n\r\nabc", kDownloadFinished, false,
       true},
      {"error answer", "HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\nno", kDownloadFailed, false},
      {"bytes after the last chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\nHTTP",
       kDownloadFinished, false},
      {"closed while idle", ok3, kDownloadFinished, false, true},
      {"closed on the next request", ok3, kDownloadFinished, false, false, true},
      {"one connection", ok3, kDownloadFinished, false, true, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MaxConnections = c.maxConnections;
    HttpConnections().Clear();
    peers_.clear();
    received_.clear();
    WriteFileText(Dest(), "current");
    auto first = Start("/a");
    ASSERT_EQ(RequestOn(*first), 0);
    EXPECT_NE(request_.find(c.maxConnections > 1 ? "\r\nConnection: keep-alive\r\n" : "\r\nConnection: close\r\n"),
              std::string::npos);
    peers_[0]->Send(c.answer.data(), c.answer.size());
    if (c.serverCloses) peers_[0].reset();
    EXPECT_EQ(Settle(*first), c.result) << first->ErrorString();
    first->Reset(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a close reaches the client

    auto second = Start("/b");
    int on = RequestOn(*second);
    if (c.dropsNextRequest) {
      ASSERT_EQ(on, 0);
      peers_[0].reset();
      on = RequestOn(*second);
      EXPECT_EQ(on, 1) << "sent again on a new connection";
    }
    ASSERT_GE(on, 0);
    EXPECT_EQ(on == 0, c.reused);
    EXPECT_EQ(request_.rfind("GET /b HTTP/1.1\r\n", 0), 0u) << request_;
    const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nz";
    peers_[size_t(on)]->Send(answer.data(), answer.size());
    peers_[size_t(on)].reset();
    EXPECT_EQ(Settle(*second), kDownloadFinished) << second->ErrorString();
    EXPECT_EQ(ReadFileText(Dest()), "z");
    second->Reset(1);
  }
}

// The body goes straight to the ".res" with its header beside it, so a
// transfer killed in the middle resumes where it was cut off.
TEST_F(ScriptedServer, ATransferKilledInTheMiddleResumesOnTheNextRun) {
  const pid_t child = ForkChild();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto d =
        std::make_unique<FileDownload>(Url("/a").c_str(), "f.bin", 0, nullptr, (dir_.path() + "/").c_str(), nullptr);
    for (;;) Settle(*d);
  }
  NodeAddress from{};
  for (int i = 0; i < 2000 && !peer_; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(1)))
    peer_.reset(listener_.Accept(&from));
  ASSERT_TRUE(peer_);
  // More than the stream's buffer, so that the kill leaves some of it on disk.
  std::string body(100000, 'x');
  for (size_t i = 0; i < body.size(); ++i) body[i] = char('a' + i * 7 % 26);
  Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\nLast-Modified: D1\r\n\r\n" + body.substr(0, 70000));
  for (int i = 0; i < 2000 && ReadFileText(Dest(".res")).size() < 60000; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  peer_.reset();
  // As the next run's check of the file does, the killed run's raw answer goes.
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
    if (entry.path().filename().string().rfind("f.bin.tmp", 0) == 0) std::filesystem::remove(entry.path());
  const size_t kept = ReadFileText(Dest(".res")).size();
  ASSERT_GE(kept, 60000u);
  EXPECT_TRUE(ReadFileText(Dest(".res")) == body.substr(0, kept)) << "the part on disk is the body's beginning";

  auto d = Start("/a");
  const std::string offset = std::to_string(kept);
  EXPECT_NE(AcceptRequest(*d).find("\r\nRange: bytes=" + offset + "-\r\nIf-Range: D1\r\n"), std::string::npos);
  Send("HTTP/1.1 206 Partial Content\r\nContent-Length: " + std::to_string(body.size() - kept) +
       "\r\nContent-Range: bytes " + offset + "-99999/100000\r\n\r\n" + body.substr(kept));
  EXPECT_EQ(Settle(*d), kDownloadFinished) << d->ErrorString();
  EXPECT_TRUE(ReadFileText(Dest()) == body) << "the resumed file is the whole body";
}

// What the disk cannot hold is refused before any of it is written, and a
// body of unknown length stops before the disk is nearly full; neither
// leaves a part behind or touches the file in place.
TEST_F(ScriptedServer, ABodyTheDiskCannotHoldIsRefused) {
  SmallDisk disk;
  MOUNT_OR_SKIP(disk, dir_.path(), 72 * 1024);
  struct Case {
    const char* name;
    std::string header;
    const char* error;
  } cases[] = {
      {"announced", "HTTP/1.1 200 OK\r\nContent-Length: 80000000\r\nLast-Modified: D\r\n\r\n", "MB are needed and"},
      {"announced beyond 4 GiB", "HTTP/1.1 200 OK\r\nContent-Length: 10737418240\r\n\r\n", ": 10240 MB are needed and"},
      {"unsized", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", "less than 64 MB are free"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileText(Dest(), "old");
    auto d = Start("/a");
    AcceptRequest(*d);
    Send(c.header);
    const std::string chunk = "10000\r\n" + std::string(0x10000, 'x') + "\r\n";
    int percent, r = Pump(*d);
    for (int i = 0; i < 200 && r == kDownloadFlowing; ++i) {
      Send(chunk);
      r = d->Update(percent);
    }
    EXPECT_EQ(Settle(*d), kDownloadFailed);
    EXPECT_NE(std::string(d->ErrorString()).find(c.error), std::string::npos) << d->ErrorString();
    EXPECT_FALSE(FileExists(Dest(".res")));
    EXPECT_EQ(ReadFileText(Dest()), "old");
    d->Reset(1);
    peer_.reset();
  }
}

// Redirects are followed to where their Location points, the target sent as
// the server wrote it, up to five hops; anything else names the URL and why.
TEST_F(KeptConnections, RedirectsAreFollowedUpToFiveHops) {
  const std::string self = "http://127.0.0.1:" + std::to_string(listener_.LocalPort());
  auto to = [](int code, const std::string& where) {
    return "HTTP/1.1 " + std::to_string(code) + " Moved\r\nContent-Length: 0\r\n" +
           (where.empty() ? "" : "Location: " + where + "\r\n") + "\r\n";
  };
  const std::string file = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nfile";
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> exchange;  // each request's target, and its answer
    const char* error;                                          // null: the file arrives
    bool oneConnection = false;  // the redirect's whole answer leaves its connection for the next request
  } cases[] = {
      {"relative", {{"/d/a", to(302, "b?x=%41")}, {"/d/b?x=%41", file}}, nullptr, true},
      {"absolute, 307 then 308",
       {{"/d/a", to(307, self + "/e/../f")},
        {"/f", to(308, "//127.0.0.1:" + std::to_string(listener_.LocalPort()) + "/g")},
        {"/g", file}},
       nullptr},
      {"301 and 303", {{"/d/a", to(301, "/h")}, {"/h", to(303, "/i")}, {"/i", file}}, nullptr},
      {"loop", {{"/d/a", to(302, "/j")}, {"/j", to(302, "/d/a")}}, "in a loop, back to"},
      {"six hops",
       {{"/d/a", to(302, "/1")},
        {"/1", to(302, "/2")},
        {"/2", to(302, "/3")},
        {"/3", to(302, "/4")},
        {"/4", to(302, "/5")},
        {"/5", to(302, "/6")}},
       "more than 5 times; the last address was "},
      {"no Location", {{"/d/a", to(302, "")}}, "without saying where to"},
      {"https", {{"/d/a", to(301, "https://127.0.0.1/a")}}, "only http addresses can be fetched, not https"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HttpConnections().Clear();
    peers_.clear();
    received_.clear();
    auto d = Start("/d/a");
    for (const auto& [target, answer] : c.exchange) {
      const int on = RequestOn(*d);
      ASSERT_GE(on, 0);
      if (c.oneConnection) EXPECT_EQ(on, 0) << target;
      EXPECT_EQ(request_.substr(0, request_.find(" HTTP/1.1\r\n")), "GET " + target);
      EXPECT_NE(request_.find("\r\nHost: 127.0.0.1:"), std::string::npos);
      peers_[size_t(on)]->Send(answer.data(), answer.size());
    }
    const int r = Settle(*d);
    if (!c.error) {
      EXPECT_EQ(r, kDownloadFinished) << d->ErrorString();
      EXPECT_EQ(ReadFileText(Dest()), "file");
    } else {
      EXPECT_EQ(r, kDownloadFailed);
      EXPECT_NE(std::string(d->ErrorString()).find(c.error), std::string::npos) << d->ErrorString();
      EXPECT_NE(std::string(d->ErrorString()).find(self + "/d/a"), std::string::npos) << d->ErrorString();
    }
    d->Reset(1);
  }
}

// A server that stops after its header, sends nothing at all, or trickles is
// given up once a minute brings less than the minimum rate; a slow but
// moving one is not. A cut-off body stays for the retry to resume.
TEST_F(ScriptedServer, AServerThatSendsTooSlowlyIsGivenUpAfterAMinute) {
  struct Case {
    const char* name;
    std::string header;
    size_t bytesEvery10s;
    bool givenUp;
  } cases[] = {
      {"no header", "", 0, true},
      {"stops after the header", "HTTP/1.1 200 OK\r\nContent-Length: 900000\r\nLast-Modified: D\r\n\r\n", 0, true},
      {"trickles", "HTTP/1.1 200 OK\r\nContent-Length: 900000\r\nLast-Modified: D\r\n\r\n", 1000, true},
      {"slow but moving", "HTTP/1.1 200 OK\r\nContent-Length: 900000\r\nLast-Modified: D\r\n\r\n", 12000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedManualClock clock(1000000000ull);
    ResetTimer();
    auto d = Start("/a");
    AcceptRequest(*d);
    Send(c.header);
    int r = Pump(*d), seconds = 0;
    for (; seconds < 130 && r == kDownloadFlowing; seconds += 10) {
      clock.Advance(10ull * 1000000000ull);
      if (c.bytesEvery10s) Send(std::string(c.bytesEvery10s, 'b'));
      r = Pump(*d);
    }
    EXPECT_EQ(r, c.givenUp ? kDownloadFailed : kDownloadFlowing) << seconds << " s: " << d->ErrorString();
    if (c.givenUp) {
      EXPECT_LE(seconds, 80);
      EXPECT_EQ(std::string(d->ErrorString()).rfind("The server is sending too slowly", 0), 0u) << d->ErrorString();
    }
    d->Reset(1);
    peer_.reset();
    clock.Restore();
    ResetTimer();
  }
  // What arrived is resumed by the retry.
  auto d = Start("/a");
  EXPECT_NE(AcceptRequest(*d).find("\r\nRange: bytes="), std::string::npos);
}
