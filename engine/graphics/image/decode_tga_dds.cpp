// The engine's raw "BGRA" pictures, Truevision TGA and uncompressed DirectDraw surface files.
#include "engine/graphics/image/image_loader.h"

#include <cstring>

#include "engine/base/memory.h"

namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint8_t* AllocPixels(int64_t bytes) {
  if (!ImagePixelBytesFit(bytes)) return nullptr;
  return static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(bytes)));
}

void FinishImage(BaseImage* image, const ColorData& cd, int width, int height, int pitch, uint8_t* pixels) {
  std::memset(image, 0, sizeof(*image));
  image->colorData = cd;
  image->width = width;
  image->height = height;
  image->pitch = pitch;
  image->pixels = pixels;
}

}  // namespace

const uint32_t DdsFormatTable[][6] = {
    {20, 24, 0xFF0000, 0xFF00, 0xFF, 0},
    {21, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {22, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    {23, 16, 0xF800, 0x07E0, 0x001F, 0},
    {24, 16, 0x7C00, 0x03E0, 0x001F, 0},
    {25, 16, 0x7C00, 0x03E0, 0x001F, 0x8000},
    {26, 16, 0x0F00, 0x00F0, 0x000F, 0xF000},
    {27, 8, 0xE0, 0x1C, 0x03, 0},
    {29, 16, 0xE0, 0x1C, 0x03, 0xFF00},
    {30, 16, 0x0F00, 0x00F0, 0x000F, 0},
    {31, 32, 0x000003FF, 0x000FFC00, 0x3FF00000, 0xC0000000},
    {32, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    {33, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {35, 32, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000},
    {0xFFFFFFFF, 0, 0, 0, 0, 0},
};

int DecodeBgraToBaseImage(StreamSource* s, BaseImage* image) {
  const int64_t size = StreamSizeFromStart(s);
  uint8_t h[16];
  if (size < 16 || !StreamReadExact(s, h, sizeof(h)) || std::memcmp(h, "BGRA", 4) != 0) return -1;
  const uint32_t format = Le32(h + 4);
  const int32_t width = static_cast<int32_t>(Le32(h + 8)), height = static_cast<int32_t>(Le32(h + 12));
  if ((format != 0x08080808u && format != 0x10101010u) || !ImageSizeAllowed(width, height)) return -1;
  const int64_t sample = format == 0x08080808u ? 4 : 8;
  const int64_t pitch = static_cast<int64_t>(width) * 4;
  if (static_cast<int64_t>(width) * height > (size - 16) / sample) return -1;
  uint8_t* pixels = AllocPixels(pitch * height);
  if (!pixels) return -1;
  bool ok = true;
  if (sample == 4) {
    ok = StreamReadExact(s, pixels, static_cast<size_t>(pitch * height));
  } else {
    uint8_t* row = static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(width) * 8));
    ok = row != nullptr;
    for (int y = 0; ok && y < height; ++y) {
      ok = StreamReadExact(s, row, static_cast<size_t>(width) * 8);
      uint8_t* o = pixels + y * pitch;
      for (int64_t i = 0; ok && i < pitch; ++i) o[i] = row[i * 2 + 1];
    }
    TrackedFree(row);
  }
  if (!ok) {
    TrackedFree(pixels);
    return -1;
  }
  ColorData cd;
  SetupAlphaColorData32(&cd);
  FinishImage(image, cd, width, height, static_cast<int>(pitch), pixels);
  return 0;
}

namespace {

// Packets of the run-length types: a header byte, then one value repeated or count values.
// Packets past the pixel count, or cut off by the end of the data, refuse the picture.
bool DecodeTgaPackets(const uint8_t* d, int64_t n, uint8_t* out, int64_t pixelCount, int bytes) {
  int64_t i = 0, done = 0;
  while (done < pixelCount) {
    if (i >= n) return false;
    const uint8_t h = d[i++];
    const int64_t count = (h & 0x7F) + 1;
    if (done + count > pixelCount) return false;
    if (h & 0x80) {
      if (i + bytes > n) return false;
      for (int64_t k = 0; k < count; ++k) std::memcpy(out + (done + k) * bytes, d + i, static_cast<size_t>(bytes));
      i += bytes;
    } else {
      if (i + count * bytes > n) return false;
      std::memcpy(out + done * bytes, d + i, static_cast<size_t>(count * bytes));
      i += count * bytes;
    }
    done += count;
  }
  return true;
}

}  // namespace

int DecodeTgaToBaseImage(StreamSource* s, BaseImage* image) {
  const int64_t size = StreamSizeFromStart(s);
  if (size < 18) return -1;
  bool newFormat = false;
  if (size >= 26) {
    uint8_t f[26];
    if (s->fn.seek(s->handle, size - 26, 0) != 0 || !StreamReadExact(s, f, sizeof(f))) return -1;
    newFormat = std::memcmp(f + 8, "TRUEVISION-XFILE", 16) == 0 && Le32(f) == 0;
    s->fn.seek(s->handle, 0, 0);
  }
  uint8_t h[18];
  if (!StreamReadExact(s, h, sizeof(h))) return -1;
  const int type = h[2];
  const int mapFirst = Le16(h + 3), mapLength = Le16(h + 5), mapEntryBits = h[7];
  const int width = Le16(h + 12), height = Le16(h + 14);
  const bool mapped = type == 1 || type == 9;
  if (type != 1 && type != 2 && type != 9 && type != 10) return -1;
  if (Le16(h + 8) != 0 || Le16(h + 10) != 0) return -1;
  if (width == 0 || height == 0 || width > 4095 || height > 4095) return -1;
  const int sampleBits = mapped ? mapEntryBits : h[16];
  if (sampleBits != 16 && sampleBits != 24 && sampleBits != 32) return -1;
  if (mapped && mapFirst + mapLength > 256) return -1;
  if (s->fn.seek(s->handle, 18 + h[0], 0) != 0) return -1;

  ColorData cd;
  if (sampleBits == 16) CreateColorData(&cd, 16, 0x7C00, 0x03E0, 0x001F, 0);
  else if (sampleBits == 24) SetupFullColorData24(&cd);
  else SetupAlphaColorData32(&cd);
  const int bytes = sampleBits / 8;
  const int64_t pitch = static_cast<int64_t>(width) * bytes;
  const int64_t pixelCount = static_cast<int64_t>(width) * height;

  uint8_t map[256 * 4];
  std::memset(map, 0, sizeof(map));
  if (mapped && !StreamReadExact(s, map + mapFirst * bytes, static_cast<size_t>(mapLength) * bytes)) return -1;
  const int64_t here = s->fn.tell(s->handle);
  const int64_t dataEnd = newFormat ? size - 26 : size;
  const int64_t dataSize = dataEnd - here;
  if (dataSize <= 0) return -1;

  uint8_t* pixels = AllocPixels(pitch * height);
  if (!pixels) return -1;
  bool ok = true;
  if (type == 2) {
    ok = pitch * height <= dataSize && StreamReadExact(s, pixels, static_cast<size_t>(pitch * height));
  } else {
    // Indices (types 1 and 9) are decoded first into the tail-free index buffer, then looked up.
    const bool packets = type == 9 || type == 10;
    const int64_t unit = type == 10 ? bytes : 1;
    uint8_t* data = nullptr;
    uint8_t* indices = mapped ? static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(pixelCount))) : nullptr;
    ok = !mapped || indices;
    if (ok && packets) {
      data = static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(dataSize)));
      ok = data && StreamReadExact(s, data, static_cast<size_t>(dataSize)) &&
           DecodeTgaPackets(data, dataSize, mapped ? indices : pixels, pixelCount, static_cast<int>(unit));
    } else if (ok) {
      ok = pixelCount <= dataSize && StreamReadExact(s, indices, static_cast<size_t>(pixelCount));
    }
    if (ok && mapped) {
      for (int64_t i = 0; i < pixelCount; ++i) std::memcpy(pixels + i * bytes, map + indices[i] * bytes, bytes);
    }
    if (data) TrackedFree(data);
    if (indices) TrackedFree(indices);
  }
  if (!ok) {
    TrackedFree(pixels);
    return -1;
  }

  const bool bottomUp = !(h[17] & 0x20), rightToLeft = (h[17] & 0x10) != 0;
  if (bottomUp || rightToLeft) {
    uint8_t* turned = AllocPixels(pitch * height);
    if (!turned) {
      TrackedFree(pixels);
      return -1;
    }
    for (int y = 0; y < height; ++y) {
      const uint8_t* src = pixels + (bottomUp ? height - 1 - y : y) * pitch;
      uint8_t* o = turned + y * pitch;
      if (!rightToLeft) {
        std::memcpy(o, src, static_cast<size_t>(pitch));
        continue;
      }
      for (int x = 0; x < width; ++x) std::memcpy(o + x * bytes, src + (width - 1 - x) * bytes, bytes);
    }
    TrackedFree(pixels);
    pixels = turned;
  }
  FinishImage(image, cd, width, height, static_cast<int>(pitch), pixels);
  return 0;
}

