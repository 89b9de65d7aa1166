// The replay list's file work against plain POSIX calls on the same files: a page scan over a
// replay folder of 1000 files (16 loaded and checked), a scan that finds its 16 files only at the
// end of the numbers (1000 names looked up), and the result screen's search for a free replay
// number over 10,000 taken names. The folder is built in a temporary directory before timing;
// message processing and the Escape key are stand-ins that cost nothing.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "game/framework/engine_entries.h"
#include "game/framework/replay.h"
#include "game/frontend/frontend.h"

namespace {

constexpr int kReplayFileWords = 10000;   // about three minutes of play

std::string NameOf(int n) {
  char name[64];
  std::snprintf(name, sizeof name, "replay/vlxrep%04d.rpy", n);
  return name;
}

std::vector<uint32_t> ReplayImage() {
  std::vector<uint32_t> w(kReplayFileWords, 0);
  w[kRepMagic0] = kReplayMagic0;
  w[kRepMagic1] = kReplayMagic1;
  w[kRepVersion] = kReplayVersion;
  w[kRepDifficulty] = 1;
  w[kRepAreaScore0] = 1230;
  w[kRepAreas] = 1u << 24;
  w[kRepFileSize] = kReplayFileWords * 4;
  w[kReplayHeaderWords] = kReplayAreaTag;
  w[kReplayFileWords - 1] = kReplayEndTag;
  return w;
}

void WriteFile(const std::string& name, const void* data, size_t bytes) {
  FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(data, 1, bytes, f);
  std::fclose(f);
}

// A temporary folder made current, holding replay files by the numbers given.
struct Folder {
  std::string path, saved;
  Folder(int first, int last, bool full) {
    char tmpl[] = "/tmp/vlx_bench_replay_XXXXXX";
    path = mkdtemp(tmpl);
    saved = std::filesystem::current_path().string();
    std::filesystem::current_path(path);
    std::filesystem::create_directory("replay");
    const std::vector<uint32_t> image = ReplayImage();
    const uint32_t tiny = 0;
    for (int n = first; n <= last; ++n) {
      if (full) WriteFile(NameOf(n), image.data(), image.size() * 4);
      else WriteFile(NameOf(n), &tiny, sizeof tiny);
    }
    g_Engine.ProcessMessageLocked = [] { return 0; };
    g_Engine.IsKeyDownLocked = [](int) { return 0; };
  }
  ~Folder() {
    std::filesystem::current_path(saved);
    std::filesystem::remove_all(path);
    ResetEngineEntries();
  }
};

// The plain way: stat each name, and read each file found whole into a buffer of its size.
int PlainScan(int start, std::vector<uint8_t>* buffer) {
  int found = 0;
  for (int n = start; n <= 999 && found < 16; ++n) {
    const std::string name = NameOf(n);
    struct stat st;
    if (stat(name.c_str(), &st) != 0 || st.st_size <= 0) continue;
    buffer->resize(size_t(st.st_size));
    const int fd = open(name.c_str(), O_RDONLY);
    if (fd < 0) continue;
    if (read(fd, buffer->data(), buffer->size()) == st.st_size) ++found;
    close(fd);
  }
  return found;
}

void BM_PageScan_Game(benchmark::State& state) {
  Folder folder(0, 999, true);
  for (auto _ : state) benchmark::DoNotOptimize(ScanReplayFiles(0, true));
}
BENCHMARK(BM_PageScan_Game)->Unit(benchmark::kMicrosecond);

void BM_PageScan_PlainStatRead(benchmark::State& state) {
  Folder folder(0, 999, true);
  std::vector<uint8_t> buffer;
  for (auto _ : state) benchmark::DoNotOptimize(PlainScan(0, &buffer));
}
BENCHMARK(BM_PageScan_PlainStatRead)->Unit(benchmark::kMicrosecond);

void BM_ScanToTheEnd_Game(benchmark::State& state) {
  Folder folder(984, 999, true);
  for (auto _ : state) benchmark::DoNotOptimize(ScanReplayFiles(0, true));
}
BENCHMARK(BM_ScanToTheEnd_Game)->Unit(benchmark::kMicrosecond);

void BM_ScanToTheEnd_PlainStatRead(benchmark::State& state) {
  Folder folder(984, 999, true);
  std::vector<uint8_t> buffer;
  for (auto _ : state) benchmark::DoNotOptimize(PlainScan(0, &buffer));
}
BENCHMARK(BM_ScanToTheEnd_PlainStatRead)->Unit(benchmark::kMicrosecond);

void BM_FreeNumber10000_Game(benchmark::State& state) {
  Folder folder(0, 9999, false);
  for (auto _ : state) benchmark::DoNotOptimize(FindFreeReplayNumber());
}
BENCHMARK(BM_FreeNumber10000_Game)->Unit(benchmark::kMillisecond);

void BM_FreeNumber10000_PlainStat(benchmark::State& state) {
  Folder folder(0, 9999, false);
  for (auto _ : state) {
    int free = -1;
    for (int n = 0; n <= 9999 && free < 0; ++n) {
      struct stat st;
      if (stat(NameOf(n).c_str(), &st) != 0) free = n;
    }
    benchmark::DoNotOptimize(free);
  }
}
BENCHMARK(BM_FreeNumber10000_PlainStat)->Unit(benchmark::kMillisecond);

}  // namespace
