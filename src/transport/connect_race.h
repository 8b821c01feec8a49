// Connecting to a server with several addresses, as RFC 8305 (Happy
// Eyeballs) describes: the addresses are tried in turn, the families
// alternating; each attempt gets a head start of kConnectionAttemptDelayMs
// before the next one begins beside it (at once when every attempt so far has
// failed), and the first to connect wins, the others are dropped. Nothing
// here waits: Step looks at the attempts and starts the ones that are due,
// and WaitHandle is one socket to poll for all of it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/sockets.h"
#include "transport/node_address.h"

constexpr long kConnectionAttemptDelayMs = 250;

// The order of the attempts: the families take turns, beginning with the
// family of the first address; within a family the given order stays.
std::vector<NodeAddress> InterleaveFamilies(const std::vector<NodeAddress>& addresses);

// Milliseconds until the next attempt is due: 0 for now, -1 when none is
// left. started of total attempts have begun, pending of them are still
// connecting, the last began sinceLastStartMs ago.
long MsUntilNextAttempt(size_t started, size_t total, size_t pending, unsigned long sinceLastStartMs);

class ConnectRace {
 public:
  ConnectRace() = default;
  ~ConnectRace();
  ConnectRace(const ConnectRace&) = delete;
  ConnectRace& operator=(const ConnectRace&) = delete;

  // Begins with the first address (in InterleaveFamilies order). Returns as
  // Step does.
  int Start(const std::vector<NodeAddress>& addresses, uint16_t port);
  // Without waiting: ends the attempts that have connected or failed and
  // starts those that are due. Returns kSockWouldBlock while it goes on, 0
  // once one has connected (TakeWinner), or the error of the last attempt
  // when every address failed.
  int Step();
  // The connected socket, now the caller's, and the address it reached.
  PlatSocket TakeWinner(NodeAddress* address);
  // Ready for reading when Step has something to do.
  PlatSocket WaitHandle() const { return group_.handle; }

 private:
  struct Attempt {
    PlatSocket socket;
    NodeAddress address;
  };
  // Starts the next address's attempt; false when it failed at once.
  bool StartNext();
  void Drop(size_t pending);

  std::vector<NodeAddress> order_;
  std::vector<Attempt> pending_;
  size_t next_ = 0;
  uint16_t port_ = 0;
  unsigned long last_start_ms_ = 0;
  PlatWaitGroup group_;
  PlatSocket winner_ = 0;
  NodeAddress winner_address_{};
  int last_error_ = kSockHostNotFound;
};
