// The datagram operations of RealTCPConnection: the connection is the byte
// stream under its DatagramSession.
#include <atomic>

#include "transport/real_tcp_connection.h"

std::atomic<unsigned long> TotalBytesRecievedAndSent{0};

namespace {

// Send takes the whole frame or reports the connection broken (it waits
// while the system's buffer is full), so frames are never left half sent
// here; Receive never waits.
class ConnectionStream : public DatagramTransport {
 public:
  explicit ConnectionStream(RealTCPConnection& c) : c_(c) {}
  long SendBytes(const unsigned char* data, unsigned long length) override {
    long sent = c_.Send(data, length);
    if (sent > 0) TotalBytesRecievedAndSent += static_cast<unsigned long>(sent);
    return sent;
  }
  long ReceiveBytes(unsigned char* buffer, unsigned long length) override {
    long got = c_.Receive(buffer, length);
    if (got > 0) TotalBytesRecievedAndSent += static_cast<unsigned long>(got);
    return got;
  }
  unsigned& Flags() override { return c_.flags; }

 private:
  RealTCPConnection& c_;
};

}  // namespace

void RealTCPConnection::SetPacketBuffered(int capacity) { datagrams.SetPacketBuffered(capacity); }

int RealTCPConnection::SendDatagram(Packet* packet, unsigned length) {
  ConnectionStream stream(*this);
  return datagrams.Send(stream, packet, length);
}

int RealTCPConnection::SendDatagramCopy(const Packet* packet, unsigned length) {
  ConnectionStream stream(*this);
  return datagrams.SendCopy(stream, packet, length);
}

int RealTCPConnection::SentRemainingData() {
  ConnectionStream stream(*this);
  return datagrams.SentRemainingData(stream);
}

Packet* RealTCPConnection::ReceiveDatagram() {
  ConnectionStream stream(*this);
  return datagrams.Receive(stream);
}

int RealTCPConnection::GenerateKey(const EncryptionKeyPacket* peer) {
  ConnectionStream stream(*this);
  return datagrams.GenerateKey(stream, peer);
}

int RealTCPConnection::InitEncryption(const unsigned char* key, int length) {
  return datagrams.InitEncryption(key, length);
}
