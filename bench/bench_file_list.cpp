// File lists at scale: merging a 100,000-entry master list with a
// 20,000-entry updated list, and reading a 100,000-line list file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/intrusive_list.h"
#include "update/file_list.h"

namespace {

ZindleFileListEntry* MakeList(int count, int firstId, int stride) {
  ZindleFileListEntry* head = nullptr;
  for (int i = 0; i < count; ++i) {
    auto* e = new ZindleFileListEntry{};
    const int id = firstId + i * stride;
    std::snprintf(e->name, sizeof e->name, "data/dir%03d/file%06d.dat", id % 997, id);
    e->flags = FileRequired;
    std::memset(e->digest, id & 0xFF, 16);
    e->next = head;
    head = e;
  }
  return head;
}

// Half of the updated entries change existing files, half are new.
void BM_MergeLists(benchmark::State& state) {
  const int masterCount = static_cast<int>(state.range(0));
  const int updatedCount = static_cast<int>(state.range(1));
  ZindleFileListEntry* updated = MakeList(updatedCount, masterCount - updatedCount / 2, 1);
  for (auto _ : state) {
    state.PauseTiming();
    ZindleFileListEntry* master = MakeList(masterCount, 0, 1);
    state.ResumeTiming();
    IntegrateFilesLists(master, updated);
    benchmark::DoNotOptimize(master);
    state.PauseTiming();
    WipeList(master);
    state.ResumeTiming();
  }
  WipeList(updated);
  state.SetItemsProcessed(state.iterations() * (masterCount + updatedCount));
}
BENCHMARK(BM_MergeLists)->Args({100000, 20000})->Args({10000, 2000})->Unit(benchmark::kMillisecond);

void BM_ReadFileList(benchmark::State& state) {
  char dir[] = "/tmp/bench-file-list-XXXXXX";
  if (!mkdtemp(dir)) {
    state.SkipWithError("no temporary directory");
    return;
  }
  const std::string path = std::string(dir) + "/master.lst";
  FILE* f = std::fopen(path.c_str(), "wb");
  const int lines = static_cast<int>(state.range(0));
  for (int i = 0; i < lines; ++i) std::fprintf(f, "R %032x data/dir%03d/file%06d.dat\r\n", i * 2654435761u, i % 997, i);
  const long bytes = std::ftell(f);
  std::fclose(f);
  for (auto _ : state) {
    ZindleFileListEntry* list = nullptr;
    ReadFileList(path.c_str(), 5, &list, nullptr, 0, 0);
    if (ListLength(list) != lines) state.SkipWithError("wrong entry count");
    state.PauseTiming();
    WipeList(list);
    state.ResumeTiming();
  }
  std::remove(path.c_str());
  rmdir(dir);
  state.SetBytesProcessed(state.iterations() * bytes);
  state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_ReadFileList)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
