// The datagram sibling TCPConnection: UDP datagrams between two sockets on
// 127.0.0.1, broadcasts on the loopback network, and the size limit.
#include <gtest/gtest.h>
#include <poll.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "foundation/log.h"
#include "support/files.h"
#include "support/temp_dir.h"
#include "transport/udp_connection.h"

namespace {
using Bytes = std::vector<unsigned char>;
const NodeAddress kLoopback = NodeAddress::FromBytes(127, 0, 0, 1);

// The next datagram c receives within waitMs, as bytes; empty optional when none.
std::optional<Bytes> Next(TCPConnection& c, NodeAddress* from = nullptr, int waitMs = 1000) {
  for (int i = 0; i < waitMs / 10; i++) {
    NodeAddress sender{};
    if (void* data = c.ReceiveDatagram(sender, 0)) {
      if (from) *from = sender;
      const unsigned char* b = static_cast<unsigned char*>(data);
      return Bytes(b, b + c.last_length);
    }
    pollfd p = {int(c.socket) - 1, POLLIN, 0};
    poll(&p, 1, 10);
  }
  return std::nullopt;
}
}  // namespace

TEST(UdpConnection, DatagramsArriveWholeWithTheirSender) {
  TCPConnection a(0), b(0);
  ASSERT_TRUE(a && b);
  EXPECT_TRUE(a.flags & sockflags_connected);
  ASSERT_NE(a.LocalPort(), b.LocalPort());
  EXPECT_EQ(a.remote_port, a.LocalPort()) << "peers share a port unless told otherwise";
  a.remote_port = b.LocalPort();
  NodeAddress none{};
  EXPECT_EQ(b.ReceiveDatagram(none, 0), nullptr) << "nothing waiting";
  std::vector<Bytes> sent;
  for (size_t n : {0, 1, 12, 1400, 9000, 65507}) {
    Bytes d(n);
    for (size_t i = 0; i < n; i++) d[i] = static_cast<unsigned char>(i * 7 + n);
    sent.push_back(d);
    ASSERT_EQ(a.SendDatagram(d.data(), static_cast<unsigned>(n), kLoopback), 1) << n;
  }
  for (const Bytes& d : sent) {
    NodeAddress from{};
    std::optional<Bytes> got = Next(b, &from);
    ASSERT_TRUE(got) << d.size();
    EXPECT_EQ(*got, d);
    EXPECT_EQ(from, kLoopback);
    EXPECT_EQ(b.last_sender_port, a.LocalPort());
  }
  EXPECT_FALSE(Next(b, nullptr, 100)) << "one datagram per send";
  EXPECT_FALSE(b.flags & sockflags_fatal_error);
}

TEST(UdpConnection, OversizedDatagramIsRefusedWithALog) {
  TempDir dir;
  setenv("LOGFILENAME", (dir / "udp.log").c_str(), 1);
  ResetLogForTests();
  LogEnabled = 1;
  TCPConnection a(0), b(0);
  a.remote_port = b.LocalPort();
  Bytes big(kMaxUdpDatagram + 1, 1);
  EXPECT_EQ(a.SendDatagram(big.data(), static_cast<unsigned>(big.size()), kLoopback), 0);
  EXPECT_EQ(a.BroadcastDatagram(big.data(), static_cast<unsigned>(big.size())), 0);
  LogEnabled = 0;
  ResetLogForTests();
  unsetenv("LOGFILENAME");
  EXPECT_NE(ReadFileText(dir / "udp.log").find("pkt too large"), std::string::npos);
  EXPECT_FALSE(Next(b, nullptr, 100)) << "nothing was sent";
}

TEST(UdpConnection, BroadcastReachesListenersOnTheBroadcastAddress) {
  NodeAddress saved = UdpBroadcastAddress;
  UdpBroadcastAddress = NodeAddress::FromBytes(127, 255, 255, 255);
  TCPConnection a(0), b(0);
  a.remote_port = b.LocalPort();
  const char text[] = "anyone there?";
  EXPECT_EQ(a.BroadcastDatagram(text, sizeof text), 1);
  std::optional<Bytes> got = Next(b);
  UdpBroadcastAddress = saved;
  ASSERT_TRUE(got);
  EXPECT_EQ(std::string(got->begin(), got->end()), std::string(text, sizeof text));
}

TEST(UdpConnection, PortInUseIsReportedNotFatal) {
  TCPConnection a(0);
  ASSERT_TRUE(a);
  TCPConnection b(a.LocalPort());
  EXPECT_FALSE(b);
  EXPECT_TRUE(b.flags & sockflags_bind_failed);
  EXPECT_EQ(b.SendDatagram("x", 1, kLoopback), 0);
  NodeAddress from{};
  EXPECT_EQ(b.ReceiveDatagram(from, 0), nullptr);
}
