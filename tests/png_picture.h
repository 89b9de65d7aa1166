// A PNG decoded into 8-bit RGB for tests that look at pictures pixel by pixel.
#pragma once
#include <png.h>

#include <cstdint>
#include <cstring>
#include <vector>

struct RgbPicture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  uint32_t At(int x, int y) const {   // 0xRRGGBB
    const uint8_t* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
  }
};

// Empty (0 x 0) when the bytes are not a PNG libpng can read.
inline RgbPicture DecodePngPicture(const std::vector<uint8_t>& png) {
  RgbPicture pic;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return pic;
  image.format = PNG_FORMAT_RGB;
  pic.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pic.rgb.data(), 0, nullptr)) return RgbPicture{};
  pic.width = int(image.width);
  pic.height = int(image.height);
  return pic;
}
