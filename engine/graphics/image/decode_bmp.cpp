// Windows bitmaps: palette and 24-bit pictures as they stand, run-length pictures unpacked, and
// every other depth converted to 24 bits.
#include "engine/graphics/image/image_loader.h"

#include <cstring>

#include "engine/base/memory.h"

namespace {

enum : uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

struct BmpInfo {
  int width, rows;
  bool bottomUp;
  int bits;
  uint32_t compression;
  uint32_t palette[256];
  uint32_t masks[3];
  const uint8_t* data;
  int64_t dataSize;
  int64_t rowSize;
};

struct MaskChannel {
  uint32_t mask;
  int shift, width;
};

MaskChannel ChannelOf(uint32_t mask) {
  MaskChannel c{mask, 0, 0};
  if (!mask) return c;
  while (!((mask >> c.shift) & 1)) ++c.shift;
  while (c.shift + c.width < 32 && ((mask >> (c.shift + c.width)) & 1)) ++c.width;
  return c;
}

uint8_t ChannelTo8(uint32_t v, const MaskChannel& c) {
  if (c.width == 0) return 0;
  const uint32_t x = (v & c.mask) >> c.shift;
  return static_cast<uint8_t>(c.width >= 8 ? x >> (c.width - 8) : x << (8 - c.width));
}

// Logical row r (in file order) as an output row of a top-down picture.
int OutRow(const BmpInfo& b, int r) { return b.bottomUp ? b.rows - 1 - r : r; }

// Run-length data: runs that would write outside the picture, or packets cut off by the end of the
// data, refuse the picture; pixels past the row end are dropped.
bool DecodeRle(const BmpInfo& b, uint8_t* out, int pitch, bool four) {
  const uint8_t* d = b.data;
  const int64_t n = b.dataSize;
  int64_t i = 0;
  int x = 0, r = 0;
  auto put = [&](uint8_t v) -> bool {
    if (r < 0 || r >= b.rows) return false;
    if (x < b.width) out[static_cast<int64_t>(OutRow(b, r)) * pitch + x] = v;
    ++x;
    return true;
  };
  while (i + 2 <= n) {
    const uint8_t count = d[i], value = d[i + 1];
    i += 2;
    if (count > 0) {
      for (int k = 0; k < count; ++k) {
        const uint8_t v = four ? ((k & 1) ? (value & 15) : (value >> 4)) : value;
        if (!put(v)) return false;
      }
      continue;
    }
    if (value == 0) {
      x = 0;
      ++r;
    } else if (value == 1) {
      return true;
    } else if (value == 2) {
      if (i + 2 > n) return false;
      x += d[i];
      r += d[i + 1];
      i += 2;
    } else {
      const int64_t bytes = four ? (value + 1) / 2 : value;
      if (i + bytes > n) return false;
      for (int k = 0; k < value; ++k) {
        const uint8_t v = four ? ((k & 1) ? (d[i + k / 2] & 15) : (d[i + k / 2] >> 4)) : d[i + k];
        if (!put(v)) return false;
      }
      i += bytes;
      if (i & 1) ++i;
    }
  }
  return false;   // data cut before its end marker: the picture is not whole
}

uint8_t* AllocZeroed(int64_t bytes) {
  if (!ImagePixelBytesFit(bytes)) return nullptr;
  return static_cast<uint8_t*>(TRACKED_CALLOC(static_cast<size_t>(bytes)));
}

// The depths kept as they stand: 8-bit palette, 4-bit unpacked to one index per byte, 24-bit.
uint8_t* TurnRows(const BmpInfo& b, int pitch, bool unpack4) {
  uint8_t* out = AllocZeroed(static_cast<int64_t>(pitch) * b.rows);
  if (!out) return nullptr;
  for (int r = 0; r < b.rows; ++r) {
    const uint8_t* s = b.data + r * b.rowSize;
    uint8_t* o = out + static_cast<int64_t>(OutRow(b, r)) * pitch;
    if (!unpack4) {
      std::memcpy(o, s, static_cast<size_t>(b.rowSize < pitch ? b.rowSize : pitch));
      continue;
    }
    for (int x = 0; x < b.width; ++x) o[x] = (x & 1) ? (s[x / 2] & 15) : (s[x / 2] >> 4);
  }
  return out;
}

// 1-, 16- and 32-bit and bit-field pictures become top-down R8G8B8.
uint8_t* ConvertTo24(const BmpInfo& b, int* pitchOut) {
  const int pitch = static_cast<int>((static_cast<int64_t>(b.width) * 3 + 3) & ~int64_t{3});
  uint8_t* out = AllocZeroed(static_cast<int64_t>(pitch) * b.rows);
  if (!out) return nullptr;
  uint32_t masks[3] = {b.masks[0], b.masks[1], b.masks[2]};
  if (b.compression == BI_RGB) {
    if (b.bits == 16) {
      masks[0] = 0x7C00;
      masks[1] = 0x03E0;
      masks[2] = 0x001F;
    } else {
      masks[0] = 0xFF0000;
      masks[1] = 0xFF00;
      masks[2] = 0xFF;
    }
  }
  const MaskChannel red = ChannelOf(masks[0]), green = ChannelOf(masks[1]), blue = ChannelOf(masks[2]);
  for (int r = 0; r < b.rows; ++r) {
    const uint8_t* s = b.data + r * b.rowSize;
    uint8_t* o = out + static_cast<int64_t>(OutRow(b, r)) * pitch;
    for (int x = 0; x < b.width; ++x, o += 3) {
      if (b.bits == 1) {
        const uint32_t e = b.palette[(s[x / 8] >> (7 - (x & 7))) & 1];
        o[0] = static_cast<uint8_t>(e);
        o[1] = static_cast<uint8_t>(e >> 8);
        o[2] = static_cast<uint8_t>(e >> 16);
        continue;
      }
      const uint32_t v = b.bits == 16 ? Le16(s + x * 2) : Le32(s + x * 4);
      o[0] = ChannelTo8(v, blue);
      o[1] = ChannelTo8(v, green);
      o[2] = ChannelTo8(v, red);
    }
  }
  *pitchOut = pitch;
  return out;
}

}  // namespace

