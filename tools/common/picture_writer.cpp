// Picture writers.
#include "tools/common/picture_writer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <png.h>

void PutLe16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}

void PutLe32(Bytes& b, uint32_t v) {
  PutLe16(b, v & 0xFFFF);
  PutLe16(b, v >> 16);
}

static void PngWriteToBytes(png_structp png, png_bytep data, png_size_t length) {
  Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

static void PngFlush(png_structp) {}

Bytes WritePng(const PngSpec& s) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return Bytes();
  }
  png_set_write_fn(png, &out, PngWriteToBytes, PngFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(s.width), static_cast<png_uint_32>(s.height), s.bitDepth,
               s.colorType, s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> pal;
  for (size_t i = 0; i + 2 < s.palette.size(); i += 3) pal.push_back({s.palette[i], s.palette[i + 1], s.palette[i + 2]});
  if (!pal.empty()) png_set_PLTE(png, info, pal.data(), static_cast<int>(pal.size()));
  if (!s.trns.empty()) png_set_tRNS(png, info, s.trns.data(), static_cast<int>(s.trns.size()), nullptr);
  png_write_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  std::vector<png_bytep> rows(static_cast<size_t>(s.height));
  for (int y = 0; y < s.height; ++y) rows[static_cast<size_t>(y)] = const_cast<png_bytep>(s.rows.data() + y * rowBytes);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes WriteJpeg(int width, int height, int components, const std::vector<uint8_t>& samples, int quality) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &mem, &size);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = components;
  c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples.data() + static_cast<size_t>(c.next_scanline) * width * components);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  Bytes out(mem, mem + size);
  jpeg_destroy_compress(&c);
  free(mem);
  return out;
}

Bytes WriteBmp(int width, int height, int bits, uint32_t compression, const std::vector<uint32_t>& extra,
               const Bytes& data) {
  Bytes b;
  const uint32_t offset = 14 + 40 + static_cast<uint32_t>(extra.size()) * 4;
  b.push_back('B');
  b.push_back('M');
  PutLe32(b, offset + static_cast<uint32_t>(data.size()));
  PutLe32(b, 0);
  PutLe32(b, offset);
  PutLe32(b, 40);
  PutLe32(b, static_cast<uint32_t>(width));
  PutLe32(b, static_cast<uint32_t>(height));
  PutLe16(b, 1);
  PutLe16(b, static_cast<uint32_t>(bits));
  PutLe32(b, compression);
  PutLe32(b, static_cast<uint32_t>(data.size()));
  PutLe32(b, 2835);
  PutLe32(b, 2835);
  PutLe32(b, 0);
  PutLe32(b, 0);
  for (uint32_t v : extra) PutLe32(b, v);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

Bytes WriteTga(int type, int width, int height, int pixelBits, int descriptor, int mapFirst, int mapEntryBits,
               const Bytes& map, const Bytes& data, bool footer) {
  Bytes b;
  b.push_back(0);
  const bool mapped = !map.empty();
  b.push_back(mapped ? 1 : 0);
  b.push_back(static_cast<uint8_t>(type));
  PutLe16(b, static_cast<uint32_t>(mapFirst));
  PutLe16(b, mapped ? static_cast<uint32_t>(map.size() / (static_cast<size_t>(mapEntryBits) / 8)) : 0);
  b.push_back(static_cast<uint8_t>(mapEntryBits));
  PutLe16(b, 0);
  PutLe16(b, 0);
  PutLe16(b, static_cast<uint32_t>(width));
  PutLe16(b, static_cast<uint32_t>(height));
  b.push_back(static_cast<uint8_t>(pixelBits));
  b.push_back(static_cast<uint8_t>(descriptor));
  b.insert(b.end(), map.begin(), map.end());
  b.insert(b.end(), data.begin(), data.end());
  if (footer) {
    PutLe32(b, 0);
    PutLe32(b, 0);
    const char* sig = "TRUEVISION-XFILE.";
    b.insert(b.end(), sig, sig + 17);
    b.push_back(0);
  }
  return b;
}

Bytes WriteDds(int width, int height, uint32_t flags, uint32_t pitch, uint32_t pfFlags, uint32_t fourCC,
               uint32_t bits, uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha, const Bytes& data) {
  Bytes b = {'D', 'D', 'S', ' '};
  PutLe32(b, 124);
  PutLe32(b, flags);
  PutLe32(b, static_cast<uint32_t>(height));
  PutLe32(b, static_cast<uint32_t>(width));
  PutLe32(b, pitch);
  for (int i = 0; i < 13; ++i) PutLe32(b, 0);   // depth, mipmap count, 11 reserved
  PutLe32(b, 32);
  PutLe32(b, pfFlags);
  PutLe32(b, fourCC);
  PutLe32(b, bits);
  PutLe32(b, red);
  PutLe32(b, green);
  PutLe32(b, blue);
  PutLe32(b, alpha);
  for (int i = 0; i < 5; ++i) PutLe32(b, 0);    // caps and reserved
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

Bytes WriteBgra(uint32_t format, int width, int height, const Bytes& samples) {
  Bytes b = {'B', 'G', 'R', 'A'};
  PutLe32(b, format);
  PutLe32(b, static_cast<uint32_t>(width));
  PutLe32(b, static_cast<uint32_t>(height));
  b.insert(b.end(), samples.begin(), samples.end());
  return b;
}
