// quorvel-tool fetch URL NAME DIR [--digest HEX] [--unconditional]
//   [--proxy HOST:PORT] [--proxy-auth USER:PASS] [--socks HOST:PORT]
//
// Runs one FileDownload to its end the way the launcher drives it: the
// program clock at 64 ticks per second, Update called until it reports an
// end. Prints "result N" (0 fetched, 2 failed, 4 not modified) and, after a
// failure, the error text on the next line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "foundation/alloc.h"
#include "foundation/program_clock.h"
#include "platform/filesystem.h"
#include "tool/tool_command.h"
#include "transport/base64.h"
#include "transport/download_support.h"
#include "transport/http_download.h"
#include "transport/md5.h"
#include "transport/socks5.h"
#include "transport/transport_globals.h"
#include "update/stale_work_files.h"

namespace {

int Run(int argc, char** argv);
const ToolCommand kCommand = {
    "fetch",
    "fetch URL NAME DIR [--digest HEX] [--unconditional] [--proxy HOST:PORT] [--proxy-auth USER:PASS] "
    "[--socks HOST:PORT]",
    "download one file as the launcher does; prints the result", Run};
ToolCommandRegistration reg(kCommand);

bool SplitHostPortArg(const char* text, std::string* host, int* port) {
  const char* colon = std::strrchr(text, ':');
  if (!colon || colon == text) return false;
  char* end = nullptr;
  long p = std::strtol(colon + 1, &end, 10);
  if (!*(colon + 1) || *end || p < 1 || p > 65535) return false;
  host->assign(text, size_t(colon - text));
  *port = int(p);
  return true;
}

int Run(int argc, char** argv) {
  if (WantsHelp(argc, argv)) return ToolHelp(kCommand);
  const char* positional[3] = {nullptr, nullptr, nullptr};
  int npos = 0;
  const char* digestHex = nullptr;
  const char* proxy = nullptr;
  const char* proxyAuth = nullptr;
  const char* socks = nullptr;
  int flags = 0;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](const char** out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    if (a == "--unconditional") {
      flags |= kDownloadUnconditional;
    } else if (a == "--digest") {
      if (!value(&digestHex)) return ToolError("--digest needs a value");
    } else if (a == "--proxy") {
      if (!value(&proxy)) return ToolError("--proxy needs HOST:PORT");
    } else if (a == "--proxy-auth") {
      if (!value(&proxyAuth)) return ToolError("--proxy-auth needs USER:PASS");
    } else if (a == "--socks") {
      if (!value(&socks)) return ToolError("--socks needs HOST:PORT");
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      return ToolError("unknown option %s", a.c_str());
    } else if (npos < 3) {
      positional[npos++] = argv[i];
    } else {
      return ToolError("too many arguments (see fetch --help)");
    }
  }
  if (npos != 3) return ToolError("usage: quorvel-tool %s", kCommand.usage);

  unsigned char digest[kMD5Size];
  if (digestHex && !HexToMD5(digestHex, digest)) return ToolError("--digest needs 32 hexadecimal digits");
  if (proxyAuth && !std::strchr(proxyAuth, ':')) return ToolError("--proxy-auth needs USER:PASS");

  SetTimerRate(kTimerRate64Hz);
  std::string proxyHost;
  if (proxy) {
    if (!SplitHostPortArg(proxy, &proxyHost, &ProxyPort)) return ToolError("--proxy needs HOST:PORT");
    ProxyServer = StrDup(proxyHost.c_str(), "proxy server");
    if (proxyAuth) ProxyAuthentication = ToBase64(proxyAuth);
  }
  if (socks) {
    std::string host;
    int port = 0;
    if (!SplitHostPortArg(socks, &host, &port)) return ToolError("--socks needs HOST:PORT");
    SetSocksProxy(host.c_str(), uint16_t(port));
    if (!SocksProxyInUse()) return ToolError("cannot resolve SOCKS proxy %s", host.c_str());
  }

  // The directory is a prefix of the local names; give it its separator.
  std::string dir = positional[2];
  if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += kPathSeparator;

  // The clock starts at 0 in every run, so a run that was killed left its
  // raw response under the name this one's takes: it is removed first, as
  // the launcher's check of a file does, and the body stays for the resume.
  StaleWorkFileSweeper().Sweep(PlatNativePath(dir + positional[1]), true);
  auto download = std::make_unique<FileDownload>(positional[0], positional[1], flags, proxyAuth, dir.c_str(),
                                                 digestHex ? digest : nullptr);
  int percent = 0;
  int result;
  for (;;) {
    result = download->Update(percent);
    if (result == kDownloadFinished || result == kDownloadFailed || result == kDownloadNotModified) break;
    download->WaitForActivity(50);
  }
  std::printf("result %d\n", result);
  if (result == kDownloadFailed) std::printf("%s\n", download->ErrorString());
  std::fflush(stdout);
  download->Reset(1);
  download.reset();

  ResetTransportGlobals();
  return result == kDownloadFailed ? 1 : 0;
}

}  // namespace
