// Idle HTTP connections kept open for the next request to the same origin.
// A transfer whose answer ended where its framing said (its Content-Length,
// or the last chunk) and that the server did not close hands its connection
// back here; the next transfer to that origin takes it instead of connecting
// again. One request at a time on a connection: nothing is pipelined.
//
// An origin is the URL's host and port and the way there: direct, through the
// HTTP proxy, or through the SOCKS5 proxy (whose handshake a kept connection
// has already made), so a change of proxy settings never reuses a connection
// made under the old ones.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class RealTCPConnection;

class HttpConnectionPool {
 public:
  // Idle connections kept at most, over all origins; the oldest goes first.
  static constexpr size_t kMaxIdle = 16;
  // An idle connection older than this is closed rather than reused: servers
  // end idle connections after a few seconds (5 to 75 commonly), and a
  // request on one that is already closed costs a round trip to find out.
  static constexpr unsigned kMaxIdleSeconds = 30;

  HttpConnectionPool() = default;
  ~HttpConnectionPool();
  HttpConnectionPool(const HttpConnectionPool&) = delete;
  HttpConnectionPool& operator=(const HttpConnectionPool&) = delete;

  // A kept connection to origin, now owned by the caller, or null. One that
  // the server has closed or sent unasked bytes on while idle is closed and
  // the next one tried.
  RealTCPConnection* Take(const std::string& origin);
  // Keeps connection (ownership passes to the pool) for origin.
  void Give(const std::string& origin, RealTCPConnection* connection);
  // Closes every kept connection.
  void Clear();
  size_t IdleCount() const { return idle_.size(); }

 private:
  struct Idle {
    std::string origin;
    RealTCPConnection* connection;
    unsigned long since;  // program clock ticks
  };
  std::vector<Idle> idle_;
};

// The process's pool, which every FileDownload uses.
HttpConnectionPool& HttpConnections();

// The origin key of a request to host (the URL's host part, port included
// when it has one) under the current proxy settings.
std::string HttpOriginKey(const char* host, bool viaProxy);
