// Writers of small picture files for tests, fuzz seeds and benchmarks: PNG and JPEG through the
// libraries, BMP, TGA, DDS and the raw "BGRA" format by hand.
#pragma once
#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

// PNG: samples as libpng takes them (packed rows for depths below 8, big-endian 16-bit samples).
struct PngSpec {
  int width, height;
  int bitDepth;             // 1, 2, 4, 8 or 16
  int colorType;            // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
  bool interlaced;
  std::vector<uint8_t> palette;     // red, green, blue per entry
  std::vector<uint8_t> trns;        // palette alphas
  std::vector<uint8_t> rows;        // height rows of rowBytes each, packed
};
Bytes WritePng(const PngSpec& spec);

// JPEG from interleaved samples of 1, 3 (RGB) or 4 (CMYK) components.
Bytes WriteJpeg(int width, int height, int components, const std::vector<uint8_t>& samples, int quality);

// BMP: the 14-byte file header, a 40-byte info header, then extra (masks or palette) and the data.
Bytes WriteBmp(int width, int height, int bits, uint32_t compression, const std::vector<uint32_t>& paletteOrMasks,
               const Bytes& data);
// TGA: the 18-byte header, an optional colour map, the data, and optionally the 2.0 footer.
Bytes WriteTga(int type, int width, int height, int pixelBits, int descriptor, int mapFirst, int mapEntryBits,
               const Bytes& map, const Bytes& data, bool footer);
// DDS: magic, 124-byte description, the data.
Bytes WriteDds(int width, int height, uint32_t flags, uint32_t pitch, uint32_t pfFlags, uint32_t fourCC,
               uint32_t bits, uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha, const Bytes& data);
Bytes WriteBgra(uint32_t format, int width, int height, const Bytes& samples);

void PutLe16(Bytes& b, uint32_t v);
void PutLe32(Bytes& b, uint32_t v);
