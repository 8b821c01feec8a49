#include "transport/connect_race.h"

#include "platform/clock_source.h"

std::vector<NodeAddress> InterleaveFamilies(const std::vector<NodeAddress>& addresses) {
  if (addresses.empty()) return {};
  const bool firstIs6 = addresses.front().ipv6;
  std::vector<NodeAddress> first, other, out;
  for (const NodeAddress& a : addresses) (a.ipv6 == firstIs6 ? first : other).push_back(a);
  for (size_t i = 0; i < first.size() || i < other.size(); ++i) {
    if (i < first.size()) out.push_back(first[i]);
    if (i < other.size()) out.push_back(other[i]);
  }
  return out;
}

long MsUntilNextAttempt(size_t started, size_t total, size_t pending, unsigned long sinceLastStartMs) {
  if (started >= total) return -1;
  if (started == 0 || pending == 0 || sinceLastStartMs >= static_cast<unsigned long>(kConnectionAttemptDelayMs))
    return 0;
  return kConnectionAttemptDelayMs - long(sinceLastStartMs);
}

ConnectRace::~ConnectRace() {
  for (const Attempt& a : pending_) PlatSocketClose(a.socket);
  PlatSocketClose(winner_);
  PlatWaitGroupClose(&group_);
}

int ConnectRace::Start(const std::vector<NodeAddress>& addresses, uint16_t port) {
  order_ = InterleaveFamilies(addresses);
  port_ = port;
  const int err = PlatWaitGroupOpen(&group_);
  if (err != 0) {
    last_error_ = err;
    order_.clear();
  }
  return Step();
}

bool ConnectRace::StartNext() {
  const NodeAddress address = order_[next_++];
  last_start_ms_ = PlatTickMs();
  int err = 0;
  PlatSocket s = PlatSocketOpenFamily(address.ipv6 ? kPlatIPv6 : kPlatIPv4, &err);
  if (s) {
    err = PlatSocketConnectAddress(s, address.ToPlat(), port_);
    if (err == 0 || err == kSockAlreadyConnected) {
      winner_ = s;
      winner_address_ = address;
      return true;
    }
    if (err == kSockWouldBlock) err = PlatWaitGroupAdd(&group_, s);
    if (err == 0) {
      pending_.push_back({s, address});
      return true;
    }
    PlatSocketClose(s);
  }
  last_error_ = err;
  return false;
}

void ConnectRace::Drop(size_t i) {
  PlatWaitGroupRemove(&group_, pending_[i].socket);
  PlatSocketClose(pending_[i].socket);
  pending_.erase(pending_.begin() + long(i));
}

int ConnectRace::Step() {
  for (;;) {
    if (winner_) {
      // The first to connect wins; the rest are given up.
      while (!pending_.empty()) Drop(pending_.size() - 1);
      PlatWaitGroupSetAlarm(&group_, -1);
      return 0;
    }
    for (size_t i = 0; i < pending_.size() && !winner_;) {
      const int status = PlatSocketConnectStatus(pending_[i].socket, 0);
      if (status == kSockWouldBlock) {
        ++i;
      } else if (status == 0) {
        winner_ = pending_[i].socket;
        winner_address_ = pending_[i].address;
        pending_.erase(pending_.begin() + long(i));
        PlatWaitGroupRemove(&group_, winner_);
      } else {
        last_error_ = status;
        Drop(i);
      }
    }
    if (winner_) continue;
    const long wait = MsUntilNextAttempt(next_, order_.size(), pending_.size(), PlatTickMs() - last_start_ms_);
    if (wait == 0) {
      StartNext();
      continue;
    }
    if (pending_.empty()) return last_error_;
    // Woken when an attempt ends or the next one is due.
    PlatWaitGroupSetAlarm(&group_, wait);
    return kSockWouldBlock;
  }
}

PlatSocket ConnectRace::TakeWinner(NodeAddress* address) {
  PlatSocket s = winner_;
  winner_ = 0;
  if (address) *address = winner_address_;
  return s;
}
