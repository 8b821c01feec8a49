#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "platform/udp_sockets.h"

namespace {
int Fd(PlatSocket s) { return int(s) - 1; }
}  // namespace

PlatSocket PlatUdpOpen(uint16_t port, int* error, bool* bindFailed) {
  *bindFailed = false;
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
  if (fd < 0) {
    *error = PlatSocketErrorFromErrno(errno);
    return 0;
  }
  int one = 1;
  if (::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one) < 0) {
    *error = PlatSocketErrorFromErrno(errno);
    ::close(fd);
    return 0;
  }
  sockaddr_in sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) < 0) {
    *error = PlatSocketErrorFromErrno(errno);
    *bindFailed = true;
    ::close(fd);
    return 0;
  }
  *error = 0;
  return PlatSocket(fd + 1);
}

long PlatUdpSendTo(PlatSocket s, const void* data, unsigned long length, const unsigned char addr[4], uint16_t port) {
  sockaddr_in sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  std::memcpy(&sa.sin_addr, addr, 4);
  for (;;) {
    ssize_t n = ::sendto(Fd(s), data, length, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    if (n >= 0) return long(n);
    if (errno != EINTR) return -long(PlatSocketErrorFromErrno(errno));
  }
}

long PlatUdpReceiveFrom(PlatSocket s, void* buffer, unsigned long capacity, unsigned char addr[4], uint16_t* port) {
  sockaddr_in sa;
  for (;;) {
    socklen_t size = sizeof sa;
    std::memset(&sa, 0, sizeof sa);
    // MSG_TRUNC: the result is the datagram's real length even when it did not fit.
    ssize_t n = ::recvfrom(Fd(s), buffer, capacity, MSG_TRUNC, reinterpret_cast<sockaddr*>(&sa), &size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -long(PlatSocketErrorFromErrno(errno));
    }
    std::memcpy(addr, &sa.sin_addr, 4);
    *port = ntohs(sa.sin_port);
    if (static_cast<unsigned long>(n) > capacity) return -long(kSockMessageSize);
    return long(n);
  }
}
