#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

TempDir::TempDir() {
  char buf[] = "/tmp/quorvel-test-XXXXXX";
  if (mkdtemp(buf)) {
    path_ = buf;
  } else {
    ADD_FAILURE() << "cannot make a temporary directory";
    path_ = "/nonexistent-quorvel-test-dir";
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}
