#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

std::string TempRoot() {
  const char* dir = std::getenv("TMPDIR");
  return dir && *dir ? dir : "/tmp";
}

TempDir::TempDir() {
  std::string name = TempRoot() + "/quorvel-test-XXXXXX";
  if (mkdtemp(name.data())) {
    path_ = name;
  } else {
    ADD_FAILURE() << "cannot make a temporary directory in " << TempRoot();
    path_ = "/nonexistent-quorvel-test-dir";
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}
