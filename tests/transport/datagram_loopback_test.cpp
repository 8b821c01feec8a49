// Datagrams between real connections on 127.0.0.1: key agreement, packets of
// many sizes both ways with and without compression, frames delivered whole,
// byte by byte and in random chunks through a relay, and broken frames.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "foundation/log.h"
#include "foundation/random.h"
#include "support/fatal.h"
#include "support/files.h"
#include "support/temp_dir.h"
#include "transport/datagram_framing.h"
#include "transport/real_tcp_connection.h"

namespace {
using Bytes = std::vector<unsigned char>;
const NodeAddress kLoopback = NodeAddress::FromBytes(127, 0, 0, 1);
constexpr int kCapacity = 65535;

Bytes RandomBytes(size_t n, std::mt19937& rng) {
  Bytes b(n);
  for (auto& c : b) c = static_cast<unsigned char>(rng());
  return b;
}

// Noise, or text-like data LZS can shrink.
Bytes Payload(size_t n, std::mt19937& rng) {
  Bytes b = RandomBytes(n, rng);
  if (rng() % 2)
    for (size_t i = 0; i < n; i++) b[i] = "the quick brown fox "[(i + rng() % 3) % 20];
  return b;
}

Bytes MakePacket(const Bytes& payload, unsigned type) {
  Bytes p(kPacketHeaderSize + payload.size(), 0);
  Packet* packet = reinterpret_cast<Packet*>(p.data());
  packet->RoutingType = 3;
  packet->SetType(type);
  if (!payload.empty()) memcpy(packet->Payload(), payload.data(), payload.size());
  return p;
}

Packet* AsPacket(Bytes& b) { return reinterpret_cast<Packet*>(b.data()); }

// Waits (polling the socket) until c has something to read or ms pass.
void WaitReadable(RealTCPConnection& c, int ms) {
  PlatPollItem item = {c.socket, true, false, false, false, false};
  PlatSocketPoll(&item, 1, ms);
}

// The next packet c completes, or null once two seconds pass or c breaks.
Packet* WaitForPacket(RealTCPConnection& c) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (std::chrono::steady_clock::now() < end) {
    if (Packet* p = c.ReceiveDatagram()) return p;
    if (c.flags & sockflags_fatal_error) return nullptr;
    WaitReadable(c, 20);
  }
  return nullptr;
}

// A listener and connected client/server pairs made from it.
struct Endpoints {
  std::unique_ptr<RealTCPConnection> listener = std::make_unique<RealTCPConnection>(uint16_t(0));

  // A connected (client, accepted) pair.
  std::pair<std::unique_ptr<RealTCPConnection>, std::unique_ptr<RealTCPConnection>> Connect() {
    auto client = std::make_unique<RealTCPConnection>(listener->LocalPort(), kLoopback, 1, 1);
    EXPECT_TRUE(client->flags & sockflags_connected);
    std::unique_ptr<RealTCPConnection> server;
    NodeAddress from{};
    for (int i = 0; i < 2000 && !server; i++) {
      server.reset(listener->Accept(&from));
      if (!server) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(server);
    return {std::move(client), std::move(server)};
  }
};

// Two connections talking directly.
struct DirectPair {
  Endpoints ends;
  std::unique_ptr<RealTCPConnection> a, b;
  DirectPair() {
    std::tie(a, b) = ends.Connect();
    a->SetPacketBuffered(kCapacity);
    b->SetPacketBuffered(kCapacity);
  }
  // A sends its key; B answers on receiving it; A finishes on B's key.
  void AgreeKey() {
    ASSERT_EQ(a->GenerateKey(nullptr), 1);
    Packet* p = WaitForPacket(*b);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Type(), kKeyPacketType);
    EXPECT_TRUE(b->datagrams.Encrypted());
    p = WaitForPacket(*a);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Type(), kKeyPacketType);
    ASSERT_TRUE(a->datagrams.Encrypted());
    EXPECT_TRUE(a->flags & sockflags_key_sent);
    EXPECT_TRUE(b->flags & sockflags_key_sent);
  }
};

