#include "transport/socks5.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "foundation/program_clock.h"
#include "support/manual_clock.h"
#include "transport/real_tcp_connection.h"
#include "transport/transport_globals.h"

namespace {
const NodeAddress kLoopback = NodeAddress::FromBytes(127, 0, 0, 1);
const NodeAddress kDestination = NodeAddress::FromBytes(10, 1, 2, 3);

using Bytes = std::vector<unsigned char>;

// A scripted SOCKS5 proxy: the test's own listener, driven step by step.
struct FakeProxy {
  RealTCPConnection listener{uint16_t(0)};
  std::unique_ptr<RealTCPConnection> peer;
  std::unique_ptr<RealTCPConnection> client;

  FakeProxy() { SetSocksProxy("127.0.0.1", listener.LocalPort()); }
  ~FakeProxy() { ResetTransportGlobals(); }

  // Drives the client until the proxy has received n bytes; returns them.
  Bytes Expect(size_t n) {
    Bytes got;
    for (int i = 0; i < 2000 && got.size() < n; ++i) {
      client->TryToConnect();
      NodeAddress from{};
      if (!peer) peer.reset(listener.Accept(&from));
      if (peer) {
        unsigned char buf[64];
        long r = peer->Receive(buf, sizeof buf);
        if (r > 0) got.insert(got.end(), buf, buf + r);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return got;
  }
  void Reply(const Bytes& b) { peer->Send(b.data(), b.size()); }
  // Drives the client until it is connected or broken.
  void Settle() {
    for (int i = 0; i < 2000 && !(client->flags & (sockflags_connected | sockflags_fatal_error)); ++i) {
      client->TryToConnect();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  void Start() { client = std::make_unique<RealTCPConnection>(8080, kDestination, 0); }
};

const Bytes kGreeting = {5, 1, 0};
const Bytes kConnect = {5, 1, 0, 1, 10, 1, 2, 3, 0x1F, 0x90};
}  // namespace

TEST(Socks5Codec, RequestBytesAndReplyLengths) {
  unsigned char g[kSocks5GreetingSize];
  Socks5Greeting(g);
  EXPECT_EQ(Bytes(g, g + 3), kGreeting);
  // IPv4 goes as address type 1, IPv6 as type 4.
  NodeAddress v6dest{};
  ASSERT_TRUE(ParseAddressLiteral("2001:db8::7", &v6dest));
  struct Request {
    NodeAddress to;
    Bytes bytes;
  } requests[] = {
      {kDestination, kConnect},
      {v6dest, {5, 1, 0, 4, 0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0x1F, 0x90}},
  };
  for (const Request& q : requests) {
    SCOPED_TRACE(q.to.ToText());
    unsigned char r[kSocks5ConnectRequestMaxSize];
    const int n = Socks5ConnectRequest(q.to, 8080, r);
    EXPECT_EQ(Bytes(r, r + n), q.bytes);
  }

  const unsigned char v4[] = {5, 0, 0, 1};
  const unsigned char name[] = {5, 0, 0, 3, 9};
  const unsigned char v6[] = {5, 0, 0, 4};
  const unsigned char bad[] = {5, 0, 0, 7};
  EXPECT_EQ(Socks5ReplyLength(v4, 3), 0);
  EXPECT_EQ(Socks5ReplyLength(v4, 4), 10);
  EXPECT_EQ(Socks5ReplyLength(name, 4), 0);
  EXPECT_EQ(Socks5ReplyLength(name, 5), 16);
  EXPECT_EQ(Socks5ReplyLength(v6, 4), 22);
  EXPECT_EQ(Socks5ReplyLength(bad, 4), -1);
}

TEST(Socks5Negotiation, ExactExchangeThenConnected) {
  FakeProxy proxy;
  proxy.Start();
  EXPECT_EQ(proxy.Expect(3), kGreeting);
  EXPECT_FALSE(proxy.client->flags & sockflags_connected);
  proxy.Reply({5, 0});
  EXPECT_EQ(proxy.Expect(10), kConnect);
  // The reply arrives in two pieces, with a name-type bound address.
  proxy.Reply({5, 0, 0});
  proxy.Expect(0);
  EXPECT_FALSE(proxy.client->flags & sockflags_connected);
  proxy.Reply({3, 3, 'a', 'b', 'c', 0, 80});
  proxy.Settle();
  EXPECT_TRUE(proxy.client->flags & sockflags_connected);
  EXPECT_FALSE(proxy.client->flags & sockflags_fatal_error);
  // The tunnel then carries the application's bytes unchanged.
  proxy.client->Send("GET", 3);
  Bytes after = proxy.Expect(3);
  EXPECT_EQ(std::string(after.begin(), after.end()), "GET");
}

// An IPv6 bound address (type 4, a 22-byte reply), with the first bytes of
// the tunnel right behind it, all arriving in random pieces: the reply is
// taken whole and nothing more, so the tunnel's bytes reach the application.
TEST(Socks5Negotiation, IPv6ReplyInRandomPiecesLeavesTheTunnelBytes) {
  const Bytes reply = {5, 0, 0, 4, 0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0x04, 0x38};
  ASSERT_EQ(reply.size(), 22u);
  const std::string tunnel = "HTTP/1.1 200 OK\r\n";
  for (unsigned seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    // Sends bytes in pieces of 1 to 5, letting the client take each one.
    auto feed = [&](FakeProxy& proxy, const Bytes& bytes) {
      for (size_t at = 0; at < bytes.size();) {
        size_t n = std::min(bytes.size() - at, size_t(std::uniform_int_distribution<int>(1, 5)(random)));
        proxy.Reply(Bytes(bytes.begin() + at, bytes.begin() + at + n));
        at += n;
        for (int i = 0; i < 3; ++i) {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
          proxy.client->TryToConnect();
        }
        EXPECT_FALSE(proxy.client->flags & sockflags_fatal_error) << "after " << at << " bytes";
      }
    };
    FakeProxy proxy;
    proxy.Start();
    ASSERT_EQ(proxy.Expect(3), kGreeting);
    feed(proxy, {5, 0});
    ASSERT_EQ(proxy.Expect(10), kConnect);
    Bytes rest = reply;
    rest.insert(rest.end(), tunnel.begin(), tunnel.end());
    feed(proxy, rest);
    proxy.Settle();
    ASSERT_TRUE(proxy.client->flags & sockflags_connected);
    EXPECT_FALSE(proxy.client->flags & sockflags_fatal_error);
    EXPECT_EQ(proxy.client->socks_state, kSocksDone);
    std::string got;
    char buf[64];
    for (int i = 0; i < 1000 && got.size() < tunnel.size(); ++i) {
      long n = proxy.client->Receive(buf, sizeof buf);
      if (n > 0) got.append(buf, size_t(n));
      else std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(got, tunnel);
  }
}

TEST(Socks5Negotiation, RefusalsBreakTheConnection) {
  struct Case {
    const char* what;
    Bytes method_reply;
    Bytes connect_reply;
  } cases[] = {
      {"no acceptable method", {5, 0xFF}, {}},
      {"asks for authentication", {5, 2}, {}},
      {"connect refused", {5, 0}, {5, 5, 0, 1, 0, 0, 0, 0, 0, 0}},
      {"unknown address type", {5, 0}, {5, 0, 0, 9, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeProxy proxy;
    proxy.Start();
    ASSERT_EQ(proxy.Expect(3), kGreeting);
    proxy.Reply(c.method_reply);
    if (!c.connect_reply.empty()) {
      ASSERT_EQ(proxy.Expect(10), kConnect);
      proxy.Reply(c.connect_reply);
    }
    proxy.Settle();
    EXPECT_EQ(proxy.client->flags & (sockflags_fatal_error | sockflags_connect_failed | sockflags_connected),
              sockflags_fatal_error | sockflags_connect_failed);
  }
}

TEST(Socks5Negotiation, ProxyThatClosesOrStallsFails) {
  {
    FakeProxy proxy;
    proxy.Start();
    ASSERT_EQ(proxy.Expect(3), kGreeting);
    proxy.peer.reset();
    proxy.Settle();
    EXPECT_TRUE(proxy.client->flags & sockflags_connect_failed);
  }
  {
    ScopedManualClock clock(1000000000ull);
    ResetTimer();
    FakeProxy proxy;
    proxy.Start();
    ASSERT_EQ(proxy.Expect(3), kGreeting);
    proxy.client->TryToConnect();
    EXPECT_FALSE(proxy.client->flags & sockflags_fatal_error);
    // 256 counts at 18 per second before SetTimerRate is about 14.2 s; move well past it.
    clock.Advance(uint64_t(300) * 1000000000ull / uint64_t(Second));
    proxy.client->TryToConnect();
    EXPECT_TRUE(proxy.client->flags & sockflags_connect_failed);
  }
}

TEST(Socks5Negotiation, BypassAndClearedProxyConnectDirectly) {
  RealTCPConnection target(uint16_t(0));
  FakeProxy proxy;
  RealTCPConnection bypass(target.LocalPort(), kLoopback, 1, 1);
  EXPECT_TRUE(bypass.flags & sockflags_connected);
  EXPECT_EQ(bypass.socks_state, kSocksDone);
  SetSocksProxy(nullptr, 0);
  EXPECT_FALSE(SocksProxyInUse());
  RealTCPConnection direct(target.LocalPort(), kLoopback, 1);
  EXPECT_TRUE(direct.flags & sockflags_connected);
  SetSocksProxy("no-such-host.invalid", 1080);
  EXPECT_FALSE(SocksProxyInUse());
}
