// FileDownload throughput over loopback, driven as the launcher drives it.
// Needs a server: QUORVEL_BENCH_URL is the base URL (e.g. http://127.0.0.1:8080)
// serving big.bin and small/0.bin ... small/1999.bin; QUORVEL_BENCH_DIR is a
// scratch directory. bench/http_vs_curl.sh sets both and compares with curl.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "foundation/log.h"
#include "foundation/program_clock.h"
#include "foundation/runtime.h"
#include "transport/http_download.h"

namespace {
std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// One whole transfer; false when it did not end in place.
bool Fetch(const std::string& url, const std::string& name, const std::string& dir) {
  auto d =
      std::make_unique<FileDownload>(url.c_str(), name.c_str(), kDownloadUnconditional, nullptr, dir.c_str(), nullptr);
  int percent = 0;
  int r;
  while ((r = d->Update(percent)) == kDownloadFlowing || r == kDownloadWaiting) d->WaitForActivity(50);
  d->Reset(1);
  return r == kDownloadFinished;
}

void BM_BigFile(benchmark::State& state) {
  std::string base = Env("QUORVEL_BENCH_URL"), dir = Env("QUORVEL_BENCH_DIR") + "/";
  int64_t bytes = 0;
  for (auto _ : state) {
    if (!Fetch(base + "/big.bin", "big.bin", dir)) {
      state.SkipWithError("download failed");
      return;
    }
    bytes += int64_t(std::filesystem::file_size(dir + "big.bin"));
  }
  state.SetBytesProcessed(bytes);
}

void BM_SmallFiles(benchmark::State& state) {
  std::string base = Env("QUORVEL_BENCH_URL"), dir = Env("QUORVEL_BENCH_DIR") + "/";
  int files = int(state.range(0));
  for (auto _ : state) {
    for (int i = 0; i < files; ++i) {
      std::string name = "small/" + std::to_string(i) + ".bin";
      if (!Fetch(base + "/" + name, name, dir)) {
        state.SkipWithError("download failed");
        return;
      }
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * files);
}

BENCHMARK(BM_BigFile)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseRealTime();
BENCHMARK(BM_SmallFiles)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseRealTime();
}  // namespace

int main(int argc, char** argv) {
  LogEnabled = 0;
  RunAllInitializers();
  SetTimerRate(18532);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
