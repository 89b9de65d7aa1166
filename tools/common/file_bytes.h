// Whole files as bytes, for the tools and their tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The file's bytes; empty when it cannot be opened or read.
std::vector<uint8_t> ReadFileBytes(const std::string& path);
// Writes (replacing) the file; false when it cannot be opened, written whole or closed.
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& data);
