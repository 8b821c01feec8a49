// LZS encode and decode throughput on 10 MB of text-like and of random data,
// and GetMD5 against md5sum on the same file. Run by hand; never a test.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "transport/lzs.h"
#include "transport/md5.h"

namespace {
constexpr size_t kCorpusSize = 10 * 1000 * 1000;

const std::vector<unsigned char>& Corpus(bool text) {
  static std::vector<unsigned char> corpora[2];
  std::vector<unsigned char>& c = corpora[text];
  if (c.empty()) {
    std::mt19937 rng(text ? 1 : 2);
    if (text) {
      static const char* words[] = {"texture ", "zindimgs/back.tga", "\r\n",   "Quorvel Online ", "the ",
                                    "0123456 ", "master.lst ",       "patch ", "digest ",         "d41d8cd98f00b204 "};
      while (c.size() < kCorpusSize) {
        const char* w = words[rng() % 10];
        c.insert(c.end(), w, w + std::strlen(w));
      }
      c.resize(kCorpusSize);
    } else {
      c.resize(kCorpusSize);
      for (auto& b : c) b = static_cast<unsigned char>(rng());
    }
  }
  return c;
}

// Files are encoded in the container's 16384-byte blocks, as they are stored.
void Encode(benchmark::State& state, bool text) {
  const auto& in = Corpus(text);
  std::vector<unsigned char> out(LZSWorstCase(16384));
  size_t encoded = 0;
  for (auto _ : state) {
    encoded = 0;
    for (size_t at = 0; at < in.size(); at += 16384) {
      int n = static_cast<int>(std::min<size_t>(16384, in.size() - at));
      encoded += LZSEncode(in.data() + at, out.data(), n);
    }
  }
  state.SetBytesProcessed(state.iterations() * in.size());
  state.counters["ratio"] = static_cast<double>(encoded) / in.size();
}

void Decode(benchmark::State& state, bool text) {
  const auto& in = Corpus(text);
  std::vector<std::vector<unsigned char>> blocks;
  for (size_t at = 0; at < in.size(); at += 16384) {
    int n = static_cast<int>(std::min<size_t>(16384, in.size() - at));
    std::vector<unsigned char> b(LZSWorstCase(n));
    b.resize(LZSEncode(in.data() + at, b.data(), n));
    blocks.push_back(std::move(b));
  }
  std::vector<unsigned char> out(16384);
  for (auto _ : state) {
    for (const auto& b : blocks) {
      int produced;
      LZSDecode(b.data(), out.data(), static_cast<int>(b.size()), produced, 16384);
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetBytesProcessed(state.iterations() * in.size());
}

std::string CorpusFile() {
  static std::string path;
  if (path.empty()) {
    path = "/tmp/quorvel_bench_md5_" + std::to_string(std::random_device{}()) + ".bin";
    FILE* f = std::fopen(path.c_str(), "wb");
    // 100 MB, so that process start-up does not dominate md5sum's time.
    for (int i = 0; i < 10; ++i) std::fwrite(Corpus(false).data(), 1, kCorpusSize, f);
    std::fclose(f);
  }
  return path;
}

void GetMD5Throughput(benchmark::State& state) {
  std::string path = CorpusFile();
  unsigned char digest[kMD5Size];
  for (auto _ : state) GetMD5(path.c_str(), digest);
  state.SetBytesProcessed(state.iterations() * 10 * kCorpusSize);
}

// md5sum on the same file, timed from the outside (process start included).
void Md5sumThroughput(benchmark::State& state) {
  std::string command = "md5sum '" + CorpusFile() + "' > /dev/null";
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("md5sum failed");
  state.SetBytesProcessed(state.iterations() * 10 * kCorpusSize);
}
}  // namespace

BENCHMARK_CAPTURE(Encode, text, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Encode, binary, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, text, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, binary, false)->Unit(benchmark::kMillisecond);
BENCHMARK(GetMD5Throughput)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Md5sumThroughput)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  std::remove(CorpusFile().c_str());
  return 0;
}
