#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "platform/descriptor_poll.h"
#include "platform/sockets.h"

namespace {
int Fd(PlatSocket s) { return int(s) - 1; }
PlatSocket Handle(int fd) { return PlatSocket(fd + 1); }

sockaddr_in MakeAddress(const unsigned char addr[4], uint16_t port) {
  sockaddr_in sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  std::memcpy(&sa.sin_addr, addr, 4);
  return sa;
}
}  // namespace

int PlatSocketErrorFromErrno(int err) {
  switch (err) {
    case 0: return kSockOk;
    case EINTR: return kSockInterrupted;
    case EBADF:
    case ENOTSOCK: return kSockBadHandle;
    case EACCES:
    case EPERM: return kSockAccess;
    case EFAULT: return kSockFault;
    case EINVAL: return kSockInvalid;
    case EMFILE:
    case ENFILE: return kSockTooManyOpen;
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case EWOULDBLOCK:
    case EINPROGRESS: return kSockWouldBlock;
    case EALREADY: return kSockAlready;
    case EMSGSIZE: return kSockMessageSize;
    case EADDRINUSE: return kSockAddressInUse;
    case EADDRNOTAVAIL: return kSockAddressNotAvailable;
    case ENETDOWN: return kSockNetworkDown;
    case ENETUNREACH: return kSockNetworkUnreachable;
    case ENETRESET: return kSockNetworkReset;
    case ECONNABORTED: return kSockConnectionAborted;
    case ECONNRESET: return kSockConnectionReset;
    case ENOBUFS:
    case ENOMEM: return kSockNoBuffers;
    case EISCONN: return kSockAlreadyConnected;
    case ENOTCONN: return kSockNotConnected;
    case EPIPE:
    case ESHUTDOWN: return kSockShutdown;
    case ETIMEDOUT: return kSockTimedOut;
    case ECONNREFUSED: return kSockConnectionRefused;
    case EHOSTUNREACH:
    case EHOSTDOWN: return kSockHostUnreachable;
    default: return kSockOther;
  }
}

PlatSocket PlatSocketOpen(int* error) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) {
    *error = PlatSocketErrorFromErrno(errno);
    return 0;
  }
  *error = 0;
  return Handle(fd);
}

void PlatSocketClose(PlatSocket s) {
  if (s) ::close(Fd(s));
}

