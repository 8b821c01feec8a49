// Dual stack on loopback: an IPv6 literal, a name with only an IPv6 address,
// a name whose IPv6 address refuses or never answers while its IPv4 address
// does, and a SOCKS server reached at an IPv6 literal.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "integration/download_helpers.h"
#include "support/fake_resolver.h"
#include "support/files.h"
#include "support/peers.h"
#include "support/temp_dir.h"
#include "transport/http_connection_pool.h"
#include "transport/http_download.h"
#include "transport/real_tcp_connection.h"
#include "transport/socks5.h"
#include "transport/transport_globals.h"

namespace {
// [::1]:port taking no connection: its one-place queue is filled, so every
// further connect waits, as to a server whose IPv6 route is lost.
class SilentIPv6Port {
 public:
  explicit SilentIPv6Port(uint16_t port) {
    sockaddr_in6 sa{};
    sa.sin6_family = AF_INET6;
    sa.sin6_port = htons(port);
    sa.sin6_addr = in6addr_loopback;
    listener_ = socket(AF_INET6, SOCK_STREAM, 0);
    filler_ = socket(AF_INET6, SOCK_STREAM, 0);
    ok_ = bind(listener_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 && listen(listener_, 0) == 0 &&
          connect(filler_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
  }
  ~SilentIPv6Port() {
    close(filler_);
    close(listener_);
  }
  bool ok() const { return ok_; }

 private:
  int listener_ = -1, filler_ = -1;
  bool ok_ = false;
};

long MsSince(std::chrono::steady_clock::time_point start) {
  return long(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}

class DualStack : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveIPv6Loopback()) GTEST_SKIP() << "this machine has no IPv6 loopback (::1) to listen on";
    WriteFileText(root_ / "f.txt", "over either family");
    ASSERT_EQ(v6_.Start(root_.path()), "");
    ASSERT_EQ(v4_.Start(root_.path()), "");
  }
  void TearDown() override { ResetTransportGlobals(); }
  TempDir root_;
  NginxPeer v6_{true}, v4_;
};
}  // namespace

TEST_F(DualStack, FilesComeOverEitherFamilyAndTheFirstToAnswerWins) {
  const std::string p6 = std::to_string(v6_.port()), p4 = std::to_string(v4_.port());
  const uint16_t closed = FreeLoopbackPort();
  ScopedResolver names({{"v6only.test", {"::1"}}, {"dual.test", {"::1", "127.0.0.1"}}});
  MicrosocksPeer socks;
  ASSERT_EQ(socks.Start(true), "");
  struct Case {
    const char* name;
    std::string url;
    std::string host;   // the Host line, or "" for a failure
    const char* error;  // alternatives apart by "|"
    bool silentIPv6 = false;
    uint16_t socksPort = 0;  // a SOCKS server at [::1] on this port
  } cases[] = {
      {"IPv6 literal", "http://[::1]:" + p6 + "/f.txt", "[::1]:" + p6, nullptr},
      {"a name with only an IPv6 address", "http://v6only.test:" + p6 + "/f.txt", "v6only.test:" + p6, nullptr},
      {"IPv6 refuses, IPv4 answers", "http://dual.test:" + p4 + "/f.txt", "dual.test:" + p4, nullptr},
      {"IPv6 never answers, IPv4 does", "http://dual.test:" + p4 + "/f.txt", "dual.test:" + p4, nullptr, true},
      {"through a SOCKS server at [::1]", "http://[::1]:" + p6 + "/f.txt", "[::1]:" + p6, nullptr, false, socks.port()},
      // The same without the SOCKS server: the setting is what carried it.
      {"SOCKS server gone", "http://[::1]:" + p6 + "/f.txt", "",
       "Server is unavailable.|Could not initialize a connection: Could not connect.", false, closed},
      {"no address", "http://none.test/f.txt", "", "Could not resolve server address http://none.test/f.txt"},
      // Refused at once or a moment later, as the system reports it.
      {"both refuse", "http://dual.test:" + std::to_string(closed) + "/f.txt", "",
       "Server is unavailable.|Could not initialize a connection: Could not connect."},
      {"IPv6 without brackets", "http://::1:" + p6 + "/f.txt", "", "Bad server address in URL http://::1:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir install;
    std::optional<SilentIPv6Port> silent;
    if (c.silentIPv6) {
      ASSERT_TRUE(silent.emplace(v4_.port()).ok());
    }
    HttpConnections().Clear();  // every row connects anew
    if (c.socksPort) SetSocksProxy("[::1]", c.socksPort);
    const auto start = std::chrono::steady_clock::now();
    const DownloadOutcome o = RunDownload(c.url, "f.txt", install.path() + "/");
    const long ms = MsSince(start);
    SetSocksProxy(nullptr, 0);
    if (c.error) {
      EXPECT_EQ(o.result, kDownloadFailed);
      const std::string texts = std::string("|") + c.error + "|";
      bool named = false;
      for (size_t at = 0, next; (next = texts.find('|', at + 1)) != std::string::npos; at = next)
        named = named || o.error.find(texts.substr(at + 1, next - at - 1)) != std::string::npos;
      EXPECT_TRUE(named) << o.error;
      EXPECT_TRUE(std::filesystem::is_empty(install.path()));
      continue;
    }
    EXPECT_EQ(o.result, kDownloadFinished) << o.error;
    EXPECT_EQ(ReadFileText(install / "f.txt"), "over either family");
    EXPECT_NE(o.request.find("\r\nHost: " + c.host + "\r\n"), std::string::npos) << o.request;
    // A refusal moves on at once; silence after the 250 ms head start.
    EXPECT_LT(ms, 500);
    if (c.silentIPv6) {
      EXPECT_GE(ms, kConnectionAttemptDelayMs);
    }
  }
}

// Waiting on the race's one handle alone is enough: it wakes when the IPv6
// attempt's head start is over, and again when the IPv4 attempt connects.
TEST_F(DualStack, TheRaceWakesItsWaiterForTheNextAttempt) {
  ScopedResolver names({{"dual.test", {"::1", "127.0.0.1"}}});
  SilentIPv6Port silent(v4_.port());
  ASSERT_TRUE(silent.ok());
  const auto start = std::chrono::steady_clock::now();
  RealTCPConnection c(v4_.port(), GetAddressesFromName("dual.test"), 0, 1);
  int waits = 0;
  while (c.Connecting() && waits < 5) {
    PlatPollItem item = {c.RaceWaitHandle(), true, false, false, false, false};
    PlatSocketPoll(&item, 1, 5000);
    ++waits;
    c.TryToConnect();
  }
  const long ms = MsSince(start);
  EXPECT_TRUE(c.flags & sockflags_connected);
  EXPECT_EQ(c.remote_address, NodeAddress::FromBytes(127, 0, 0, 1));
  EXPECT_LE(waits, 3);
  EXPECT_GE(ms, kConnectionAttemptDelayMs);
  EXPECT_LT(ms, 500);
}
