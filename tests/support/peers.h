// Real peers for the network tests: nginx, tinyproxy, microsocks and the
// fault-injecting Python server, each started on a free 127.0.0.1 port from a
// configuration generated in its own temporary directory, in the foreground
// (so its workers stay in its process group), and stopped with its group (and
// waited for) when the object goes away. A peer that cannot be found or does
// not come up is a test failure, not a skip.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/temp_dir.h"

// The full path of an installed program (PATH, then the sbin directories), or "".
std::string FindProgram(const std::string& name);
// A port on 127.0.0.1 that nothing listens on right now.
uint16_t FreeLoopbackPort();
// True once something accepts connections on 127.0.0.1:port (or on the
// IPv6 loopback ::1 with ipv6).
bool WaitForPort(uint16_t port, int timeoutMs, bool ipv6 = false);
// True when this machine has an IPv6 loopback to listen on.
bool HaveIPv6Loopback();

class Peer {
 public:
  virtual ~Peer();
  bool running() const { return process_.started() && !process_.ended(); }
  uint16_t port() const { return port_; }
  const std::string& dir() const { return dir_.path(); }
  // What the peer wrote to standard error (for failure messages).
  std::string Log() const;
  // Ends the peer and its process group now: its open connections close with it.
  void Stop();

 protected:
  // Starts argv (argv[0] a program name) and waits for the port to open
  // (on ::1 with ipv6). Returns "" on success, else why not.
  std::string Launch(std::vector<std::string> argv, bool ipv6 = false);
  // Starts a program in dir() with its output in stdout.txt and stderr.txt.
  void Spawn(const std::vector<std::string>& argv);
  TempDir dir_;
  ChildProcess process_;  // ended before dir_ is removed
  uint16_t port_ = 0;
};

// A download server serving root on its port in its default configuration
// (conditional GET, ranges), logging one line per request answered:
// "GET /krnx/master.lst 304" (method, path as asked, status), oldest first.
class WebServerPeer : public Peer {
 public:
  virtual std::string Start(const std::string& root) = 0;
  virtual const char* name() const = 0;
  // How long the server may still answer from what it knew of a file before
  // the file was replaced (a release switched by a link).
  virtual int StatCacheMs() const { return 0; }
  virtual std::vector<std::string> AccessLog() const;
};

// nginx writes each log line as it answers. With ipv6 it listens on [::1]
// alone.
class NginxPeer : public WebServerPeer {
 public:
  explicit NginxPeer(bool ipv6 = false) : ipv6_(ipv6) {}
  std::string Start(const std::string& root) override;
  const char* name() const override { return "nginx"; }

 private:
  bool ipv6_;
};

// Apache's event MPM; started as root, its workers run as www-data, so root
// and the folders above it are opened to others for reading.
class ApachePeer : public WebServerPeer {
 public:
  std::string Start(const std::string& root) override;
  const char* name() const override { return "apache"; }
};

// lighttpd writes its log in batches: the lines of the last second may come
// late. Its stat cache keeps a file's date and length for about a second.
class LighttpdPeer : public WebServerPeer {
 public:
  std::string Start(const std::string& root) override;
  const char* name() const override { return "lighttpd"; }
  int StatCacheMs() const override { return 2000; }
};

// h2o sends its field names in lower case.
class H2oPeer : public WebServerPeer {
 public:
  std::string Start(const std::string& root) override;
  const char* name() const override { return "h2o"; }
};

// HAProxy in HTTP mode in front of nginx: it forwards every field name in
// lower case. The log is nginx's.
class HaproxyPeer : public WebServerPeer {
 public:
  std::string Start(const std::string& root) override;
  const char* name() const override { return "haproxy+nginx"; }
  std::vector<std::string> AccessLog() const override { return origin_.AccessLog(); }

 private:
  NginxPeer origin_;
};

enum class WebServerKind { kNginx, kApache, kLighttpd, kH2o, kHaproxy };
std::unique_ptr<WebServerPeer> MakeWebServer(WebServerKind kind);
// Every kind, for tests that run against each server in turn.
constexpr WebServerKind kEveryWebServer[] = {WebServerKind::kNginx, WebServerKind::kApache, WebServerKind::kLighttpd,
                                             WebServerKind::kH2o, WebServerKind::kHaproxy};

// tinyproxy; with user non-empty it demands Basic proxy authentication.
class TinyproxyPeer : public Peer {
 public:
  std::string Start(const std::string& user, const std::string& password);
};

// With ipv6 it listens on ::1 alone.
class MicrosocksPeer : public Peer {
 public:
  std::string Start(bool ipv6 = false);
};

// tests/support/fault_server.py; every raw request it receives is kept.
class FaultServerPeer : public Peer {
 public:
  std::string Start();
  // The raw requests received so far, oldest first.
  std::vector<std::string> Requests() const;
};

// tests/support/gated_server.py: root served like nginx does, except that the
// answer for holdPath ("/krnx/data/big.dat") stops after half its body until
// Release(), so a test can act while that transfer is certainly under way.
class GatedServerPeer : public Peer {
 public:
  std::string Start(const std::string& root, const std::string& holdPath);
  // True once the held answer is half sent (false after timeoutMs).
  bool WaitHeld(int timeoutMs);
  // Lets the held answer (and every later one for that path) finish.
  void Release();
};

// The deterministic body fault_server.py serves for a name (body_for).
std::string FaultBody(const std::string& name, size_t size);
