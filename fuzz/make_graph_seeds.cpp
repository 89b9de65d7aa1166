// Writes a starting corpus for fuzz_graph_from_image into the folder given: pictures of each
// format behind the byte that picks texture or 2-D graph, mirroring and an alpha companion (two
// pictures of the same length, colour first).
#include <cstdio>
#include <string>
#include <vector>

#include "tools/common/picture_writer.h"

namespace {

void Save(const std::string& path, uint8_t first, const Bytes& a, const Bytes& b = {}) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fputc(first, f);
  std::fwrite(a.data(), 1, a.size(), f);
  std::fwrite(b.data(), 1, b.size(), f);
  std::fclose(f);
}

Bytes Ramp(size_t n, int step) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * step);
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_graph_seeds FOLDER\n");
    return 1;
  }
  const std::string dir = argv[1];
  std::vector<uint32_t> pal(256);
  for (uint32_t i = 0; i < 256; ++i) pal[i] = i * 0x010101;
  const Bytes png = WritePng(PngSpec{12, 9, 8, 6, false, {}, {}, Ramp(12 * 9 * 4, 7)});
  const Bytes jpeg = WriteJpeg(16, 8, 3, Ramp(16 * 8 * 3, 5), 80);
  const Bytes bmp = WriteBmp(10, 6, 24, 0, {}, Ramp(32 * 6, 3));
  const Bytes bmp8 = WriteBmp(10, 6, 8, 0, pal, Ramp(12 * 6, 11));
  const Bytes tga = WriteTga(2, 5, 4, 32, 0x28, 0, 0, {}, Ramp(80, 9), false);
  const Bytes dds = WriteDds(4, 4, 8, 8, 0x40, 0, 16, 0xF800, 0x07E0, 0x1F, 0, Ramp(32, 17));
  const Bytes bgra = WriteBgra(0x08080808, 3, 3, Ramp(36, 29));
  for (uint8_t sel : {0x00, 0x01, 0x03, 0x09}) {
    const std::string s = "-" + std::to_string(sel);
    Save(dir + "/png" + s, sel, png);
    Save(dir + "/jpeg" + s, sel, jpeg);
    Save(dir + "/bmp" + s, sel, bmp);
    Save(dir + "/bmp8" + s, sel, bmp8);
    Save(dir + "/tga" + s, sel, tga);
    Save(dir + "/dds" + s, sel, dds);
    Save(dir + "/bgra" + s, sel, bgra);
  }
  Save(dir + "/bmp-alpha", 0x05, bmp, WriteBmp(10, 6, 24, 0, {}, Ramp(32 * 6, 1)));
  Save(dir + "/bmp8-alpha", 0x04, bmp8, WriteBmp(10, 6, 8, 0, pal, Ramp(12 * 6, 2)));
  return 0;
}
