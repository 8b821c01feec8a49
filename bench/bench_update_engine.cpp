// The update engine measured as the launcher runs it: a real program window
// (SDL's dummy driver headless, or an X display), the windowed drawing device,
// the GUI skin and its 500 ms tick timer, a DownloadWindow on a 720 x 505
// backdrop, and the loop turned by CheckRedraw(0, 0) as the launcher's state
// loop turns it. Each mode does one piece of work and prints one line of
// "key=value" figures; bench/update_engine_vs_curl.sh runs the modes against
// nginx and the usual tools.
//
//   bench_update_engine fetch BASEURL DIR NAMEFILE  every name in NAMEFILE (one a line) fetched into DIR
//   bench_update_engine digest DIR MD5FILE          the digest pass over the files an md5sum listing names
//   bench_update_engine wait BASEURL NAME SECONDS   the loop with a transfer queued for SECONDS (a server
//                                                   that stalls), or with none when BASEURL is "-"
//   bench_update_engine patch DIR TARGET PATCH RESULTMD5 SIZE
//                                                   ApplyPatch of DIR/PATCH to DIR/TARGET, as a finished
//                                                   patch download completes
//
// The skin is read from QUORVEL_ASSETS (default: the assets folder of the
// source tree). BENCH_MAX_CONNECTIONS stands for the stored MaxConnections. Exit status 0 when the work ended as it
// should (every file fetched, every digest matched, the patch verified), 1 otherwise.
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "foundation/log.h"
#include "foundation/program_clock.h"
#include "foundation/runtime.h"
#include "gfx/gfx_device.h"
#include "gfx/vga565_device.h"
#include "gui/display_startup.h"
#include "gui/frame_pump.h"
#include "gui/gui_backdrop_window.h"
#include "gui/gui_message_handler.h"
#include "transport/http_download.h"
#include "transport/md5.h"
#include "transport/transport_globals.h"
#include "update/download_window.h"
#include "update/file_list_entry.h"
#include "update/patch_apply.h"
#include "update/update_globals.h"
#include "update/verification.h"

namespace {

constexpr int kWidth = 720, kHeight = 505;

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A field of /proc/self/status in kB ("RssAnon:", "VmHWM:"), or -1.
long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const size_t n = std::strlen(field);
  while (std::getline(in, line))
    if (line.compare(0, n, field) == 0) return std::atol(line.c_str() + n);
  return -1;
}

// The largest RssAnon seen while it runs, sampled every 2 ms (the kernel
// keeps no peak of the anonymous part alone).
class RssAnonSampler {
 public:
  RssAnonSampler()
      : thread_([this] {
          while (!stop_) {
            long kb = StatusKb("RssAnon:");
            if (kb > peak_) peak_ = kb;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
          }
        }) {}
  long Stop() {
    stop_ = true;
    thread_.join();
    return peak_;
  }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<long> peak_{0};
  std::thread thread_;
};

// The launcher's main window in miniature: the download window's parent,
// counting the reports that reach it.
class HostBackdrop : public GUIBackdropWindow {
 public:
  HostBackdrop() : GUIBackdropWindow(0, 0, kWidth, kHeight, 20, 30, 60) { Flags |= FillsWindow; }
  int fetched = 0, failed = 0, unchanged = 0;
  int HandleMessage(int msg, int a, int b, void* p, void* q) override {
    if (msg != kDownloadReportMessage) return GUIBackdropWindow::HandleMessage(msg, a, b, p, q);
    if (a == 0) ++fetched;
    else if (a == 4) ++unchanged;
    else {
      ++failed;
      if (failed <= 3)
        std::fprintf(stderr, "failed: %s: %s\n", q ? static_cast<char*>(q) : "", p ? static_cast<char*>(p) : "");
    }
    return 1;
  }
};

