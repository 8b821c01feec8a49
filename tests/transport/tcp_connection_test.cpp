#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "foundation/program_clock.h"
#include "support/fake_resolver.h"
#include "transport/real_tcp_connection.h"

namespace {
const NodeAddress kLoopback = NodeAddress::FromBytes(127, 0, 0, 1);

// Polls until pred holds or about two seconds pass.
template <typename Pred>
bool WaitFor(Pred pred) {
  for (int i = 0; i < 2000; ++i) {
    if (pred()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return pred();
}

// A connected pair over loopback: a listener, the client and the accepted side.
struct Pair {
  std::unique_ptr<RealTCPConnection> listener, client, server;
  Pair() {
    listener = std::make_unique<RealTCPConnection>(uint16_t(0));
    EXPECT_TRUE(listener->flags & sockflags_connected);
    client = std::make_unique<RealTCPConnection>(listener->LocalPort(), kLoopback, 0, 1);
    NodeAddress from{};
    EXPECT_TRUE(WaitFor([&] {
      client->TryToConnect();
      if (!server) server.reset(listener->Accept(&from));
      return server && (client->flags & sockflags_connected);
    }));
    EXPECT_EQ(from, kLoopback);
  }
};

std::string ReceiveAll(RealTCPConnection& c, size_t want) {
  std::string got;
  char buf[4096];
  WaitFor([&] {
    RealTCPConnection* list[1] = {&c};
    SelectSocket(list, 1, 5, 0, 0);
    long n;
    while ((n = c.Receive(buf, sizeof buf)) > 0) got.append(buf, size_t(n));
    return got.size() >= want || (c.flags & sockflags_fatal_error);
  });
  return got;
}
}  // namespace

// Literals are taken as they are; a name goes to the resolver once while it
// is asked for in a row, and a failed lookup leaves the cache alone.
TEST(NodeAddressLookup, LiteralsCacheAndFailures) {
  const NodeAddress system = GetAddressFromName("localhost");
  EXPECT_TRUE(system == kLoopback || system.ToText() == "::1") << system.ToText();

  ScopedResolver resolver({{"dual.test", {"::1", "127.0.0.1"}}});
  struct Case {
    const char* text;
    const char* literal;  // as ToText writes it; null: not a literal
  } cases[] = {
      {"10.20.30.40", "10.20.30.40"},
      {"::1", "::1"},
      {"[::1]", "::1"},
      {"2001:DB8:0:0:1:0:0:1", "2001:db8::1:0:0:1"},
      {"0:0:1:0:0:0:1:0", "0:0:1::1:0"},
      {"fe80:0:0:0:0:0:0:0", "fe80::"},
      {"1.2.3.256", nullptr},
      {"[::1", nullptr},
      {"[dual.test]", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    NodeAddress a{};
    ASSERT_EQ(ParseAddressLiteral(c.text, &a), c.literal != nullptr);
    if (!c.literal) continue;
    EXPECT_EQ(a.ToText(), c.literal);
    EXPECT_EQ(GetAddressesFromName(c.text), std::vector<NodeAddress>{a});
  }
  EXPECT_TRUE(resolver.asked().empty());
  EXPECT_EQ(LastName[0], '\0');  // literals are not cached

  const std::vector<NodeAddress> both = GetAddressesFromName("dual.test");
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[0].ToText(), "::1");  // the resolver's order stays
  EXPECT_EQ(both[1], kLoopback);
  EXPECT_EQ(GetAddressFromName("dual.test"), both[0]);
  EXPECT_EQ(resolver.asked().size(), 1u);  // the second came from the cache
  EXPECT_TRUE(GetAddressFromName("no-such-host.invalid").IsZero());
  EXPECT_TRUE(GetAddressFromName("").IsZero());
  EXPECT_EQ(GetAddressesFromName("dual.test"), both);
  EXPECT_EQ(resolver.asked().size(), 2u);
}

TEST(RealTCPConnectionTest, ConnectToClosedPortEndsFatal) {
  uint16_t port;
  {
    RealTCPConnection probe(uint16_t(0));
    port = probe.LocalPort();
  }
  RealTCPConnection c(port, kLoopback, 0, 1);
  EXPECT_TRUE(WaitFor([&] {
    c.TryToConnect();
    return (c.flags & sockflags_fatal_error) != 0;
  }));
  EXPECT_FALSE(c.flags & sockflags_connected);
  EXPECT_EQ(c.Send("x", 1), -1);
}

TEST(RealTCPConnectionTest, BlockingConnectReturnsConnected) {
  RealTCPConnection listener(uint16_t(0));
  RealTCPConnection c(listener.LocalPort(), kLoopback, 1, 1);
  EXPECT_TRUE(c.flags & sockflags_connected);
  EXPECT_GT(c.NNodeAddresses(), 0);
  EXPECT_EQ(c.MyNodeAddress(c.NNodeAddresses() - 1).bytes[0], 127);  // loopback comes last
}

TEST(RealTCPConnectionTest, BytesFlowBothWaysAndLargeSendsArriveWhole) {
  Pair p;
  ASSERT_TRUE(p.server);
  EXPECT_EQ(p.client->Send("ping", 4), 4);
  EXPECT_EQ(ReceiveAll(*p.server, 4), "ping");

  // More than the socket buffers hold: Send waits for the reader.
  std::string big(8 << 20, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = char(i * 7 + (i >> 13));
  std::string got;
  std::thread reader([&] { got = ReceiveAll(*p.client, big.size()); });
  EXPECT_EQ(p.server->Send(big.data(), big.size()), long(big.size()));
  reader.join();
  EXPECT_TRUE(got == big);
  EXPECT_EQ(p.server->bytes_sent, big.size());
  EXPECT_EQ(p.client->bytes_received, big.size() + 0);
}

TEST(RealTCPConnectionTest, PeerCloseAfterDataDeliversDataThenFatal) {
  Pair p;
  ASSERT_TRUE(p.server);
  p.server->Send("last words", 10);
  p.server.reset();
  char buf[64];
  RealTCPConnection* list[1] = {p.client.get()};
  ASSERT_TRUE(WaitFor([&] { return SelectSocket(list, 1, -1, 0, 0) > 0; }));
  EXPECT_TRUE(p.client->flags & sockflags_readable);
  EXPECT_EQ(p.client->Receive(buf, sizeof buf), 10);
  EXPECT_EQ(std::string(buf, 10), "last words");
  EXPECT_FALSE(p.client->flags & sockflags_readable);
  EXPECT_FALSE(p.client->flags & sockflags_fatal_error);
  ASSERT_TRUE(WaitFor([&] { return SelectSocket(list, 1, -1, 0, 0) > 0; }));
  EXPECT_EQ(p.client->Receive(buf, sizeof buf), 0);
  EXPECT_TRUE(p.client->flags & sockflags_fatal_error);
  // A broken connection no longer takes part in polls.
  EXPECT_EQ(SelectSocket(list, 1, -1, 0, 0), 0);
}

TEST(RealTCPConnectionTest, PollsWithoutWaitingAndAcceptsNothingWhenNobodyCalls) {
  int before = CountSocketConnections();
  {
    Pair p;
    ASSERT_TRUE(p.server);
    RealTCPConnection* list[2] = {p.client.get(), p.server.get()};
    EXPECT_EQ(SelectSocket(list, 2, -1, 0, 0), 0);
    EXPECT_FALSE(p.client->flags & sockflags_readable);
    char buf[8];
    EXPECT_EQ(p.client->Receive(buf, sizeof buf), 0);
    EXPECT_FALSE(p.client->flags & sockflags_fatal_error);
    NodeAddress from{};
    EXPECT_EQ(p.listener->Accept(&from), nullptr);
    // The listener is readable once a client waits.
    RealTCPConnection extra(p.listener->LocalPort(), kLoopback, 1, 1);
    RealTCPConnection* l[1] = {p.listener.get()};
    EXPECT_EQ(SelectSocket(l, 1, 1000, 0, 0), 1);
    std::unique_ptr<RealTCPConnection> second(p.listener->Accept(&from));
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(CountSocketConnections(), before + 5);
  }
  EXPECT_EQ(CountSocketConnections(), before);
}

// With nothing that qualifies (no socket, a broken one) and no extra socket,
// given as 0 or as -1, the poll reports 0 at once instead of waiting out its
// time-out on nothing.
TEST(RealTCPConnectionTest, PollWithNothingToWatchReturnsAtOnce) {
  RealTCPConnection none;
  Pair p;
  ASSERT_TRUE(p.server);
  p.server->flags |= sockflags_fatal_error;
  RealTCPConnection* list[2] = {&none, p.server.get()};
  for (PlatSocket extra : {PlatSocket(0), PlatSocket(-1)}) {
    SCOPED_TRACE(extra);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SelectSocket(list, 2, 3000, extra, 0), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  }
}