int DecodeBmpToBaseImage(StreamSource* s, BaseImage* image) {
  const int64_t size = StreamSizeFromStart(s);
  uint8_t fh[14], ih[44];
  if (size < 0 || !StreamReadExact(s, fh, sizeof(fh)) || fh[0] != 'B' || fh[1] != 'M') return -1;
  if (!StreamReadExact(s, ih, sizeof(ih))) return -1;
  BmpInfo b;
  std::memset(&b, 0, sizeof(b));
  const uint32_t headerSize = Le32(ih);
  const int32_t width = static_cast<int32_t>(Le32(ih + 4));
  const int32_t height = static_cast<int32_t>(Le32(ih + 8));
  b.bits = Le16(ih + 14);
  b.compression = Le32(ih + 16);
  if (headerSize < 40 || headerSize > size || width <= 0 || height == 0 || height == INT32_MIN) return -1;
  b.width = width;
  b.rows = height < 0 ? -height : height;
  if (!ImageSizeAllowed(b.width, b.rows)) return -1;
  b.bottomUp = height > 0;
  const int bits = b.bits;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return -1;
  if (b.compression > BI_BITFIELDS) return -1;
  if ((b.compression == BI_RLE8 && bits != 8) || (b.compression == BI_RLE4 && bits != 4) ||
      (b.compression == BI_BITFIELDS && bits != 16 && bits != 32)) {
    return -1;
  }
  if (bits <= 8) {
    // The palette follows the header, whatever size the header has; 2^bits entries are read.
    // A short palette still reads that many bytes (pixel data among them); only nothing is a refusal.
    uint8_t pal[256 * 4];
    std::memset(pal, 0, sizeof(pal));
    const int entries = 1 << bits;
    if (s->fn.seek(s->handle, 14 + static_cast<int64_t>(headerSize), 0) != 0 ||
        s->fn.read(pal, 1, static_cast<size_t>(entries) * 4, s->handle) == 0) {
      return -1;
    }
    for (int i = 0; i < entries; ++i) b.palette[i] = Le32(pal + i * 4) & 0xFFFFFF;
  } else if (b.compression == BI_BITFIELDS) {
    // Plain 16- and 32-bit pictures have fixed layouts; only bit fields need the masks.
    uint8_t rest[8];
    if (!StreamReadExact(s, rest, sizeof(rest))) return -1;
    b.masks[0] = Le32(ih + 40);
    b.masks[1] = Le32(rest);
    b.masks[2] = Le32(rest + 4);
  }

  const int64_t offset = Le32(fh + 10);
  if (offset > size) return -1;
  b.dataSize = size - offset;
  b.rowSize = ((static_cast<int64_t>(bits) * b.width + 7) / 8 + 3) & ~int64_t{3};
  const bool rle = b.compression == BI_RLE8 || b.compression == BI_RLE4;
  // Uncompressed rows must all be there; the size is known before anything is allocated.
  if (!rle && b.dataSize < b.rowSize * b.rows) return -1;
  if (b.dataSize <= 0 || b.dataSize > INT32_MAX || !ImagePixelBytesFit(b.rowSize * b.rows)) return -1;
  uint8_t* data = static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(b.dataSize)));
  if (!data) return -1;
  if (s->fn.seek(s->handle, offset, 0) != 0 || !StreamReadExact(s, data, static_cast<size_t>(b.dataSize))) {
    TrackedFree(data);
    return -1;
  }
  b.data = data;

  uint8_t* pixels = nullptr;
  int pitch = 0;
  ColorData cd;
  std::memset(&cd, 0, sizeof(cd));
  if (rle) {
    pitch = static_cast<int>((b.width + 3) & ~3);
    pixels = AllocZeroed(static_cast<int64_t>(pitch) * b.rows);
    if (pixels && !DecodeRle(b, pixels, pitch, b.compression == BI_RLE4)) {
      TrackedFree(pixels);
      pixels = nullptr;
    }
    SetupPaletteColorData8(&cd);
  } else if (bits == 4 || bits == 8 || bits == 24) {
    pitch = bits == 4 ? static_cast<int>((b.width + 3) & ~3) : static_cast<int>(b.rowSize);
    if (bits != 4 && !b.bottomUp) {
      pixels = data;   // already top-down: the data buffer is the picture
      data = nullptr;
    } else {
      pixels = TurnRows(b, pitch, bits == 4);
    }
    if (bits == 24) SetupFullColorData24(&cd);
    else SetupPaletteColorData8(&cd);
  } else {
    pixels = ConvertTo24(b, &pitch);
    SetupFullColorData24(&cd);
  }
  if (data) TrackedFree(data);
  if (!pixels) return -1;
  if (cd.bitDepth == 8) std::memcpy(cd.palette, b.palette, sizeof(cd.palette));
  std::memset(image, 0, sizeof(*image));
  image->colorData = cd;
  image->width = b.width;
  image->height = b.rows;
  image->pitch = pitch;
  image->pixels = pixels;
  return 0;
}
