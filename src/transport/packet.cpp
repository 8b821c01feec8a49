#include "transport/packet.h"

unsigned PacketChecksum(const unsigned char* packet, size_t length) {
  unsigned h = 0;
  for (size_t i = kPacketTypeOffset; i < length; i++) {
    if (packet[i]) h = (2 * h + packet[i]) & 0xFFFF;
  }
  return h;
}
