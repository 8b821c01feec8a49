// The session over a raw non-blocking socket whose send buffer fills up:
// partly sent frames are kept, later frames queue behind them, and
// everything arrives in order once the peer reads.
#include "transport/datagram_session.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "platform/sockets.h"
#include "transport/real_tcp_connection.h"

namespace {
using Bytes = std::vector<unsigned char>;

// The socket as the session's stream, sending only what the system takes now.
class RawStream : public DatagramTransport {
 public:
  explicit RawStream(PlatSocket s) : s_(s) {}
  long SendBytes(const unsigned char* data, unsigned long length) override {
    long n = PlatSocketSend(s_, data, length);
    if (n >= 0) return n;
    if (n == -kSockWouldBlock) return 0;
    flags_ |= sockflags_fatal_error;
    return -1;
  }
  long ReceiveBytes(unsigned char* buffer, unsigned long length) override {
    long n = PlatSocketReceive(s_, buffer, length);
    if (n > 0) return n;
    if (n != -kSockWouldBlock) flags_ |= sockflags_fatal_error;
    return 0;
  }
  unsigned& Flags() override { return flags_; }

 private:
  PlatSocket s_;
  unsigned flags_ = 0;
};

void SmallBuffers(PlatSocket s) {
  int size = 4096;
  setsockopt(int(s) - 1, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
  setsockopt(int(s) - 1, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}
}  // namespace

TEST(DatagramSession, PartlySentFramesAreKeptAndLaterFramesQueueBehind) {
  RealTCPConnection listener(uint16_t(0));
  RealTCPConnection client(listener.LocalPort(), NodeAddress::FromBytes(127, 0, 0, 1), 1, 1);
  std::unique_ptr<RealTCPConnection> server;
  NodeAddress from{};
  for (int i = 0; i < 2000 && !server; i++) {
    server.reset(listener.Accept(&from));
    if (!server) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(server);
  SmallBuffers(client.socket);
  SmallBuffers(server->socket);
  RawStream out(client.socket), in(server->socket);
  DatagramSession sender, receiver;
  unsigned char key[16] = {1, 2, 3};
  ASSERT_TRUE(sender.InitEncryption(key, 16));
  ASSERT_TRUE(receiver.InitEncryption(key, 16));
  receiver.SetPacketBuffered(65535);
  out.Flags() |= sockflags_compress_out;
  in.Flags() |= sockflags_compressed_in;

  std::mt19937 rng(5);
  std::vector<Bytes> sent;
  auto sendOne = [&](size_t payload) {
    Bytes p(12 + payload);
    for (size_t i = 12; i < p.size(); i++) p[i] = static_cast<unsigned char>(rng());
    reinterpret_cast<Packet*>(p.data())->SetType(static_cast<unsigned>(sent.size() + 1));
    sent.push_back(p);
    return sender.SendCopy(out, reinterpret_cast<Packet*>(p.data()), static_cast<unsigned>(p.size()));
  };
  // Fill the system's buffers until a frame is only partly taken.
  while (sender.PendingBytes() == 0 && sent.size() < 5000) ASSERT_EQ(sendOne(3000), 1);
  ASSERT_GT(sender.PendingBytes(), 0u);
  EXPECT_EQ(sender.SentRemainingData(out), 0) << "the peer has not read anything";
  size_t before = sender.PendingBytes();
  ASSERT_EQ(sendOne(100), 1);
  EXPECT_GT(sender.PendingBytes(), before) << "a new frame waits behind the pending one";

  size_t received = 0;
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (received < sent.size() && std::chrono::steady_clock::now() < end) {
    sender.SentRemainingData(out);
    while (Packet* p = receiver.Receive(in)) {
      ASSERT_LT(received, sent.size());
      const Bytes& s = sent[received];
      ASSERT_EQ(p->Size(), s.size()) << received;
      // From offset 10: the checksum was written into the sent copy only.
      ASSERT_EQ(memcmp(p->Bytes() + 10, s.data() + 10, s.size() - 10), 0) << received;
      received++;
    }
    ASSERT_FALSE(in.Flags() & sockflags_fatal_error);
  }
  EXPECT_EQ(received, sent.size());
  EXPECT_EQ(sender.SentRemainingData(out), 1);
  EXPECT_EQ(sender.PendingBytes(), 0u);

  // A broken stream drops what was pending and says so.
  while (sender.PendingBytes() == 0) ASSERT_EQ(sendOne(3000), 1);
  out.Flags() |= sockflags_fatal_error;
  EXPECT_EQ(sender.SentRemainingData(out), -1);
  EXPECT_EQ(sender.PendingBytes(), 0u);
  EXPECT_EQ(sendOne(10), 0);
}
