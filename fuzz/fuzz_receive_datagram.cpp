// ReceiveDatagram's frame assembly, decryption, LZS decoding and checksum on
// arbitrary streams, delivered in chunks of a size taken from the input.
//
// Input: byte 0 selects the connection's state (bit 0: incoming packets are
// compressed; bit 1: keyed, else plain and open to key packets; bit 2: the
// rest is plaintext records [2-byte length][bytes] that are encrypted into
// well-formed frames here, so the fuzzer reaches the decoder and checksum
// instead of stopping at random ciphertext). Byte 1: chunk size (low six
// bits) and receive capacity (top two bits). The rest: the stream.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_runtime.h"
#include "transport/datagram_session.h"
#include "transport/socket_connection.h"

namespace {

const unsigned char kKey[16] = {0x51, 0x75, 0x6f, 0x72, 0x76, 0x65, 0x6c, 0x20,
                                0x66, 0x75, 0x7a, 0x7a, 0x20, 0x6b, 0x65, 0x79};

// Hands out the stream in fixed chunks as if each were one arrival on the
// socket; sends go nowhere.
class ChunkStream : public DatagramTransport {
 public:
  ChunkStream(const std::vector<unsigned char>& bytes, size_t chunk) : bytes_(bytes), chunk_(chunk) {}
  bool Arrive() {
    if (arrived_ >= bytes_.size()) return false;
    arrived_ = std::min(bytes_.size(), arrived_ + chunk_);
    return true;
  }
  long SendBytes(const unsigned char*, unsigned long length) override { return long(length); }
  long ReceiveBytes(unsigned char* buffer, unsigned long length) override {
    size_t n = std::min<size_t>(length, arrived_ - read_);
    memcpy(buffer, bytes_.data() + read_, n);
    read_ += n;
    return long(n);
  }
  unsigned& Flags() override { return flags_; }

 private:
  const std::vector<unsigned char>& bytes_;
  size_t chunk_, arrived_ = 0, read_ = 0;
  unsigned flags_ = 0;
};

}  // namespace

QUORVEL_FUZZ_STARTUP

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const bool compressed = data[0] & 1, keyed = data[0] & 2, encryptHere = data[0] & 4;
  const size_t chunk = 1 + (data[1] & 0x3F) * 7;
  static const int capacities[4] = {65535, 4112, 1024, 40};
  const int capacity = capacities[data[1] >> 6];
  data += 2;
  size -= 2;

  std::vector<unsigned char> stream;
  if (keyed && encryptHere) {
    Rijndael enc;
    enc.init(Rijndael::ECB, Rijndael::Encrypt, kKey, 16);
    while (size >= 2) {
      size_t n = std::min<size_t>(data[0] | data[1] << 8, size - 2);
      n = std::min<size_t>(n, 65535 - 2 - 16);
      size_t at = stream.size();
      stream.resize(at + 2 + n + 16);
      int c = enc.padEncrypt(data + 2, int(n), stream.data() + at + 2);
      stream.resize(at + 2 + c);
      stream[at] = static_cast<unsigned char>(2 + c);
      stream[at + 1] = static_cast<unsigned char>((2 + c) >> 8);
      data += 2 + n;
      size -= 2 + n;
    }
  } else {
    stream.assign(data, data + size);
  }

  DatagramSession session;
  session.SetPacketBuffered(capacity);
  if (keyed && !session.InitEncryption(kKey, 16)) abort();
  ChunkStream link(stream, chunk);
  if (compressed) link.Flags() |= sockflags_compressed_in;
  while (link.Arrive()) {
    while (Packet* p = session.Receive(link)) {
      unsigned n = p->Size();
      if (n < kPacketHeaderSize) abort();
      // Every byte of a returned packet must be readable; an encrypted one
      // always carries a matching checksum.
      volatile unsigned sum = PacketChecksum(p->Bytes(), n);
      if (session.Encrypted() && keyed && sum != p->StoredChecksum()) abort();
    }
    if (link.Flags() & sockflags_fatal_error) break;
  }
  return 0;
}
