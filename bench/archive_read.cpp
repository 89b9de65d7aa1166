// Reading a packed archive entry against zlib's inflate of the same data (baseline). Both report
// MB/s of unpacked bytes; the entry read includes the open (where the entry is unpacked), the
// copy out and the close, and the decoder alone is measured too.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/base/archive.h"
#include "engine/base/file_access.h"
#include "tools/common/archive_writer.h"

namespace {

// Stand-in for game data: a sprite-sheet-like picture (flat runs, repeated tiles, some noise)
// followed by text-like records.
std::vector<uint8_t> SampleData() {
  std::vector<uint8_t> v;
  uint32_t x = 12345;
  for (int row = 0; row < 1024; row++)
    for (int col = 0; col < 1024; col++) {
      x = x * 1103515245u + 12345u;
      int tile = (row / 32 + col / 32) % 5;
      uint8_t px = tile == 0 ? 0 : uint8_t(tile * 40 + ((row ^ col) & 7));
      if ((x >> 24) < 8) px = uint8_t(x >> 16);
      v.push_back(px);
    }
  const char* words[] = {"enemy ", "bullet ", "wave ", "score ", "area ", "boss ", "gem ", "bomb "};
  while (v.size() < (5u << 20)) {
    x = x * 1103515245u + 12345u;
    for (const char* c = words[(x >> 20) & 7]; *c; c++) v.push_back(uint8_t(*c));
  }
  return v;
}

struct Fixture {
  std::vector<uint8_t> data, packed, deflated;
  std::string folder;
  Fixture() {
    data = SampleData();
    packed = ArchiveLzPack(data.data(), data.size());
    uLongf n = compressBound(uLong(data.size()));
    deflated.resize(n);
    compress2(deflated.data(), &n, data.data(), uLong(data.size()), 6);
    deflated.resize(n);
    char pattern[] = "/tmp/vlx_bench_XXXXXX";
    folder = mkdtemp(pattern);
    std::vector<ArchiveWriterEntry> e(1);
    e[0].path = "sheet.bin";
    e[0].data = data;
    e[0].packing = ArchivePacking::Packed;
    WriteArchiveFile((folder + "/dat.VUV").c_str(), e, ArchiveWriteOptions(), nullptr);
    std::filesystem::current_path(folder);
    SetFileAccessTable(nullptr);
  }
  ~Fixture() {
    InitializeArchiveLayer();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

Fixture& Data() {
  static Fixture f;
  return f;
}

void SetCounters(benchmark::State& state, size_t packedSize) {
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Data().data.size()));
  state.counters["ratio"] = double(packedSize) / double(Data().data.size());
}

void BM_ArchivePackedEntryRead(benchmark::State& state) {
  Fixture& f = Data();
  std::vector<uint8_t> out(f.data.size());
  for (auto _ : state) {
    FileHandle h = FileOpen("dat\\sheet.bin", 0);
    size_t n = FileRead(out.data(), 1, out.size(), h);
    FileClose(h);
    if (n != f.data.size()) state.SkipWithError("short read");
    benchmark::DoNotOptimize(out.data());
  }
  SetCounters(state, f.packed.size());
}

void BM_ArchiveDecodeOnly(benchmark::State& state) {
  Fixture& f = Data();
  std::vector<uint8_t> out(f.data.size());
  for (auto _ : state) {
    int64_t n = DecodeArchiveData(f.packed.data(), f.packed.size(), out.data(), out.size());
    if (n != int64_t(f.data.size())) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(out.data());
  }
  SetCounters(state, f.packed.size());
}

void BM_ZlibInflate(benchmark::State& state) {
  Fixture& f = Data();
  std::vector<uint8_t> out(f.data.size());
  for (auto _ : state) {
    uLongf n = uLongf(out.size());
    if (uncompress(out.data(), &n, f.deflated.data(), uLong(f.deflated.size())) != Z_OK) state.SkipWithError("inflate");
    benchmark::DoNotOptimize(out.data());
  }
  SetCounters(state, f.deflated.size());
}

}  // namespace

BENCHMARK(BM_ArchivePackedEntryRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArchiveDecodeOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibInflate)->Unit(benchmark::kMillisecond);
