// Writes a starting corpus for fuzz_image_loader into the folder given: one small picture of each
// format and kind, once for its own decoder and once for the whole chain.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/common/picture_writer.h"

namespace {

void Save(const std::string& folder, const std::string& name, uint8_t first, const Bytes& bytes) {
  FILE* f = std::fopen((folder + "/" + name).c_str(), "wb");
  if (!f) return;
  std::fputc(first, f);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

Bytes Ramp(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 37 + i / 5);
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_image_seeds FOLDER\n");
    return 1;
  }
  const std::string dir = argv[1];
  struct Seed {
    const char* name;
    int decoder;
    Bytes bytes;
  };
  std::vector<uint32_t> pal(256), pal16(16);
  for (uint32_t i = 0; i < 256; ++i) pal[i] = i * 0x010203;
  PngSpec palette{8, 4, 8, 3, false, Ramp(12), {0, 128, 255}, Ramp(32)};
  for (auto& v : palette.rows) v &= 3;
  std::vector<Seed> seeds = {
      {"bmp24", 0, WriteBmp(4, 3, 24, 0, {}, Ramp(48))},
      {"bmp8", 0, WriteBmp(4, -3, 8, 0, pal, Ramp(12))},
      {"bmp1", 0, WriteBmp(9, 2, 1, 0, {0, 0xFFFFFF}, Ramp(8))},
      {"bmp16", 0, WriteBmp(3, 2, 16, 3, {0xF800, 0x07E0, 0x1F}, Ramp(16))},
      {"bmprle8", 0, WriteBmp(6, 3, 8, 1, pal, {3, 1, 0, 3, 1, 2, 3, 0, 0, 0, 2, 1, 1, 2, 9, 0, 1})},
      {"bmprle4", 0, WriteBmp(6, 2, 4, 2, pal16, {5, 0x12, 0, 0, 0, 4, 0x34, 0x56, 0, 1})},
      {"jpeg", 1, WriteJpeg(16, 16, 3, Ramp(768), 75)},
      {"jpeggrey", 1, WriteJpeg(9, 7, 1, Ramp(63), 50)},
      {"pngrgb", 2, WritePng(PngSpec{5, 4, 8, 2, false, {}, {}, Ramp(60)})},
      {"pngrgba", 2, WritePng(PngSpec{5, 4, 8, 6, true, {}, {}, Ramp(80)})},
      {"pngpal", 2, WritePng(palette)},
      {"pnggrey1", 2, WritePng(PngSpec{9, 3, 1, 0, false, {}, {}, Ramp(6)})},
      {"bgra8", 3, WriteBgra(0x08080808, 3, 2, Ramp(24))},
      {"bgra16", 3, WriteBgra(0x10101010, 2, 2, Ramp(32))},
      {"tga2", 4, WriteTga(2, 3, 2, 24, 0, 0, 0, {}, Ramp(18), false)},
      {"tga10", 4, WriteTga(10, 4, 2, 32, 0x28, 0, 0, {}, {0x83, 1, 2, 3, 4, 0x03, 9, 9, 9, 9, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3}, true)},
      {"tga9", 4, WriteTga(9, 4, 1, 8, 0x20, 2, 16, Ramp(8), {0x81, 2, 0x01, 3, 4}, false)},
      {"dds565", 5, WriteDds(2, 2, 8, 4, 0x40, 0, 16, 0xF800, 0x07E0, 0x1F, 0, Ramp(8))},
      {"ddsfourcc", 5, WriteDds(2, 1, 0, 0, 4, 21, 0, 0, 0, 0, 0, Ramp(8))},
  };
  for (const Seed& s : seeds) {
    Save(dir, std::string(s.name) + "_one", static_cast<uint8_t>(s.decoder), s.bytes);
    Save(dir, std::string(s.name) + "_chain", 6, s.bytes);
  }
  return 0;
}
