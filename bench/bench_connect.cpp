// The connect to a server whose name has an IPv6 address that refuses and an
// IPv4 address that answers, raced as the downloads race them, against a
// plain IPv4 connect to the same listener on loopback. Run by hand; needs an
// IPv6 loopback (::1) on which nothing listens at the listener's port.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "foundation/log.h"
#include "foundation/runtime.h"
#include "transport/real_tcp_connection.h"

namespace {
NodeAddress Literal(const char* text) {
  NodeAddress a{};
  ParseAddressLiteral(text, &a);
  return a;
}

// Connects to the listener by addresses without blocking, waiting on what the
// connection offers, and takes the accepted side off the listener.
bool ConnectOnce(RealTCPConnection& listener, const std::vector<NodeAddress>& addresses) {
  RealTCPConnection c(listener.LocalPort(), addresses, 0, 1);
  for (int i = 0; i < 100 && !(c.flags & (sockflags_connected | sockflags_fatal_error)); ++i) {
    PlatPollItem item = {
        c.Connecting() ? c.RaceWaitHandle() : c.socket, c.Connecting(), !c.Connecting(), false, false, false};
    PlatSocketPoll(&item, 1, 1000);
    c.TryToConnect();
  }
  std::unique_ptr<RealTCPConnection> server;
  for (int i = 0; i < 100 && !server; ++i) {
    server.reset(listener.Accept(nullptr));
    if (!server) {
      PlatPollItem item = {listener.socket, true, false, false, false, false};
      PlatSocketPoll(&item, 1, 10);
    }
  }
  return (c.flags & sockflags_connected) && server;
}

void Run(benchmark::State& state, const std::vector<NodeAddress>& addresses) {
  RealTCPConnection listener(uint16_t(0));
  for (auto _ : state) {
    if (!ConnectOnce(listener, addresses)) {
      state.SkipWithError("no connection");
      return;
    }
  }
}

void BM_ConnectIPv4(benchmark::State& state) { Run(state, {Literal("127.0.0.1")}); }
void BM_ConnectIPv6RefusesThenIPv4(benchmark::State& state) { Run(state, {Literal("::1"), Literal("127.0.0.1")}); }

double Min(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }
}  // namespace

BENCHMARK(BM_ConnectIPv4)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(200)
    ->Repetitions(9)
    ->ComputeStatistics("min", Min)
    ->UseRealTime();
BENCHMARK(BM_ConnectIPv6RefusesThenIPv4)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(200)
    ->Repetitions(9)
    ->ComputeStatistics("min", Min)
    ->UseRealTime();

int main(int argc, char** argv) {
  LogEnabled = 0;
  RunAllInitializers();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
