#include <cstdio>

#include "game/harness/harness.h"
#include "tools/common/file_bytes.h"
#include "tools/common/picture_writer.h"

namespace {

// The 8-bit value of one channel, its bits spread over the full range.
uint8_t Channel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1u) == 0) ++shift;
  const uint32_t max = mask >> shift;
  const uint32_t v = (pixel & mask) >> shift;
  return static_cast<uint8_t>((v * 255u + max / 2) / max);
}

}  // namespace

uint64_t HashPicture(const HarnessPicture& p) {
  uint64_t h = 0xCBF29CE484222325ull;
  const int rowBytes = p.width * (p.bits / 8);
  for (int y = 0; y < p.height; ++y) {
    const uint8_t* row = p.pixels + static_cast<int64_t>(y) * p.pitch;
    for (int i = 0; i < rowBytes; ++i) {
      h ^= row[i];
      h *= 0x100000001B3ull;
    }
  }
  return h;
}

bool SavePicturePng(const char* path, const HarnessPicture& p) {
  if (!p.pixels || p.width <= 0 || p.height <= 0 || (p.bits != 16 && p.bits != 32)) return false;
  PngSpec spec{};
  spec.width = p.width;
  spec.height = p.height;
  spec.bitDepth = 8;
  spec.colorType = 2;
  spec.interlaced = false;
  spec.rows.reserve(static_cast<size_t>(p.width) * p.height * 3);
  for (int y = 0; y < p.height; ++y) {
    const uint8_t* row = p.pixels + static_cast<int64_t>(y) * p.pitch;
    for (int x = 0; x < p.width; ++x) {
      uint32_t px;
      if (p.bits == 32) {
        px = uint32_t(row[4 * x]) | uint32_t(row[4 * x + 1]) << 8 | uint32_t(row[4 * x + 2]) << 16 |
             uint32_t(row[4 * x + 3]) << 24;
      } else {
        px = uint32_t(row[2 * x]) | uint32_t(row[2 * x + 1]) << 8;
      }
      spec.rows.push_back(Channel(px, p.redMask));
      spec.rows.push_back(Channel(px, p.greenMask));
      spec.rows.push_back(Channel(px, p.blueMask));
    }
  }
  const Bytes png = WritePng(spec);
  return !png.empty() && WriteFileBytes(path, png);
}
