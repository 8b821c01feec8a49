#include "faults/fault_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

struct FaultRow {
  std::string name;
  int runs = 0;
  int recovered = 0;
  long lost = 0;
  long leftovers = 0;
};

std::mutex& TableLock() {
  static std::mutex lock;
  return lock;
}

std::vector<FaultRow>& Rows() {
  static std::vector<FaultRow> rows;
  return rows;
}

// Printed after the last test, so the table closes the program's output.
class FaultTablePrinter : public testing::Environment {
 public:
  void TearDown() override {
    if (Rows().empty()) return;
    std::printf("\n%s", FaultTableText().c_str());
    std::fflush(stdout);
  }
};

const bool kRegistered = (testing::AddGlobalTestEnvironment(new FaultTablePrinter), true);

}  // namespace

int FaultRuns(int shortDefault) {
  (void)kRegistered;
  if (const char* text = std::getenv("QUORVEL_FAULT_RUNS")) {
    const int n = std::atoi(text);
    if (n > 0) return n;
  }
  return shortDefault;
}

void RecordFaultRun(const std::string& caseName, bool recovered, int lost, int leftovers) {
  std::lock_guard<std::mutex> hold(TableLock());
  for (FaultRow& row : Rows()) {
    if (row.name != caseName) continue;
    ++row.runs;
    row.recovered += recovered ? 1 : 0;
    row.lost += lost;
    row.leftovers += leftovers;
    return;
  }
  Rows().push_back(FaultRow{caseName, 1, recovered ? 1 : 0, lost, leftovers});
}

std::string FaultTableText() {
  std::lock_guard<std::mutex> hold(TableLock());
  std::string out;
  char line[256];
  std::snprintf(line, sizeof line, "%-44s %5s %9s %10s %9s\n", "case", "runs", "recovered", "files lost", "leftovers");
  out += line;
  for (const FaultRow& row : Rows()) {
    std::snprintf(line, sizeof line, "%-44s %5d %9d %10ld %9ld\n", row.name.c_str(), row.runs, row.recovered, row.lost,
                  row.leftovers);
    out += line;
  }
  return out;
}
