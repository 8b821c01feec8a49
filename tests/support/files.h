// Whole-file reads and writes for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The file's bytes; "" (or an empty vector) when it cannot be read.
std::string ReadFileText(const std::string& path);
std::vector<uint8_t> ReadFileBytes(const std::string& path);

// Replaces the file with the bytes, creating its missing parent directories.
// A write that fails is a test failure, so a broken setup is not mistaken for
// a fault of the code under test.
void WriteFileText(const std::string& path, const std::string& text);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

bool FileExists(const std::string& path);