int PlatSocketBindAny(PlatSocket s, uint16_t port) {
  int one = 1;
  ::setsockopt(Fd(s), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  unsigned char any[4] = {0, 0, 0, 0};
  sockaddr_in sa = MakeAddress(any, port);
  if (::bind(Fd(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return PlatSocketErrorFromErrno(errno);
  return 0;
}

int PlatSocketListen(PlatSocket s, int backlog) {
  if (::listen(Fd(s), backlog) != 0) return PlatSocketErrorFromErrno(errno);
  return 0;
}

uint16_t PlatSocketLocalPort(PlatSocket s) {
  sockaddr_in sa;
  socklen_t len = sizeof sa;
  if (::getsockname(Fd(s), reinterpret_cast<sockaddr*>(&sa), &len) != 0) return 0;
  return ntohs(sa.sin_port);
}

int PlatSocketConnect(PlatSocket s, const unsigned char addr[4], uint16_t port) {
  sockaddr_in sa = MakeAddress(addr, port);
  int r;
  do {
    r = ::connect(Fd(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  } while (r != 0 && errno == EINTR);
  if (r == 0) {
    int one = 1;
    ::setsockopt(Fd(s), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return 0;
  }
  return PlatSocketErrorFromErrno(errno);
}

int PlatSocketConnectStatus(PlatSocket s, int timeoutMs) {
  pollfd p = {Fd(s), POLLOUT, 0};
  int r;
  do {
    r = ::poll(&p, 1, timeoutMs);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return PlatSocketErrorFromErrno(errno);
  if (r == 0) return kSockWouldBlock;
  // Writable or failed: the socket's pending error tells which.
  int err = 0;
  socklen_t len = sizeof err;
  if (::getsockopt(Fd(s), SOL_SOCKET, SO_ERROR, &err, &len) != 0) return PlatSocketErrorFromErrno(errno);
  if (err != 0) return PlatSocketErrorFromErrno(err);
  if (p.revents & (POLLERR | POLLHUP)) return kSockConnectionRefused;
  int one = 1;
  ::setsockopt(Fd(s), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return 0;
}

long PlatSocketSend(PlatSocket s, const void* data, unsigned long len) {
  ssize_t r;
  do {
    r = ::send(Fd(s), data, len, MSG_NOSIGNAL);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return -long(PlatSocketErrorFromErrno(errno));
  return long(r);
}

long PlatSocketReceive(PlatSocket s, void* buffer, unsigned long len) {
  ssize_t r;
  do {
    r = ::recv(Fd(s), buffer, len, 0);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return -long(PlatSocketErrorFromErrno(errno));
  return long(r);
}

PlatSocket PlatSocketAccept(PlatSocket listener, unsigned char addr[4], uint16_t* port, int* error) {
  sockaddr_in sa;
  socklen_t len = sizeof sa;
  int fd;
  do {
    fd = ::accept4(Fd(listener), reinterpret_cast<sockaddr*>(&sa), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    *error = PlatSocketErrorFromErrno(errno);
    return 0;
  }
  *error = 0;
  if (addr) std::memcpy(addr, &sa.sin_addr, 4);
  if (port) *port = ntohs(sa.sin_port);
  return Handle(fd);
}

int PlatSocketPoll(PlatPollItem* items, int count, int timeoutMs) {
  return PlatPollSocketsAndDescriptors(items, count, nullptr, nullptr, 0, timeoutMs);
}

int PlatPollSocketsAndDescriptors(PlatPollItem* items, int count, const int* extra, bool* extraReady, int extraCount,
                                  int timeoutMs) {
  std::vector<pollfd> fds(size_t(count + extraCount));
  for (int i = 0; i < count; ++i) {
    fds[i].fd = Fd(items[i].socket);
    fds[i].events = short((items[i].wantRead ? POLLIN : 0) | (items[i].wantWrite ? POLLOUT : 0));
    fds[i].revents = 0;
  }
  for (int i = 0; i < extraCount; ++i) fds[size_t(count + i)] = pollfd{extra[i], POLLIN, 0};
  int r;
  do {
    r = ::poll(fds.data(), nfds_t(fds.size()), timeoutMs < 0 ? -1 : timeoutMs);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return -PlatSocketErrorFromErrno(errno);
  for (int i = 0; i < extraCount; ++i) {
    extraReady[i] = fds[size_t(count + i)].revents != 0;
    if (extraReady[i]) --r;
  }
  for (int i = 0; i < count; ++i) {
    short ev = fds[i].revents;
    items[i].readable = (ev & POLLIN) != 0;
    items[i].writable = (ev & POLLOUT) != 0;
    // A hang-up with data still waiting is read first; the close shows up as
    // a zero-length receive afterwards.
    items[i].failed = (ev & (POLLERR | POLLNVAL)) != 0 || ((ev & POLLHUP) && !(ev & POLLIN));
  }
  return r;
}

int PlatResolveIPv4(const char* name, unsigned char addr[4]) {
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  int r = ::getaddrinfo(name, nullptr, &hints, &res);
  if (r != 0) {
    switch (r) {
      case EAI_AGAIN: return kSockTryAgain;
      case EAI_FAIL: return kSockNoRecovery;
#ifdef EAI_NODATA
      case EAI_NODATA: return kSockNoData;
#endif
      case EAI_SYSTEM: return PlatSocketErrorFromErrno(errno);
      default: return kSockHostNotFound;
    }
  }
  int result = kSockNoData;
  for (addrinfo* a = res; a; a = a->ai_next) {
    if (a->ai_family != AF_INET) continue;
    std::memcpy(addr, &reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr, 4);
    result = 0;
    break;
  }
  ::freeaddrinfo(res);
  return result;
}

int PlatLocalIPv4Addresses(unsigned char (*addrs)[4], int max) {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return -PlatSocketErrorFromErrno(errno);
  int n = 0;
  // Two rounds: the machine's own addresses first, loopback last.
  for (int round = 0; round < 2; ++round) {
    for (ifaddrs* a = list; a && n < max; a = a->ifa_next) {
      if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
      const unsigned char* b =
          reinterpret_cast<const unsigned char*>(&reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr);
      bool loopback = b[0] == 127;
      if (loopback != (round == 1)) continue;
      std::memcpy(addrs[n++], b, 4);
    }
  }
  ::freeifaddrs(list);
  return n;
}
