// The presented frame read back as pixels, and 640 x 480 pictures kept as PNG files for review.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "game/temp_dir.h"
#include "platform/present.h"
#include "tools/common/file_bytes.h"
#include "tools/common/picture_writer.h"

// The last frame handed to the presenter as 0xRRGGBB pixels (16-bit frames widened to 8 bits a
// channel); empty when nothing was presented.
inline std::vector<uint32_t> PresentedPixels() {
  plat::PresentedFrame f{};
  std::vector<uint32_t> out;
  if (!plat::PresenterLastFrame(&f) || !f.pixels) return out;
  out.resize(size_t(f.width) * f.height);
  for (int y = 0; y < f.height; ++y) {
    const uint8_t* row = f.pixels + size_t(y) * f.pitch;
    for (int x = 0; x < f.width; ++x) {
      uint32_t rgb;
      if (f.format.bitCount == 32) {
        rgb = uint32_t(row[4 * x]) | uint32_t(row[4 * x + 1]) << 8 | uint32_t(row[4 * x + 2]) << 16;
      } else {
        const uint32_t p = uint32_t(row[2 * x]) | uint32_t(row[2 * x + 1]) << 8;
        rgb = ((p >> 11) & 31) * 255 / 31 << 16 | ((p >> 5) & 63) * 255 / 63 << 8 | (p & 31) * 255 / 31;
      }
      out[size_t(y) * f.width + x] = rgb;
    }
  }
  return out;
}

// Writes a 640 x 480 picture of 0xRRGGBB pixels as `name` in ArtifactsDir(); the path written,
// or empty when the picture has another size or the file cannot be written.
inline std::string KeepPng(const std::vector<uint32_t>& pixels, const std::string& name) {
  if (pixels.size() != 640u * 480u) return {};
  const std::string path = std::filesystem::absolute(ArtifactsDir() + "/" + name).string();
  std::vector<uint8_t> rows;
  rows.reserve(pixels.size() * 3);
  for (uint32_t c : pixels) rows.insert(rows.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
  const std::vector<uint8_t> png = WritePng(PngSpec{640, 480, 8, 2, false, {}, {}, rows});
  return WriteFileBytes(path, png) ? path : std::string();
}
