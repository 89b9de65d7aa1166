// Temporary folders for the game's tests: fresh ones under /tmp, removed afterwards, data sets
// that make-data writes into them, and the folder pictures are kept in for review.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// A fresh folder under /tmp named from `pattern` (ending in XXXXXX); aborts when none can be made.
inline std::string NewTempFolder(std::string pattern = "/tmp/vlx_game_XXXXXX") {
  if (!mkdtemp(pattern.data())) abort();
  return pattern;
}

// Removes a folder and all it holds (links are removed, not followed); empty names are left be.
inline void RemoveFolder(const std::string& path) {
  if (path.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

#ifdef VLX_MAKE_DATA
// Runs the built make-data quietly to write a data set into `folder`; true when it succeeded.
inline bool MakeDataSet(const std::string& folder, const std::string& extraArgs = "--no-demo") {
  const std::string cmd = std::string(VLX_MAKE_DATA) + " " + extraArgs + " " + folder + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}
#endif

// Where pictures are kept for review: $VLX_TEST_ARTIFACTS (made when missing), or else the
// current folder.
inline std::string ArtifactsDir() {
  const char* dir = std::getenv("VLX_TEST_ARTIFACTS");
  std::error_code ignored;
  if (!dir) return std::filesystem::current_path(ignored).string();
  std::filesystem::create_directories(dir, ignored);
  return dir;
}

// A fresh temporary folder that is the current folder for one test, removed afterwards.

struct TempDir {
  std::string path;
  std::string saved;

  void Enter() {
    path = NewTempFolder();
    char cwd[4096];
    saved = getcwd(cwd, sizeof cwd) ? cwd : "/";
    if (chdir(path.c_str()) != 0) abort();
  }
  void Leave() {
    if (chdir(saved.c_str()) != 0) abort();
    RemoveFolder(path);
  }
  std::vector<unsigned char> Read(const std::string& name) const {
    std::vector<unsigned char> out;
    FILE* f = fopen((path + "/" + name).c_str(), "rb");
    if (!f) return out;
    unsigned char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    fclose(f);
    return out;
  }
  void Write(const std::string& name, const std::vector<unsigned char>& bytes) const {
    FILE* f = fopen((path + "/" + name).c_str(), "wb");
    if (!f) abort();
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
  }
  bool Exists(const std::string& name) const {
    struct stat st;
    return stat((path + "/" + name).c_str(), &st) == 0;
  }
};