long BenchWindowProc(HWND window, unsigned message, unsigned long wParam, long lParam) {
  if (window == hMainWindow) {
    GfxWindowMessageHandler(message, wParam, lParam);
    GUIMessageHandler(message, wParam, lParam);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HostBackdrop* g_host = nullptr;
DownloadWindow* g_window = nullptr;

bool StartProgram(const char* url, const char* dir) {
  // The skin is read from the assets folder, so the directory is made absolute first.
  char* absolute = realpath(dir, nullptr);
  if (!absolute) {
    std::fprintf(stderr, "no directory %s\n", dir);
    return false;
  }
  const std::string destination = std::string(absolute) + "/";
  std::free(absolute);
  std::string assets = std::getenv("QUORVEL_ASSETS") ? std::getenv("QUORVEL_ASSETS") : QUORVEL_BENCH_ASSETS;
  if (chdir(assets.c_str()) != 0) {
    std::fprintf(stderr, "no skin at %s\n", assets.c_str());
    return false;
  }
  DisplayStartError error = CreateProgramWindow({.ClassName = "QuorvelBench",
                                                 .Title = "Quorvel Bench",
                                                 .Proc = BenchWindowProc,
                                                 .ClientWidth = kWidth,
                                                 .ClientHeight = kHeight});
  if (error == DisplayStartError::kNone) error = StartWindowedDisplay(kWidth, kHeight);
  if (error != DisplayStartError::kNone) {
    std::fprintf(stderr, "%s\n", DisplayStartErrorText(error));
    return false;
  }
  StartGUI();
  g_host = new HostBackdrop;
  AddTopLevelObject(g_host);
  g_window = new DownloadWindow(g_host, url, CurGfxDevice->LoadTexture("zindimgs/menudkgr.tga", 0), "qtrv:bench",
                                destination.c_str(), nullptr);
  g_window->Downloads.SetSecondsToWaitForDownloadRetry(0);
  Need_Redraw = 1;
  CheckRedraw(1, 1);
  LastDrawTimerCount = GetTimerCount();
  return true;
}

int Presents() {
  auto* device = dynamic_cast<VGA565Device*>(CurGfxDevice);
  return device ? device->PresentCount : -1;
}

// The figures every mode prints: wall and CPU seconds, pump passes and
// presents, each also per second.
void PrintCommon(double wall, double cpu, unsigned long passes, int presents) {
  std::printf("wall_s=%.3f cpu_s=%.3f cpu_pct=%.2f passes=%lu passes_per_s=%.1f presents=%d", wall, cpu,
              wall > 0 ? 100 * cpu / wall : 0, passes, wall > 0 ? passes / wall : 0, presents);
}

int Fetch(const char* url, const char* dir, const char* nameFile) {
  std::ifstream in(nameFile);
  std::vector<std::string> names;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) names.push_back(line);
  if (names.empty()) {
    std::fprintf(stderr, "no names in %s\n", nameFile);
    return 1;
  }
  if (!StartProgram(url, dir)) return 1;
  // Newest queued runs first: queue backwards so the files come in order.
  for (auto it = names.rbegin(); it != names.rend(); ++it)
    g_window->Downloads.AddNewDownload(it->c_str(), nullptr, nullptr, kDownloadUnconditional, nullptr);
  const unsigned long passes0 = FramePumpPasses;
  const int presents0 = Presents();
  const double t0 = Now(), c0 = CpuSeconds();
  while (g_window->Downloads.Pending() && Now() - t0 < 600) CheckRedraw(0, 0);
  const double wall = Now() - t0, cpu = CpuSeconds() - c0;
  long long bytes = 0;
  for (const auto& n : names) {
    std::ifstream f(std::string(dir) + "/" + n, std::ios::binary | std::ios::ate);
    if (f) bytes += f.tellg();
  }
  PrintCommon(wall, cpu, FramePumpPasses - passes0, Presents() - presents0);
  std::printf(" files=%zu fetched=%d failed=%d bytes=%lld mb_per_s=%.1f files_per_s=%.0f\n", names.size(),
              g_host->fetched, g_host->failed, bytes, bytes / wall / 1e6, names.size() / wall);
  return g_host->fetched == int(names.size()) && g_host->failed == 0 ? 0 : 1;
}

bool ParseHex(const std::string& hex, unsigned char out[16]) {
  if (hex.size() < 32) return false;
  for (int i = 0; i < 16; ++i) {
    unsigned v = 0;
    if (std::sscanf(hex.c_str() + 2 * i, "%2x", &v) != 1) return false;
    out[i] = static_cast<unsigned char>(v);
  }
  return true;
}

int g_checked = 0, g_queued = 0;
// The progress line the launcher redraws for every checked file.
void CheckedOne(const char*) {
  ++g_checked;
  g_host->RedrawRegion(20, kHeight - 60, kWidth - 20, kHeight - 40);
}
void QueuedOne() { ++g_queued; }

int Digest(const char* dir, const char* md5File) {
  // "HEX  NAME" lines; the list holds them in file order.
  std::ifstream in(md5File);
  ZindleFileListEntry* list = nullptr;
  ZindleFileListEntry** tail = &list;
  int entries = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.size() < 35) continue;
    auto* e = new ZindleFileListEntry{};
    if (!ParseHex(line, e->digest)) {
      delete e;
      continue;
    }
    e->flags = FileRequired;
    std::snprintf(e->name, sizeof e->name, "%s", line.c_str() + 34);
    *tail = e;
    tail = &e->next;
    ++entries;
  }
  if (!StartProgram("http://127.0.0.1:9/", dir)) return 1;
  g_window->Downloads.Status = kDownloadWindowBusy;
  const unsigned long passes0 = FramePumpPasses;
  const int presents0 = Presents();
  const double t0 = Now(), c0 = CpuSeconds();
  ChecksumFilesAndAddZindleEntriesToDownloadQueue(g_window, list, FileRequired, nullptr, nullptr, CheckedOne,
                                                  QueuedOne);
  const double wall = Now() - t0, cpu = CpuSeconds() - c0;
  PrintCommon(wall, cpu, FramePumpPasses - passes0, Presents() - presents0);
  std::printf(" entries=%d checked=%d queued=%d\n", entries, g_checked, g_queued);
  while (list) {
    ZindleFileListEntry* next = list->next;
    delete list;
    list = next;
  }
  return g_checked == entries && g_queued == 0 ? 0 : 1;
}

