// A fresh temporary folder that becomes the current and the start-up folder for one test.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/base/base_state.h"

struct TestFolder {
  std::string path;
  std::string saved;

  void Enter() {
    char tmpl[] = "/tmp/vlx_base_XXXXXX";
    path = mkdtemp(tmpl);
    char cwd[4096];
    saved = getcwd(cwd, sizeof cwd) ? cwd : "/";
    if (chdir(path.c_str()) != 0) abort();
    snprintf(g_StartDirectory, START_DIRECTORY_SIZE, "%s", path.c_str());
  }
  void Leave() {
    if (chdir(saved.c_str()) != 0) abort();
    g_StartDirectory[0] = '\0';
    nftw(path.c_str(), [](const char* p, const struct stat*, int, struct FTW*) { return remove(p); }, 16,
         FTW_DEPTH | FTW_PHYS);
  }
  std::string Read(const std::string& name) const {
    std::string out;
    FILE* f = fopen((path + "/" + name).c_str(), "rb");
    if (!f) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    fclose(f);
    return out;
  }
  bool Exists(const std::string& name) const {
    struct stat st;
    return stat((path + "/" + name).c_str(), &st) == 0;
  }
};