// Checks a received packet against what was sent. Compressed packets come
// back exactly; uncompressed encrypted ones keep the cipher's zero padding.
void ExpectRestored(const Packet* got, const Bytes& sent, bool compressed, const std::string& what) {
  ASSERT_TRUE(got) << what;
  size_t body = sent.size() - 8;
  size_t expected = compressed ? sent.size() : 8 + (body / 16 + 1) * 16;
  ASSERT_EQ(got->Size(), expected) << what;
  EXPECT_EQ(got->Type(), reinterpret_cast<const Packet*>(sent.data())->Type()) << what;
  EXPECT_EQ(memcmp(got->Bytes() + 8, sent.data() + 8, body), 0) << what;
  for (size_t i = sent.size(); i < expected; i++) ASSERT_EQ(got->Bytes()[i], 0) << what;
}

// The log, written to a file of a temporary directory while alive.
class LogCapture {
 public:
  LogCapture() {
    setenv("LOGFILENAME", (dir_ / "datagram.log").c_str(), 1);
    ResetLogForTests();
    LogEnabled = 1;
  }
  ~LogCapture() {
    LogEnabled = 0;
    ResetLogForTests();
    unsetenv("LOGFILENAME");
  }
  std::string Text() { return ReadFileText(dir_ / "datagram.log"); }

 private:
  TempDir dir_;
};

}  // namespace

class DatagramSizes : public testing::TestWithParam<bool> {};

TEST_P(DatagramSizes, KeyedPairExchangesPacketsOfManySizesBothWays) {
  const bool compress = GetParam();
  DirectPair pair;
  ASSERT_NO_FATAL_FAILURE(pair.AgreeKey());
  if (compress) {
    pair.a->flags |= sockflags_compress_out | sockflags_compressed_in;
    pair.b->flags |= sockflags_compress_out | sockflags_compressed_in;
  }
  std::vector<size_t> sizes;
  for (size_t n = 0; n <= 40; n++) sizes.push_back(n);
  for (size_t n : {100, 255, 256, 1000, 1024, 1500, 2047, 4000, 4096, 5000, 8191, 16000}) sizes.push_back(n);
  std::mt19937 rng(compress ? 11 : 12);
  unsigned type = 1;
  // Batches of several packets in flight, so frames follow each other in
  // the stream and must be cut at their boundaries.
  for (size_t start = 0; start < sizes.size(); start += 6) {
    for (int dir = 0; dir < 2; dir++) {
      RealTCPConnection& from = dir ? *pair.b : *pair.a;
      RealTCPConnection& to = dir ? *pair.a : *pair.b;
      std::vector<Bytes> sent;
      for (size_t i = start; i < sizes.size() && i < start + 6; i++) {
        sent.push_back(MakePacket(Payload(sizes[i], rng), type++));
        ASSERT_EQ(from.SendDatagram(AsPacket(sent.back()), static_cast<unsigned>(sent.back().size())), 1);
      }
      for (const Bytes& s : sent)
        ExpectRestored(WaitForPacket(to), s, compress, std::to_string(s.size() - 12) + " payload bytes");
    }
  }
  EXPECT_FALSE(pair.a->flags & sockflags_fatal_error);
  EXPECT_FALSE(pair.b->flags & sockflags_fatal_error);
  EXPECT_EQ(pair.a->SentRemainingData(), 1);
}

INSTANTIATE_TEST_SUITE_P(CompressionOffAndOn, DatagramSizes, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& i) { return i.param ? "Compressed" : "Plain"; });

// A (client) -> X (accepted) | test relay | Y (client) -> B (accepted), so
// the test sees and shapes every byte between A and B.
struct Relay {
  Endpoints ends;
  std::unique_ptr<RealTCPConnection> a, x, y, b;
  Relay(int capacity = kCapacity) {
    std::tie(a, x) = ends.Connect();
    std::tie(y, b) = ends.Connect();
    a->SetPacketBuffered(capacity);
    b->SetPacketBuffered(capacity);
  }