int DecodeDdsToBaseImage(StreamSource* s, BaseImage* image) {
  const int64_t size = StreamSizeFromStart(s);
  uint8_t magic[4], d[124];
  if (size < 128 || !StreamReadExact(s, magic, 4) || std::memcmp(magic, "DDS", 3) != 0) return -1;
  if (!StreamReadExact(s, d, sizeof(d))) return -1;
  const uint32_t flags = Le32(d + 4), height = Le32(d + 8), width = Le32(d + 12), pitchOrSize = Le32(d + 16);
  const uint32_t pfFlags = Le32(d + 76), fourCC = Le32(d + 80);
  uint32_t bits = Le32(d + 84);
  uint32_t red = Le32(d + 88), green = Le32(d + 92), blue = Le32(d + 96), alpha = Le32(d + 100);
  if (!(pfFlags & 0x40)) {
    if (pfFlags != 4) return -1;
    int row = 0;
    while (DdsFormatTable[row][0] != 0xFFFFFFFFu && DdsFormatTable[row][0] != fourCC) ++row;
    if (DdsFormatTable[row][0] == 0xFFFFFFFFu) return -1;
    // Such files leave the bit count 0; the table's depth stands for it.
    bits = DdsFormatTable[row][1];
    red = DdsFormatTable[row][2];
    green = DdsFormatTable[row][3];
    blue = DdsFormatTable[row][4];
    alpha = DdsFormatTable[row][5];
  }
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return -1;
  if (!ImageSizeAllowed(width, height)) return -1;
  const int64_t rowBytes = static_cast<int64_t>(bits / 8) * width;
  const int64_t pitch = (flags & 8) ? static_cast<int64_t>(pitchOrSize) : rowBytes;
  if (pitch < rowBytes || pitch > INT32_MAX || pitch * height > size - 128) return -1;
  ColorData cd;
  CreateColorData(&cd, static_cast<int>(bits), red, green, blue, alpha);
  uint8_t* pixels = AllocPixels(pitch * height);
  if (!pixels) return -1;
  if (!StreamReadExact(s, pixels, static_cast<size_t>(pitch * height))) {
    TrackedFree(pixels);
    return -1;
  }
  FinishImage(image, cd, static_cast<int>(width), static_cast<int>(height), static_cast<int>(pitch), pixels);
  return 0;
}
