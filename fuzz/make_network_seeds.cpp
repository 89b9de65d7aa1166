// Writes a starting corpus for fuzz_network_frames into the folder given: framed streams as a peer
// sends them (little-endian lengths, then bodies) behind the byte that sets how the program reads.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Frame(Bytes* out, uint32_t length, uint8_t fill) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(length >> (8 * i)));
  out->insert(out->end(), length, fill);
}

void Save(const std::string& path, uint8_t first, const Bytes& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fputc(first, f);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_network_seeds FOLDER\n");
    return 1;
  }
  const std::string dir = argv[1];
  Bytes small, empties, big, partial, absurd;
  for (int i = 0; i < 20; ++i) Frame(&small, static_cast<uint32_t>(i * 7), static_cast<uint8_t>(i));
  for (int i = 0; i < 3000; ++i) Frame(&empties, 0, 0);
  Frame(&empties, 3, 'z');
  for (int i = 0; i < 3; ++i) Frame(&big, 40000, static_cast<uint8_t>('a' + i));
  Frame(&partial, 100, 'p');
  partial.resize(60);
  Frame(&absurd, 5, 'q');
  absurd.insert(absurd.end(), {0xF0, 0xFF, 0xFF, 0x7F, 1, 2, 3});
  Save(dir + "/small-pieces", 0x02, small);
  Save(dir + "/small-at-end", 0x40, small);
  Save(dir + "/empties", 0x00, empties);
  Save(dir + "/big", 0x3F, big);
  Save(dir + "/big-late", 0x55, big);
  Save(dir + "/partial", 0x01, partial);
  Save(dir + "/absurd", 0x04, absurd);
  return 0;
}
