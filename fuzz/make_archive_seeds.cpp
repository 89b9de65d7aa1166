// Writes a starting corpus for fuzz_archive_reader into the folder given: archives of every
// version in their descrambled form (first byte odd) and packed blocks (first byte even).
#include <cstdio>
#include <string>
#include <vector>

#include "engine/base/archive.h"
#include "tools/common/archive_writer.h"

namespace {

void Save(const std::string& path, uint8_t first, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fputc(first, f);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::vector<uint8_t> Text(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; i++) v[i] = uint8_t("archive seed text "[(i * 7 + i / 13) % 18]);
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_archive_seeds FOLDER\n");
    return 2;
  }
  std::string dir = argv[1];
  std::vector<ArchiveWriterEntry> e(5);
  e[0].path = "PIC00.PNG";
  e[0].data = Text(3000);
  e[0].packing = ArchivePacking::Packed;
  e[1].path = "pic01.png";
  e[1].data = Text(200);
  e[1].packing = ArchivePacking::Stored;
  e[2].path = "SUB/TOP.TXT";
  e[2].data = Text(50);
  e[3].path = "SUB/DEEP/SE00.WAV";
  e[3].data = Text(700);
  e[4].path = "EMPTY";
  e[4].directory = true;
  uint8_t key[ARCHIVE_KEY_SIZE];
  MakeArchiveKey(nullptr, key);
  for (int version = 0; version <= 3; version++) {
    ArchiveWriteOptions o;
    o.version = version;
    std::vector<uint8_t> image;
    if (!BuildArchiveImage(e, o, &image, nullptr)) return 1;
    ScrambleArchiveData(image.size(), image.data(), 0, key);
    Save(dir + "/archive_v" + std::to_string(version), 1, image);
  }
  for (size_t n : {size_t(0), size_t(40), size_t(5000)}) {
    std::vector<uint8_t> t = Text(n);
    Save(dir + "/packed_" + std::to_string(n), 0, ArchiveLzPack(t.data(), t.size()));
  }
  return 0;
}
