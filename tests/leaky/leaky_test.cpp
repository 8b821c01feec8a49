// A deliberately leaky test, built only for the test of scripts/run-checked
// and never run by the suite: it leaves behind what no test may. Each
// argument names one thing to leave:
//   process  a program that has left its group and lost its parent-death
//            signal, as a server that makes itself a daemon does;
//   folder   a quorvel-test-* folder that is never removed, as a fixture
//            made with new and never deleted leaves;
//   fail     nothing; the exit status is 3, as a failed test's.
// It prints each thing it left: "process PID" or "folder PATH".
#include <unistd.h>

#include <cstdio>
#include <string>

#include "support/temp_dir.h"

int main(int argc, char** argv) {
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string what = argv[i];
    if (what == "process") {
      const pid_t pid = fork();
      if (pid == 0) {
        setsid();
        execl("/bin/sleep", "sleep", "600", nullptr);
        _exit(127);
      }
      std::printf("process %d\n", int(pid));
    } else if (what == "folder") {
      const TempDir* leaked = new TempDir;
      std::printf("folder %s\n", leaked->path().c_str());
    } else if (what == "fail") {
      status = 3;
    }
  }
  return status;
}
