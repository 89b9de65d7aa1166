// A fresh temporary folder that is the current folder for one test, removed afterwards.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

struct TempDir {
  std::string path;
  std::string saved;

  void Enter() {
    char tmpl[] = "/tmp/vlx_game_XXXXXX";
    path = mkdtemp(tmpl);
    char cwd[4096];
    saved = getcwd(cwd, sizeof cwd) ? cwd : "/";
    if (chdir(path.c_str()) != 0) abort();
  }
  void Leave() {
    if (chdir(saved.c_str()) != 0) abort();
    nftw(path.c_str(), [](const char* p, const struct stat*, int, struct FTW*) { return remove(p); }, 16,
         FTW_DEPTH | FTW_PHYS);
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
