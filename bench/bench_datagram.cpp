// Datagram throughput for 1 KB packets (1024 bytes including the 12-byte
// header), with and without compression:
//  - Loopback: a keyed RealTCPConnection pair on 127.0.0.1, batches of 32
//    packets sent then received (framing, crypto, codec and the sockets);
//    also with TCP_NODELAY set on both sockets, for comparison.
//  - Codec: frame building and opening on bytes alone (no sockets).
// Items are packets; bytes are packet bytes (not frame bytes).
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "foundation/runtime.h"
#include "platform/sockets.h"
#include "transport/datagram_framing.h"
#include "transport/real_tcp_connection.h"

namespace {
using Bytes = std::vector<unsigned char>;
constexpr unsigned kPacketSize = 1024;
constexpr int kBatch = 32;

// Text-like content (compresses to roughly half) and noise (does not).
Bytes MakePacket(bool text, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes p(kPacketSize, 0);
  static const char* words[] = {"move ", "unit ", "17 ", "north ", "attack ", "tile ", "(3,4) ", "ok "};
  for (unsigned i = 12; i < kPacketSize;) {
    if (text) {
      const char* w = words[rng() % 8];
      for (; *w && i < kPacketSize; w++) p[i++] = static_cast<unsigned char>(*w);
    } else {
      p[i++] = static_cast<unsigned char>(rng());
    }
  }
  reinterpret_cast<Packet*>(p.data())->SetType(1);
  return p;
}

Packet* Wait(RealTCPConnection& c) {
  for (;;) {
    if (Packet* p = c.ReceiveDatagram()) return p;
    if (c.flags & sockflags_fatal_error) return nullptr;
    PlatPollItem item = {c.socket, true, false, false, false, false};
    PlatSocketPoll(&item, 1, 100);
  }
}

struct KeyedPair {
  std::unique_ptr<RealTCPConnection> listener, a, b;
  KeyedPair() {
    listener = std::make_unique<RealTCPConnection>(uint16_t(0));
    a = std::make_unique<RealTCPConnection>(listener->LocalPort(), NodeAddress::FromBytes(127, 0, 0, 1), 1, 1);
    NodeAddress from{};
    while (!b) {
      b.reset(listener->Accept(&from));
      if (!b) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    a->SetPacketBuffered(65535);
    b->SetPacketBuffered(65535);
    a->GenerateKey(nullptr);
    Wait(*b);
    Wait(*a);
  }
};

void BM_DatagramLoopback(benchmark::State& state) {
  const bool compress = state.range(0);
  const bool text = state.range(1);
  KeyedPair pair;
  if (!pair.a->datagrams.Encrypted() || !pair.b->datagrams.Encrypted()) {
    state.SkipWithError("no key agreed");
    return;
  }
  if (compress) {
    pair.a->flags |= sockflags_compress_out;
    pair.b->flags |= sockflags_compressed_in;
  }
  if (state.range(2)) {
    // Comparison only: the connection layer leaves Nagle's algorithm on.
    int one = 1;
    setsockopt(int(pair.a->socket) - 1, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    setsockopt(int(pair.b->socket) - 1, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  Bytes packet = MakePacket(text, 1);
  for (auto _ : state) {
    for (int i = 0; i < kBatch; i++) pair.a->SendDatagram(reinterpret_cast<Packet*>(packet.data()), kPacketSize);
    for (int i = 0; i < kBatch; i++) {
      Packet* p = Wait(*pair.b);
      if (!p) {
        state.SkipWithError("connection broke");
        return;
      }
      benchmark::DoNotOptimize(p->Bytes()[kPacketSize - 1]);
    }
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  state.SetBytesProcessed(state.iterations() * kBatch * kPacketSize);
}

void BM_DatagramCodec(benchmark::State& state) {
  const bool compress = state.range(0);
  const bool text = state.range(1);
  unsigned char key[16] = {7};
  Rijndael enc, dec;
  enc.init(Rijndael::ECB, Rijndael::Encrypt, key, 16);
  dec.init(Rijndael::ECB, Rijndael::Decrypt, key, 16);
  Bytes packet = MakePacket(text, 2);
  Packet* p = reinterpret_cast<Packet*>(packet.data());
  p->SetChecksum(PacketChecksum(packet.data(), kPacketSize));
  Bytes scratch, frame, decrypt, buffer(65535 + 16);
  size_t frameBytes = 0;
  for (auto _ : state) {
    unsigned n = BuildEncryptedFrame(enc, packet.data(), kPacketSize, compress, scratch, frame);
    memcpy(buffer.data(), frame.data(), n);
    OpenedFrame o = OpenEncryptedFrame(dec, n, compress, decrypt, buffer);
    if (o.error != FrameError::None) {
      state.SkipWithError("frame did not open");
      return;
    }
    frameBytes = n;
  }
  state.counters["frame_bytes"] = static_cast<double>(frameBytes);
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * kPacketSize);
}

}  // namespace

// Loopback args: {compress, text-like content, TCP_NODELAY}; codec args: {compress, text-like content}.
BENCHMARK(BM_DatagramLoopback)
    ->Args({0, 1, 0})
    ->Args({1, 1, 0})
    ->Args({0, 0, 0})
    ->Args({1, 0, 0})
    ->Args({0, 1, 1})
    ->Args({1, 1, 1})
    ->UseRealTime();
BENCHMARK(BM_DatagramCodec)->Args({0, 1})->Args({1, 1})->Args({0, 0})->Args({1, 0});

int main(int argc, char** argv) {
  RunAllInitializers();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
