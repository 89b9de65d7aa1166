// A fresh folder under /tmp that becomes the current directory for one test, removed afterwards.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"

class TempFolder {
public:
  TempFolder() {
    char pattern[] = "/tmp/vlx_files_XXXXXX";
    path_ = mkdtemp(pattern);
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  std::string WindowsPath() const { return plat::ToWindowsPath(path_); }

  // Writes a file (POSIX path relative to the folder), creating its folders.
  void Write(const std::string& relative, const std::vector<uint8_t>& data) const {
    std::filesystem::path p = std::filesystem::path(path_) / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
  }
  void Write(const std::string& relative, const std::string& text) const {
    Write(relative, std::vector<uint8_t>(text.begin(), text.end()));
  }

private:
  std::string path_;
  std::filesystem::path old_;
};

inline std::vector<uint8_t> TestBytes(size_t n, uint32_t seed, bool compressible) {
  std::vector<uint8_t> v(n);
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < n; i++) {
    x = x * 1103515245u + 12345u;
    v[i] = compressible ? uint8_t("VELMARONDIX archive test "[(x >> 20) % 8 + (i / 7) % 17]) : uint8_t(x >> 16);
  }
  return v;
}
