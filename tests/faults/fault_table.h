// The reliability matrix: every fault case records one row per run (did the
// restart recover, how many listed files were lost, how many temporary files
// were left behind), and the table of all cases run by this program is printed
// when it ends. QUORVEL_FAULT_RUNS sets the runs per case (a few by default,
// so the whole matrix stays short in CI; scripts/faults passes more).
#pragma once

#include <string>

// Runs per case: QUORVEL_FAULT_RUNS when it is a positive number, else shortDefault.
int FaultRuns(int shortDefault = 2);

// One run of a case. lost: listed files missing or wrong after the recovery;
// leftovers: temporary files of the transfer, copy or patch still present.
void RecordFaultRun(const std::string& caseName, bool recovered, int lost, int leftovers);

// The table as printed: one line per case, in the order cases first recorded.
std::string FaultTableText();