  // Everything `from` has sent so far, as read at its relay end.
  static Bytes Take(RealTCPConnection& from, RealTCPConnection& relayEnd) {
    Bytes got;
    unsigned char buf[8192];
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (relayEnd.bytes_received < from.bytes_sent && std::chrono::steady_clock::now() < end) {
      long n = relayEnd.Receive(buf, sizeof buf);
      if (n > 0) got.insert(got.end(), buf, buf + n);
      else WaitReadable(relayEnd, 20);
    }
    EXPECT_EQ(relayEnd.bytes_received, from.bytes_sent);
    return got;
  }

  // Sends bytes on to `to` in chunks of the sizes chunk() gives, and after
  // each chunk lets `to` read all of it. Returns the packets completed, with
  // the stream offset (from the start of bytes) at which each completed.
  struct Delivered {
    std::vector<Bytes> packets;
    std::vector<size_t> endOffsets;
  };
  template <typename Chunker>
  static Delivered Deliver(const Bytes& bytes, RealTCPConnection& relayEnd, RealTCPConnection& to, Chunker chunk) {
    Delivered out;
    unsigned long base = to.bytes_received;
    size_t done = 0;
    while (done < bytes.size()) {
      size_t n = std::min(chunk(), bytes.size() - done);
      EXPECT_EQ(relayEnd.Send(bytes.data() + done, n), static_cast<long>(n));
      done += n;
      auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
      for (;;) {
        if (Packet* p = to.ReceiveDatagram()) {
          out.packets.emplace_back(p->Bytes(), p->Bytes() + p->Size());
          out.endOffsets.push_back(to.bytes_received - base);
          continue;
        }
        if (to.bytes_received - base == done || (to.flags & sockflags_fatal_error)) break;
        if (std::chrono::steady_clock::now() > end) {
          ADD_FAILURE() << "receiver stalled at " << to.bytes_received - base << " of " << done;
          return out;
        }
        WaitReadable(to, 20);
      }
    }
    return out;
  }

  // Where each frame of a stream ends (from the 2-byte length prefixes).
  static std::vector<size_t> FrameEnds(const Bytes& stream) {
    std::vector<size_t> ends;
    size_t at = 0;
    while (at + 2 <= stream.size()) {
      at += stream[at] | stream[at + 1] << 8;
      ends.push_back(at);
    }
    EXPECT_EQ(at, stream.size());
    return ends;
  }

  void AgreeKey(Bytes* keyOfA = nullptr, Bytes* keyOfB = nullptr) {
    ASSERT_EQ(a->GenerateKey(nullptr), 1);
    Bytes fromA = Take(*a, *x);
    ASSERT_EQ(fromA.size(), kKeyPacketSize);
    auto one = [] { return size_t(1) << 20; };
    ASSERT_EQ(Deliver(fromA, *y, *b, one).packets.size(), 1u);
    Bytes fromB = Take(*b, *y);
    ASSERT_EQ(fromB.size(), kKeyPacketSize);
    ASSERT_EQ(Deliver(fromB, *x, *a, one).packets.size(), 1u);
    ASSERT_TRUE(a->datagrams.Encrypted() && b->datagrams.Encrypted());
    if (keyOfA) *keyOfA = fromA;
    if (keyOfB) *keyOfB = fromB;
  }
};

class DatagramChunks : public testing::TestWithParam<std::tuple<bool, int>> {};

