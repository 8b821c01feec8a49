// The main of every test program: the registered initialisers run first, as
// they do in the program, and the log stays off unless a test turns it on.
#include <gtest/gtest.h>

#include "foundation/log.h"
#include "foundation/runtime.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  LogEnabled = 0;
  RunAllInitializers();
  int status = RUN_ALL_TESTS();
  return status;
}