int Wait(const char* url, const char* name, double seconds) {
  const bool transfer = std::strcmp(url, "-") != 0;
  char scratch[] = "/tmp/quorvel-bench-wait-XXXXXX";
  if (!mkdtemp(scratch)) return 1;
  if (!StartProgram(transfer ? url : "http://127.0.0.1:9/", scratch)) return 1;
  if (transfer) g_window->Downloads.AddNewDownload(name, nullptr, nullptr, kDownloadUnconditional, nullptr);
  // Let the transfer start and reach the stall before counting.
  const double start = Now();
  while (Now() - start < 1.0) CheckRedraw(0, 0);
  const unsigned long passes0 = FramePumpPasses;
  const int presents0 = Presents();
  const double t0 = Now(), c0 = CpuSeconds();
  while (Now() - t0 < seconds) CheckRedraw(0, 0);
  const double wall = Now() - t0, cpu = CpuSeconds() - c0;
  PrintCommon(wall, cpu, FramePumpPasses - passes0, Presents() - presents0);
  const bool running = !g_window->Downloads.Running().empty();
  std::printf(" transfer=%s\n", transfer ? (running ? "stalled" : "ended") : "none");
  std::string cleanup = std::string("rm -rf ") + scratch;
  (void)std::system(cleanup.c_str());
  return !transfer || running ? 0 : 1;
}

int Patch(const char* dir, const char* target, const char* patchName, const char* resultHex, long long size) {
  const std::string targetPath = std::string(dir) + "/" + target;
  auto* entry = new ZindlePatchEntry{};
  if (!ParseHex(resultHex, entry->resultDigest)) return 1;
  // The list's source digest is that of the installed file (not timed).
  if (!GetMD5(targetPath.c_str(), entry->sourceDigest)) {
    std::fprintf(stderr, "cannot read %s\n", targetPath.c_str());
    return 1;
  }
  entry->resultSize = static_cast<int>(size);
  std::snprintf(entry->patchName, sizeof entry->patchName, "%s", patchName);
  std::snprintf(entry->targetName, sizeof entry->targetName, "%s", target);
  if (!StartProgram("http://127.0.0.1:9/", dir)) return 1;
  PatchList = entry;
  QueuedPatch* queued = NewQueuedPatch(*entry, entry->resultDigest);
  const long before = StatusKb("RssAnon:");
  RssAnonSampler sampler;
  const double t0 = Now(), c0 = CpuSeconds();
  ApplyPatch(g_window, queued);
  const double wall = Now() - t0, cpu = CpuSeconds() - c0;
  const long peak = sampler.Stop();
  const bool ok = PatchesEnabled && !g_window->Downloads.Pending();
  PrintCommon(wall, cpu, 0, 0);
  std::printf(" mb=%.1f mb_per_s=%.1f rss_anon_before_kb=%ld rss_anon_peak_kb=%ld vm_hwm_kb=%ld result=%s\n",
              size / 1e6, size / wall / 1e6, before, peak, StatusKb("VmHWM:"), ok ? "verified" : "failed");
  FreeQueuedPatch(queued);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  LogEnabled = 0;
  RunAllInitializers();
  const std::string mode = argc > 1 ? argv[1] : "";
  if (const char* connections = std::getenv("BENCH_MAX_CONNECTIONS"))
    MaxConnections = ClampMaxConnections(std::atoll(connections));
  int status = 2;
  if (mode == "fetch" && argc == 5) status = Fetch(argv[2], argv[3], argv[4]);
  else if (mode == "digest" && argc == 4) status = Digest(argv[2], argv[3]);
  else if (mode == "wait" && argc == 5) status = Wait(argv[2], argv[3], std::atof(argv[4]));
  else if (mode == "patch" && argc == 7) status = Patch(argv[2], argv[3], argv[4], argv[5], std::atoll(argv[6]));
  else std::fprintf(stderr, "usage: see the head of bench/bench_update_engine.cpp\n");
  std::fflush(stdout);
  // The window and device go with the process; nothing else is kept.
  _exit(status);
}