TEST_P(DatagramChunks, FramesAssembleAcrossAnyReceivePattern) {
  const bool compress = std::get<0>(GetParam());
  const int pattern = std::get<1>(GetParam());  // 0 whole, 1 byte by byte, 2 random chunks
  Relay r;
  ASSERT_NO_FATAL_FAILURE(r.AgreeKey());
  if (compress) {
    r.a->flags |= sockflags_compress_out;
    r.b->flags |= sockflags_compressed_in;
  }
  std::mt19937 rng(100 + pattern + 10 * compress);
  std::vector<Bytes> sent;
  for (size_t n : {0, 1, 5, 16, 17, 200, 1000, 3000, 6000}) {
    sent.push_back(MakePacket(Payload(n, rng), static_cast<unsigned>(n + 1)));
    ASSERT_EQ(r.a->SendDatagram(AsPacket(sent.back()), static_cast<unsigned>(sent.back().size())), 1);
  }
  Bytes stream = Relay::Take(*r.a, *r.x);
  std::vector<size_t> ends = Relay::FrameEnds(stream);
  ASSERT_EQ(ends.size(), sent.size());
  std::mt19937 chunks(7);
  auto chunker = [&]() -> size_t {
    if (pattern == 0) return stream.size();
    if (pattern == 1) return 1;
    return 1 + chunks() % 700;
  };
  Relay::Delivered got = Relay::Deliver(stream, *r.y, *r.b, chunker);
  ASSERT_EQ(got.packets.size(), sent.size());
  // Each packet appears exactly when the last byte of its frame is in.
  EXPECT_EQ(got.endOffsets, ends);
  for (size_t i = 0; i < sent.size(); i++)
    ExpectRestored(reinterpret_cast<Packet*>(got.packets[i].data()), sent[i], compress, std::to_string(i));
  EXPECT_FALSE(r.b->flags & sockflags_fatal_error);
}

namespace {
std::string PatternName(const testing::TestParamInfo<std::tuple<bool, int>>& i) {
  static const char* names[] = {"Whole", "ByteByByte", "RandomChunks"};
  return std::string(std::get<0>(i.param) ? "Compressed" : "Plain") + names[std::get<1>(i.param)];
}
}  // namespace

INSTANTIATE_TEST_SUITE_P(Patterns, DatagramChunks, testing::Combine(testing::Bool(), testing::Values(0, 1, 2)),
                         PatternName);

TEST(DatagramLoopback, KeyPacketsCarryFreshPublicValuesEveryRun) {
  Bytes a1, b1, a2, b2;
  // Each exchange starts from the program generator's start-up state, as
  // every run of the program does: key material drawn from it would repeat.
  {
    Randomize(0x1234567);
    Relay r;
    ASSERT_NO_FATAL_FAILURE(r.AgreeKey(&a1, &b1));
  }
  {
    Randomize(0x1234567);
    Relay r;
    ASSERT_NO_FATAL_FAILURE(r.AgreeKey(&a2, &b2));
  }
  // Plain key packets: SizeBuf 4112, type 0xFFFF, 24 digit bytes.
  const EncryptionKeyPacket* k = reinterpret_cast<const EncryptionKeyPacket*>(a1.data());
  EXPECT_EQ(k->header.Size(), kKeyPacketSize);
  EXPECT_EQ(k->header.Type(), kKeyPacketType);
  EXPECT_EQ(k->DigitBytes(), 24u);
  // Private exponents come from the system's random source: no two sides,
  // in this run or another connection, share a public value.
  EXPECT_NE(a1, b1);
  EXPECT_NE(a1, a2);
  EXPECT_NE(b1, b2);
}

TEST(DatagramLoopback, PlainPacketsTravelAsTheyAreBeforeAKey) {
  Relay r;
  Bytes packet = MakePacket(Bytes{1, 2, 3, 0, 5}, 42);
  packet[2] = 9, packet[5] = 7;  // header bytes travel in plain mode
  ASSERT_EQ(r.a->SendDatagram(AsPacket(packet), static_cast<unsigned>(packet.size())), 1);
  EXPECT_EQ(AsPacket(packet)->Size(), packet.size()) << "SizeBuf is set from the length";
  Bytes stream = Relay::Take(*r.a, *r.x);
  EXPECT_EQ(stream, packet);
  Relay::Delivered got = Relay::Deliver(stream, *r.y, *r.b, [] { return size_t(3); });
  ASSERT_EQ(got.packets.size(), 1u);
  EXPECT_EQ(got.packets[0], packet);
  EXPECT_FALSE(r.b->datagrams.Encrypted());
}

