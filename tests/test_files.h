// Small file helpers the test groups share.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// The whole file as bytes; empty when it cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
