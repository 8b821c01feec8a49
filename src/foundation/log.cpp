#include "foundation/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/mutex.h"

unsigned char LogEnabled = 1;
char LogFileName[260] = "game.log";
unsigned long FastLogs = 0;
int TCPLogPort = -1;

namespace {
FILE* logfile = nullptr;
pthread_mutex_t LogMutex = PTHREAD_MUTEX_INITIALIZER;
bool g_initted = false;
const LogNetworkService* g_network = nullptr;

void VLog(const char* format, va_list args, int toNetwork) {
  if (!LogEnabled) return;
  char line[512];
  int n = std::snprintf(line, sizeof line, "%9d : ", int(std::clock()));
  if (n < 0 || n >= int(sizeof line)) n = 0;
  std::vsnprintf(line + n, sizeof line - n, format, args);
  __Log(line, toNetwork);
}
}  // namespace

void SetLogNetworkService(const LogNetworkService* service) { g_network = service; }

void Log(const char* format, ...) {
  va_list args;
  va_start(args, format);
  VLog(format, args, 1);
  va_end(args);
}

void FLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  VLog(format, args, 0);
  va_end(args);
}

void __Log(const char* text, int toNetwork) {
  pthread_mutex_lock(&LogMutex);
  if (!g_initted) {
    g_initted = true;
    // A name that does not fit is not cut: the cut name is some other file,
    // which opening for writing would empty. The log stays silent instead.
    int length = 0;
    if (const char* name = std::getenv("LOGFILENAME")) {
      length = std::snprintf(LogFileName, sizeof LogFileName, "%s", name);
    } else if (const char* ip = std::getenv("MYIPADR")) {
      length = std::snprintf(LogFileName, sizeof LogFileName, "game.log.%s", ip);
    }
    if (length >= 0 && size_t(length) < sizeof LogFileName) logfile = std::fopen(LogFileName, "w");
    if (logfile) std::fprintf(logfile, "%9d : Log System initted\n", int(std::clock()));
  }
  bool network = TCPLogPort != -1 && toNetwork && g_network;
  if (network) g_network->acceptClients(TCPLogPort);
  if (logfile) {
    std::fputs(text, logfile);
    std::fputs("\n", logfile);
    if (network) g_network->sendToClients(text);
    if (!FastLogs) std::fflush(logfile);
  }
  pthread_mutex_unlock(&LogMutex);
}

void ResetLogForTests() {
  pthread_mutex_lock(&LogMutex);
  if (logfile) std::fclose(logfile);
  logfile = nullptr;
  g_initted = false;
  std::strcpy(LogFileName, "game.log");
  pthread_mutex_unlock(&LogMutex);
}