TEST(DatagramLoopback, EmptyPacketMakesAnEighteenByteFrame) {
  Relay r;
  ASSERT_NO_FATAL_FAILURE(r.AgreeKey());
  Bytes packet = MakePacket({}, 5);
  ASSERT_EQ(r.a->SendDatagram(AsPacket(packet), 12), 1);
  Bytes stream = Relay::Take(*r.a, *r.x);
  ASSERT_EQ(stream.size(), 18u);
  EXPECT_EQ(stream[0], 18);
  EXPECT_EQ(stream[1], 0);
  Relay::Delivered got = Relay::Deliver(stream, *r.y, *r.b, [] { return size_t(100); });
  ASSERT_EQ(got.packets.size(), 1u);
  const Packet* p = reinterpret_cast<const Packet*>(got.packets[0].data());
  EXPECT_EQ(p->Size(), 24u);  // 8 + the 16 decrypted bytes, padding included
  EXPECT_EQ(p->Type(), 5u);
}

// With a key both ends know, the relay can read and rewrite frames.
struct KnownKeyRelay : Relay {
  unsigned char key[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};
  Rijndael enc, dec;
  KnownKeyRelay(int capacity = kCapacity) : Relay(capacity) {
    EXPECT_EQ(a->InitEncryption(key, 16), 1);
    EXPECT_EQ(b->InitEncryption(key, 16), 1);
    enc.init(Rijndael::ECB, Rijndael::Encrypt, key, 16);
    dec.init(Rijndael::ECB, Rijndael::Decrypt, key, 16);
  }
  Bytes Plaintext(const Bytes& frame) {
    Bytes plain(frame.size() - 2);
    EXPECT_EQ(dec.blockDecrypt(frame.data() + 2, static_cast<int>(plain.size()), plain.data()),
              static_cast<int>(plain.size()));
    return plain;
  }
  void Reencrypt(Bytes& frame, const Bytes& plain) {
    enc.blockEncrypt(plain.data(), static_cast<int>(plain.size()), frame.data() + 2);
  }
};

