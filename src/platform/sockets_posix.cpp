#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/timerfd.h>
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

sockaddr_in6 MakeAddress6(const unsigned char addr[16], uint16_t port) {
  sockaddr_in6 sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sin6_family = AF_INET6;
  sa.sin6_port = htons(port);
  std::memcpy(&sa.sin6_addr, addr, 16);
  return sa;
}

int ConnectRaw(PlatSocket s, const sockaddr* sa, socklen_t len) {
  int r;
  do {
    r = ::connect(Fd(s), sa, len);
  } while (r != 0 && errno == EINTR);
  if (r == 0) {
    int one = 1;
    ::setsockopt(Fd(s), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return 0;
  }
  return PlatSocketErrorFromErrno(errno);
}

int ResolveError(int r) {
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

PlatSocket PlatSocketOpen(int* error) { return PlatSocketOpenFamily(kPlatIPv4, error); }

PlatSocket PlatSocketOpenFamily(PlatFamily family, int* error) {
  int fd = ::socket(family == kPlatIPv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
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
  return ConnectRaw(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
}

int PlatSocketConnectAddress(PlatSocket s, const PlatAddress& addr, uint16_t port) {
  if (addr.family != kPlatIPv6) return PlatSocketConnect(s, addr.bytes, port);
  sockaddr_in6 sa = MakeAddress6(addr.bytes, port);
  return ConnectRaw(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
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

int PlatResolveHost(const char* name, PlatAddress* out, int max, int* count) {
  *count = 0;
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  int r = ::getaddrinfo(name, nullptr, &hints, &res);
  if (r != 0) return ResolveError(r);
  for (addrinfo* a = res; a && *count < max; a = a->ai_next) {
    PlatAddress found{};
    if (a->ai_family == AF_INET) {
      found.family = kPlatIPv4;
      std::memcpy(found.bytes, &reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr, 4);
    } else if (a->ai_family == AF_INET6) {
      found.family = kPlatIPv6;
      std::memcpy(found.bytes, &reinterpret_cast<sockaddr_in6*>(a->ai_addr)->sin6_addr, 16);
    } else {
      continue;
    }
    bool seen = false;
    for (int i = 0; i < *count && !seen; ++i)
      seen = out[i].family == found.family && std::memcmp(out[i].bytes, found.bytes, 16) == 0;
    if (!seen) out[(*count)++] = found;
  }
  ::freeaddrinfo(res);
  return *count ? 0 : kSockNoData;
}

bool PlatParseIPv6(const char* text, unsigned char out[16]) { return ::inet_pton(AF_INET6, text, out) == 1; }

int PlatWaitGroupOpen(PlatWaitGroup* group) {
  *group = PlatWaitGroup{};
  int ep = ::epoll_create1(EPOLL_CLOEXEC);
  if (ep < 0) return PlatSocketErrorFromErrno(errno);
  int alarm = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (alarm < 0) {
    const int err = PlatSocketErrorFromErrno(errno);
    ::close(ep);
    return err;
  }
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.fd = alarm;
  if (::epoll_ctl(ep, EPOLL_CTL_ADD, alarm, &ev) != 0) {
    const int err = PlatSocketErrorFromErrno(errno);
    ::close(alarm);
    ::close(ep);
    return err;
  }
  group->handle = Handle(ep);
  group->alarm = alarm;
  return 0;
}

void PlatWaitGroupClose(PlatWaitGroup* group) {
  if (group->alarm >= 0) ::close(group->alarm);
  if (group->handle) ::close(Fd(group->handle));
  *group = PlatWaitGroup{};
}

int PlatWaitGroupAdd(PlatWaitGroup* group, PlatSocket s) {
  epoll_event ev{};
  ev.events = EPOLLOUT;  // errors and hang-ups are always reported
  ev.data.fd = Fd(s);
  if (::epoll_ctl(Fd(group->handle), EPOLL_CTL_ADD, Fd(s), &ev) != 0) return PlatSocketErrorFromErrno(errno);
  return 0;
}

void PlatWaitGroupRemove(PlatWaitGroup* group, PlatSocket s) {
  epoll_event ev{};
  ::epoll_ctl(Fd(group->handle), EPOLL_CTL_DEL, Fd(s), &ev);
}

void PlatWaitGroupSetAlarm(PlatWaitGroup* group, long ms) {
  itimerspec when{};
  if (ms >= 0) {
    // Zero would disarm the timer: a due alarm rings after a nanosecond.
    when.it_value.tv_sec = ms / 1000;
    when.it_value.tv_nsec = (ms % 1000) * 1000000L + (ms == 0 ? 1 : 0);
  }
  ::timerfd_settime(group->alarm, 0, &when, nullptr);
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
