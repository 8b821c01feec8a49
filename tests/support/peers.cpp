#include "support/peers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/files.h"
#include "support/process.h"
#include "transport/md5.h"

std::string FindProgram(const std::string& name) {
  std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  path += ":/usr/sbin:/sbin:/usr/bin:/bin";
  std::stringstream ss(path);
  std::string dir;
  while (std::getline(ss, dir, ':')) {
    if (dir.empty()) continue;
    std::string full = dir + "/" + name;
    if (access(full.c_str(), X_OK) == 0) return full;
  }
  return "";
}

uint16_t FreeLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  socklen_t len = sizeof sa;
  getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
  close(fd);
  return ntohs(sa.sin_port);
}

bool WaitForPort(uint16_t port, int timeoutMs, bool ipv6) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    int fd = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sockaddr_in6 sa6{};
    sa6.sin6_family = AF_INET6;
    sa6.sin6_port = htons(port);
    sa6.sin6_addr = in6addr_loopback;
    bool ok = ipv6 ? connect(fd, reinterpret_cast<sockaddr*>(&sa6), sizeof sa6) == 0
                   : connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
    close(fd);
    if (ok) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

bool HaveIPv6Loopback() {
  int fd = socket(AF_INET6, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_in6 sa{};
  sa.sin6_family = AF_INET6;
  sa.sin6_addr = in6addr_loopback;
  bool ok = bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
  close(fd);
  return ok;
}

Peer::~Peer() { Stop(); }

void Peer::Stop() { process_.Stop(); }

void Peer::Spawn(const std::vector<std::string>& argv) {
  process_ = StartProcess(argv, {}, dir_.path(), dir_ / "stdout.txt", dir_ / "stderr.txt");
}

std::string Peer::Log() const { return ReadFileText(dir_ / "stderr.txt"); }

std::string Peer::Launch(std::vector<std::string> argv, bool ipv6) {
  std::string program = FindProgram(argv[0]);
  if (program.empty()) return argv[0] + " is not installed (scripts/install-deps installs it)";
  argv[0] = program;
  Spawn(argv);
  if (!process_.started()) return "cannot start " + program;
  if (!WaitForPort(port_, 10000, ipv6)) return program + " did not open port " + std::to_string(port_) + ": " + Log();
  return "";
}

std::string NginxPeer::Start(const std::string& root) {
  port_ = FreeLoopbackPort();
  const std::string d = dir_.path();
  WriteFileText(dir_ / "nginx.conf",
                "worker_processes 1;\ndaemon off;\nmaster_process off;\npid " + d + "/nginx.pid;\nerror_log " + d +
                    "/error.log;\nevents { worker_connections 512; }\nhttp {\n"
                    "  log_format requests '$request_method $request_uri $status';\n  access_log " +
                    d +
                    "/access.log requests;\n"
                    "  client_body_temp_path " +
                    d + "/cb;\n  proxy_temp_path " + d +
                    "/pt;\n"
                    "  fastcgi_temp_path " +
                    d + "/ft;\n  uwsgi_temp_path " + d +
                    "/ut;\n"
                    "  scgi_temp_path " +
                    d +
                    "/st;\n  sendfile on;\n  default_type application/octet-stream;\n"
                    "  server {\n    listen " +
                    (ipv6_ ? "[::1]:" : "127.0.0.1:") + std::to_string(port_) + ";\n    root " + root + ";\n  }\n}\n");
  return Launch({"nginx", "-e", d + "/error.log", "-c", d + "/nginx.conf", "-p", d}, ipv6_);
}

std::vector<std::string> WebServerPeer::AccessLog() const {
  std::vector<std::string> lines;
  const std::string text = ReadFileText(dir_ / "access.log");
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

namespace {
// Opens root and every folder above it for others to enter and list, as a
// server that drops its privileges needs.
void OpenToOthers(const std::string& root) {
  for (std::filesystem::path p = root; !p.empty() && p != p.root_path(); p = p.parent_path()) {
    std::error_code ec;
    std::filesystem::permissions(p, std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add, ec);
  }
}
}  // namespace

std::string ApachePeer::Start(const std::string& root) {
  port_ = FreeLoopbackPort();
  const std::string d = dir_.path();
  const std::string modules = "/usr/lib/apache2/modules/";
  OpenToOthers(root);
  std::string conf = "ServerRoot \"" + d + "\"\nServerName 127.0.0.1\nListen 127.0.0.1:" + std::to_string(port_) +
                     "\nPidFile " + d + "/httpd.pid\nDefaultRuntimeDir " + d + "\nErrorLog " + d +
                     "/error.log\nLoadModule mpm_event_module " + modules +
                     "mod_mpm_event.so\nLoadModule authz_core_module " + modules + "mod_authz_core.so\n";
  if (geteuid() == 0) conf += "User www-data\nGroup www-data\n";
  conf += "DocumentRoot \"" + root + "\"\n<Directory \"" + root +
          "\">\n  Require all granted\n</Directory>\nLogFormat \"%m %U %>s\" requests\nCustomLog " + d +
          "/access.log requests\n";
  WriteFileText(dir_ / "httpd.conf", conf);
  return Launch({"apache2", "-f", d + "/httpd.conf", "-DFOREGROUND"});
}

std::string LighttpdPeer::Start(const std::string& root) {
  port_ = FreeLoopbackPort();
  const std::string d = dir_.path();
  // Without a type for its files lighttpd sends no Last-Modified, and every
  // request would be answered in full.
  WriteFileText(dir_ / "lighttpd.conf",
                "server.document-root = \"" + root + "\"\nserver.bind = \"127.0.0.1\"\nserver.port = " +
                    std::to_string(port_) + "\nserver.errorlog = \"" + d +
                    "/error.log\"\nserver.modules = (\"mod_accesslog\")\naccesslog.filename = \"" + d +
                    "/access.log\"\naccesslog.format = \"%m %U %s\"\n"
                    "mimetype.assign = (\"\" => \"application/octet-stream\")\n");
  return Launch({"lighttpd", "-D", "-f", d + "/lighttpd.conf"});
}

std::string H2oPeer::Start(const std::string& root) {
  port_ = FreeLoopbackPort();
  const std::string d = dir_.path();
  std::string conf = "listen:\n  host: 127.0.0.1\n  port: " + std::to_string(port_) + "\npid-file: " + d +
                     "/h2o.pid\nerror-log: " + d + "/error.log\naccess-log:\n  path: " + d +
                     "/access.log\n  format: \"%m %U %s\"\nhosts:\n  default:\n    paths:\n      /:\n"
                     "        file.dir: " +
                     root + "\n";
  // Started as root, h2o would otherwise serve as nobody, who cannot read the test's folders.
  if (geteuid() == 0) conf += "user: root\n";
  WriteFileText(dir_ / "h2o.conf", conf);
  return Launch({"h2o", "-c", d + "/h2o.conf"});
}

std::string HaproxyPeer::Start(const std::string& root) {
  std::string origin = origin_.Start(root);
  if (!origin.empty()) return "nginx behind haproxy: " + origin;
  port_ = FreeLoopbackPort();
  WriteFileText(dir_ / "haproxy.cfg", "global\n  pidfile " + dir_.path() +
                                          "/haproxy.pid\ndefaults\n  mode http\n  timeout connect 5s\n"
                                          "  timeout client 60s\n  timeout server 60s\nfrontend front\n"
                                          "  bind 127.0.0.1:" +
                                          std::to_string(port_) +
                                          "\n  default_backend origin\nbackend origin\n  server nginx 127.0.0.1:" +
                                          std::to_string(origin_.port()) + "\n");
  return Launch({"haproxy", "-db", "-f", dir_ / "haproxy.cfg"});
}

std::unique_ptr<WebServerPeer> MakeWebServer(WebServerKind kind) {
  switch (kind) {
    case WebServerKind::kH2o: return std::make_unique<H2oPeer>();
    case WebServerKind::kHaproxy: return std::make_unique<HaproxyPeer>();
    case WebServerKind::kApache: return std::make_unique<ApachePeer>();
    case WebServerKind::kLighttpd: return std::make_unique<LighttpdPeer>();
    case WebServerKind::kNginx: break;
  }
  return std::make_unique<NginxPeer>();
}

std::string TinyproxyPeer::Start(const std::string& user, const std::string& password) {
  port_ = FreeLoopbackPort();
  std::string conf = "Port " + std::to_string(port_) +
                     "\nListen 127.0.0.1\nTimeout 60\nMaxClients 50\nAllow 127.0.0.1\nLogLevel Info\n"
                     "LogFile \"" +
                     dir_.path() + "/tinyproxy.log\"\n";
  if (!user.empty()) conf += "BasicAuth " + user + " " + password + "\n";
  WriteFileText(dir_ / "tinyproxy.conf", conf);
  return Launch({"tinyproxy", "-d", "-c", dir_ / "tinyproxy.conf"});
}

std::string MicrosocksPeer::Start(bool ipv6) {
  port_ = FreeLoopbackPort();
  return Launch({"microsocks", "-i", ipv6 ? "::1" : "127.0.0.1", "-p", std::to_string(port_)}, ipv6);
}

std::string FaultServerPeer::Start() {
  std::string script = std::string(QUORVEL_SOURCE_DIR) + "/tests/support/fault_server.py";
  std::string portFile = dir_ / "port";
  std::string program = FindProgram("python3");
  if (program.empty()) return "python3 is not installed";
  Spawn({program, script, portFile, dir_ / "requests.log"});
  if (!process_.started()) return "cannot start the fault server";
  for (int i = 0; i < 500 && access(portFile.c_str(), R_OK) != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  port_ = uint16_t(std::atoi(ReadFileText(portFile).c_str()));
  if (!port_ || !WaitForPort(port_, 5000)) return "the fault server did not come up: " + Log();
  return "";
}

std::string GatedServerPeer::Start(const std::string& root, const std::string& holdPath) {
  std::string script = std::string(QUORVEL_SOURCE_DIR) + "/tests/support/gated_server.py";
  std::string portFile = dir_ / "port";
  std::string program = FindProgram("python3");
  if (program.empty()) return "python3 is not installed";
  Spawn({program, script, portFile, root, holdPath, dir_ / "held", dir_ / "release"});
  if (!process_.started()) return "cannot start the gated server";
  for (int i = 0; i < 500 && access(portFile.c_str(), R_OK) != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  port_ = uint16_t(std::atoi(ReadFileText(portFile).c_str()));
  if (!port_ || !WaitForPort(port_, 5000)) return "the gated server did not come up: " + Log();
  return "";
}

bool GatedServerPeer::WaitHeld(int timeoutMs) {
  const std::string held = dir_ / "held";
  for (int waited = 0; access(held.c_str(), R_OK) != 0; waited += 20) {
    if (waited > timeoutMs) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

void GatedServerPeer::Release() { WriteFileText(dir_ / "release", "go\n"); }

std::vector<std::string> FaultServerPeer::Requests() const {
  std::string all = ReadFileText(dir_ / "requests.log");
  std::vector<std::string> out;
  const std::string sep = "\n=====\n";
  size_t at = 0, next;
  while ((next = all.find(sep, at)) != std::string::npos) {
    out.push_back(all.substr(at, next - at));
    at = next + sep.size();
  }
  return out;
}

std::string FaultBody(const std::string& name, size_t size) {
  std::string out;
  for (int counter = 0; out.size() < size; ++counter) {
    std::string key = name + "/" + std::to_string(counter);
    unsigned char digest[kMD5Size];
    MD5OfBytes(key.data(), key.size(), digest);
    out.append(reinterpret_cast<const char*>(digest), kMD5Size);
  }
  out.resize(size);
  return out;
}