// Installing a key from another thread while the receiving thread decrypts
// must not pull the key out from under a frame (run under the address
// sanitizer, the old key's use after it was freed shows here).
TEST(DatagramLoopback, RekeyingFromAnotherThreadWhileReceiving) {
  DirectPair pair;
  const unsigned char key[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  ASSERT_EQ(pair.a->InitEncryption(key, 16), 1);
  ASSERT_EQ(pair.b->InitEncryption(key, 16), 1);
  std::atomic<bool> done{false};
  std::thread rekey([&] {
    while (!done) pair.b->InitEncryption(key, 16);
  });
  std::mt19937 rng(7);
  int received = 0;
  for (int i = 0; i < 300; ++i) {
    Bytes packet = MakePacket(Payload(rng() % 2000, rng), 4);
    Bytes sent = packet;
    ASSERT_EQ(pair.a->SendDatagram(AsPacket(packet), unsigned(packet.size())), 1);
    Packet* got = WaitForPacket(*pair.b);
    if (!got) break;
    received += std::memcmp(got->Payload(), AsPacket(sent)->Payload(), sent.size() - kPacketHeaderSize) == 0;
  }
  done = true;
  rekey.join();
  EXPECT_EQ(received, 300);
}

TEST(DatagramLoopback, IncompressiblePacketGoesRawWithBit15AndArrivesUnchanged) {
  KnownKeyRelay r;
  r.a->flags |= sockflags_compress_out;
  r.b->flags |= sockflags_compressed_in;
  std::mt19937 rng(3);
  Bytes packet = MakePacket(RandomBytes(777, rng), 77);
  ASSERT_EQ(r.a->SendDatagram(AsPacket(packet), static_cast<unsigned>(packet.size())), 1);
  Bytes frame = Relay::Take(*r.a, *r.x);
  Bytes plain = r.Plaintext(frame);
  EXPECT_EQ(plain[0] | plain[1] << 8, static_cast<int>((packet.size() - 8) | 0x8000));
  Relay::Delivered got = Relay::Deliver(frame, *r.y, *r.b, [] { return size_t(64); });
  ASSERT_EQ(got.packets.size(), 1u);
  ExpectRestored(reinterpret_cast<Packet*>(got.packets[0].data()), packet, true, "raw");
}

TEST(DatagramLoopback, FlippedPayloadByteFailsTheChecksumAndBreaksTheConnection) {
  LogCapture log;
  KnownKeyRelay r;
  Bytes packet = MakePacket(Bytes(40, 'k'), 1234);
  ASSERT_EQ(r.a->SendDatagram(AsPacket(packet), static_cast<unsigned>(packet.size())), 1);
  Bytes frame = Relay::Take(*r.a, *r.x);
  Bytes plain = r.Plaintext(frame);
  plain[4 + 39] ^= 0x01;  // the last payload byte: 'k' becomes 'j'
  r.Reencrypt(frame, plain);
  Relay::Delivered got = Relay::Deliver(frame, *r.y, *r.b, [] { return size_t(1000); });
  EXPECT_TRUE(got.packets.empty());
  EXPECT_TRUE(r.b->flags & sockflags_fatal_error);
  EXPECT_EQ(r.b->ReceiveDatagram(), nullptr);
  std::string text = log.Text();
  EXPECT_NE(text.find("ERROR: packet checksum failed, pktln=" + std::to_string(8 + 48)), std::string::npos) << text;
  EXPECT_NE(text.find("p->PktType = 1234"), std::string::npos) << text;
  EXPECT_NE(text.find("p->SizeBuf[0] = "), std::string::npos) << text;
  EXPECT_NE(text.find("p->SizeBuf[1] = "), std::string::npos) << text;
  EXPECT_NE(text.find("p->RoutingType = "), std::string::npos) << text;
}

TEST(DatagramLoopback, OversizedFrameBreaksTheConnectionUnread) {
  // 1003 payload bytes: 1007 plaintext bytes, 1008 cipher bytes, a 1010-byte frame.
  for (int capacity : {1010, 1009}) {
    KnownKeyRelay r(capacity);
    Bytes packet = MakePacket(Bytes(1003, 'o'), 9);
    ASSERT_EQ(r.a->SendDatagram(AsPacket(packet), static_cast<unsigned>(packet.size())), 1);
    Bytes frame = Relay::Take(*r.a, *r.x);
    ASSERT_EQ(frame.size(), 1010u);
    unsigned long before = r.b->bytes_received;
    Relay::Delivered got = Relay::Deliver(frame, *r.y, *r.b, [] { return size_t(4096); });
    if (capacity == 1010) {
      EXPECT_EQ(got.packets.size(), 1u) << "a frame of exactly the capacity is taken";
      EXPECT_FALSE(r.b->flags & sockflags_fatal_error);
      continue;
    }
    EXPECT_TRUE(got.packets.empty());
    EXPECT_TRUE(r.b->flags & sockflags_fatal_error);
    EXPECT_EQ(r.b->bytes_received - before, 2u) << "only the length prefix was read";
  }
}

TEST(DatagramLoopback, BrokenFramesBreakTheConnection) {
  LogCapture log;
  {
    // Ciphertext that is not a whole number of blocks.
    KnownKeyRelay r;
    Bytes frame = {21, 0};
    frame.resize(21, 0x33);
    Relay::Deliver(frame, *r.y, *r.b, [] { return size_t(100); });
    EXPECT_TRUE(r.b->flags & sockflags_fatal_error);
    EXPECT_NE(log.Text().find("padDecrypt error -5"), std::string::npos);
  }
  {
    // A length prefix too short to be a frame.
    Relay r;
    Bytes frame = {1, 0, 0, 0};
    Relay::Deliver(frame, *r.y, *r.b, [] { return size_t(100); });
    EXPECT_TRUE(r.b->flags & sockflags_fatal_error);
  }
  {
    // A key packet carrying a degenerate public value (1): refused.
    Relay r;
    Bytes key(kKeyPacketSize, 0);
    EncryptionKeyPacket* k = reinterpret_cast<EncryptionKeyPacket*>(key.data());
    k->header.SetSize(kKeyPacketSize);
    k->header.SetType(kKeyPacketType);
    k->Digits[0] = 1;
    k->SetDigitBytes(24);
    Relay::Deliver(key, *r.y, *r.b, [] { return size_t(5000); });
    EXPECT_TRUE(r.b->flags & sockflags_fatal_error);
    EXPECT_FALSE(r.b->datagrams.Encrypted());
    EXPECT_NE(log.Text().find("bad key exchange packet"), std::string::npos);
    // A digit count beyond the packet's room is refused too.
    Relay r2;
    k->Digits[0] = 2;
    k->SetDigitBytes(5000);
    Relay::Deliver(key, *r2.y, *r2.b, [] { return size_t(5000); });
    EXPECT_TRUE(r2.b->flags & sockflags_fatal_error);
  }
}

TEST(DatagramLoopback, SendingWritesTheChecksumButSendCopyLeavesThePacketAlone) {
  KnownKeyRelay r;
  Bytes packet = MakePacket(Bytes{4, 5, 6}, 7);
  Bytes original = packet;
  ASSERT_EQ(r.a->SendDatagramCopy(AsPacket(packet), static_cast<unsigned>(packet.size())), 1);
  EXPECT_EQ(packet, original);
  ASSERT_EQ(r.a->SendDatagram(AsPacket(packet), static_cast<unsigned>(packet.size())), 1);
  EXPECT_EQ(AsPacket(packet)->StoredChecksum(), PacketChecksum(packet.data(), packet.size()));
  Bytes stream = Relay::Take(*r.a, *r.x);
  Relay::Delivered got = Relay::Deliver(stream, *r.y, *r.b, [] { return size_t(7); });
  ASSERT_EQ(got.packets.size(), 2u);
  EXPECT_EQ(got.packets[0], got.packets[1]);
  // With sockflags_no_checksum the sender leaves offset 8 as it is; a zero
  // there no longer matches, which the receiver reports.
  r.a->flags |= sockflags_no_checksum;
  Bytes unsummed = original;
  ASSERT_EQ(r.a->SendDatagram(AsPacket(unsummed), static_cast<unsigned>(unsummed.size())), 1);
  EXPECT_EQ(AsPacket(unsummed)->StoredChecksum(), 0u);
  stream = Relay::Take(*r.a, *r.x);
  EXPECT_TRUE(Relay::Deliver(stream, *r.y, *r.b, [] { return size_t(100); }).packets.empty());
  EXPECT_TRUE(r.b->flags & sockflags_fatal_error);
}

TEST(DatagramLoopback, MisuseIsRefusedOrFatal) {
  Endpoints ends;
  std::unique_ptr<RealTCPConnection> a, b;
  std::tie(a, b) = ends.Connect();
  EXPECT_FATAL(b->ReceiveDatagram(), "not packet buffered socket!");
  Bytes tiny(11, 0);
  EXPECT_EQ(a->SendDatagram(AsPacket(tiny), 11), 0) << "shorter than a packet header";
  EXPECT_EQ(a->InitEncryption(tiny.data(), 15), 0) << "key shorter than 16 bytes";
  EXPECT_FALSE(a->datagrams.Encrypted());
  a->flags |= sockflags_fatal_error;
  Bytes packet = MakePacket({1}, 1);
  EXPECT_EQ(a->SendDatagram(AsPacket(packet), 13), 0) << "broken connection";
}
