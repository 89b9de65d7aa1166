#include <gtest/gtest.h>

#include <cstring>

#include "engine/base/memory.h"
#include "engine/graphics/image/image_loader.h"
#include "tools/common/picture_writer.h"

namespace {

int Decode(const Bytes& b, ImageDecoder decoder, BaseImage* img) {
  StreamSource s{*GetMemoryStreamFunctions(), MemoryStreamOpen(b.data(), static_cast<uint32_t>(b.size()))};
  std::memset(img, 0, sizeof(*img));
  const int res = decoder(&s, img);
  s.fn.close(s.handle);
  return res;
}

int64_t LiveBytes() {
  int64_t bytes = 0;
  GetAllocationTotals(&bytes, nullptr);
  return bytes;
}

// A refusal gives -1, leaves no pixels and allocates nothing that outlives the call.
void ExpectRefused(const Bytes& b, ImageDecoder decoder) {
  const int64_t before = LiveBytes();
  BaseImage img;
  EXPECT_EQ(Decode(b, decoder, &img), -1);
  EXPECT_EQ(img.pixels, nullptr);
  EXPECT_EQ(LiveBytes(), before);
}

struct Image {
  BaseImage b{};
  ~Image() { FreeBaseImage(&b); }
  const uint8_t* Row(int y) const { return b.pixels + y * b.pitch; }
};

PngSpec Png(int w, int h, int depth, int type, Bytes rows) {
  PngSpec s{w, h, depth, type, false, {}, {}, std::move(rows)};
  return s;
}

TEST(PngDecode, PaletteWithoutAndWithTransparency) {
  PngSpec s = Png(2, 1, 8, 3, {0, 1});
  s.palette = {10, 20, 30, 200, 100, 50};
  Image a;
  ASSERT_EQ(Decode(WritePng(s), DecodePngToBaseImage, &a.b), 0);
  EXPECT_EQ(a.b.colorData.bitDepth, 8);
  EXPECT_EQ(a.b.colorData.palette[0], 0x0A141Eu);
  EXPECT_EQ(a.b.colorData.palette[1], 0xC86432u);
  EXPECT_EQ(a.b.colorData.palette[255], 0u);
  EXPECT_EQ(a.Row(0)[1], 1);

  s.trns = {0, 255};
  Image t;
  ASSERT_EQ(Decode(WritePng(s), DecodePngToBaseImage, &t.b), 0);
  EXPECT_EQ(t.b.colorData.bitDepth, 32);
  EXPECT_EQ(t.b.colorData.alphaMask, 0xFF000000u);
  EXPECT_EQ(t.b.pitch, 8);
  EXPECT_EQ(ReadBaseImagePixel(&t.b, 0, 0), 0x000A141Eu);
  EXPECT_EQ(ReadBaseImagePixel(&t.b, 1, 0), 0xFFC86432u);
}

TEST(PngDecode, GreyFormats) {
  Image one;   // 1-bit grey: one byte per pixel, 0 or 255
  ASSERT_EQ(Decode(WritePng(Png(3, 1, 1, 0, {0xA0})), DecodePngToBaseImage, &one.b), 0);
  EXPECT_EQ(one.b.colorData.bitDepth, 8);
  EXPECT_EQ(one.Row(0)[0], 255);
  EXPECT_EQ(one.Row(0)[1], 0);
  EXPECT_EQ(one.Row(0)[2], 255);

  Image ga;    // grey with alpha: 16-bit, the alpha byte belongs to no channel
  ASSERT_EQ(Decode(WritePng(Png(2, 1, 8, 4, {7, 200, 9, 100})), DecodePngToBaseImage, &ga.b), 0);
  EXPECT_EQ(ga.b.colorData.bitDepth, 16);
  EXPECT_EQ(ga.b.colorData.alphaWidth, 0);
  EXPECT_EQ(ga.b.colorData.redMask, 0xFFu);
  EXPECT_EQ(ga.b.colorData.blueMask, 0xFFu);
  EXPECT_EQ(ga.b.pitch, 4);
  EXPECT_EQ(ga.Row(0)[2], 9);
  EXPECT_EQ(ga.Row(0)[3], 100);
}

TEST(PngDecode, TrueColourDepthsAndInterlace) {
  Image rgb16;   // 16-bit samples keep their high bytes, in blue, green, red order
  ASSERT_EQ(Decode(WritePng(Png(1, 1, 16, 2, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC})), DecodePngToBaseImage, &rgb16.b),
            0);
  EXPECT_EQ(rgb16.b.colorData.bitDepth, 24);
  EXPECT_EQ(ReadBaseImagePixel(&rgb16.b, 0, 0), 0x12569Au);

  Image rgba;
  ASSERT_EQ(Decode(WritePng(Png(1, 1, 8, 6, {1, 2, 3, 4})), DecodePngToBaseImage, &rgba.b), 0);
  EXPECT_EQ(ReadBaseImagePixel(&rgba.b, 0, 0), 0x04010203u);

  Bytes rows;
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 11; ++x) {
      rows.push_back(static_cast<uint8_t>(x * 20));
      rows.push_back(static_cast<uint8_t>(y * 25));
      rows.push_back(static_cast<uint8_t>(x ^ y));
    }
  PngSpec s = Png(11, 9, 8, 2, rows);
  Image plain, inter;
  ASSERT_EQ(Decode(WritePng(s), DecodePngToBaseImage, &plain.b), 0);
  s.interlaced = true;
  ASSERT_EQ(Decode(WritePng(s), DecodePngToBaseImage, &inter.b), 0);
  ASSERT_EQ(plain.b.pitch, inter.b.pitch);
  EXPECT_EQ(std::memcmp(plain.b.pixels, inter.b.pixels, static_cast<size_t>(plain.b.pitch) * 9), 0);
  EXPECT_EQ(ReadBaseImagePixel(&inter.b, 3, 2), 0x3C3201u);
}

TEST(PngDecode, BrokenAndOversizedFilesRefused) {
  Bytes good = WritePng(Png(4, 4, 8, 0, Bytes(16, 9)));
  Bytes cut(good.begin(), good.begin() + static_cast<long>(good.size()) - 20);
  ExpectRefused(cut, DecodePngToBaseImage);
  ExpectRefused(Bytes(good.begin(), good.begin() + 8), DecodePngToBaseImage);
  Bytes bad = good;
  bad[1] = 'Q';   // not the signature
  ExpectRefused(bad, DecodePngToBaseImage);
  // A header that promises 60000 x 60000 pixels over a few bytes of data.
  Bytes big = WritePng(Png(1, 1, 8, 0, {0}));
  const uint8_t dims[8] = {0, 0, 0xEA, 0x60, 0, 0, 0xEA, 0x60};
  std::memcpy(&big[16], dims, 8);
  ExpectRefused(big, DecodePngToBaseImage);
}

Bytes Solid(int w, int h, std::initializer_list<uint8_t> px) {
  Bytes b;
  for (int i = 0; i < w * h; ++i) b.insert(b.end(), px);
  return b;
}

TEST(JpegDecode, ColourGreyAndFourComponents) {
  Image c;
  ASSERT_EQ(Decode(WriteJpeg(5, 3, 3, Solid(5, 3, {250, 10, 20}), 95), DecodeJpegToBaseImage, &c.b), 0);
  EXPECT_EQ(c.b.colorData.bitDepth, 24);
  EXPECT_EQ(c.b.pitch, 15);
  const uint32_t p = ReadBaseImagePixel(&c.b, 4, 2);
  EXPECT_NEAR(static_cast<int>((p >> 16) & 0xFF), 250, 6);
  EXPECT_NEAR(static_cast<int>(p & 0xFF), 20, 6);

  Image g;
  ASSERT_EQ(Decode(WriteJpeg(8, 8, 1, Solid(8, 8, {77}), 95), DecodeJpegToBaseImage, &g.b), 0);
  EXPECT_EQ(g.b.colorData.bitDepth, 8);
  EXPECT_EQ(g.b.pitch, 8);
  EXPECT_NEAR(g.Row(7)[7], 77, 2);

  // Four components come out as three bytes a pixel (inks stored inverted with the Adobe marker).
  Image k;
  ASSERT_EQ(Decode(WriteJpeg(4, 2, 4, Solid(4, 2, {200, 100, 50, 255}), 100), DecodeJpegToBaseImage, &k.b), 0);
  EXPECT_EQ(k.b.colorData.bitDepth, 24);
  EXPECT_EQ(k.b.pitch, 12);
  EXPECT_NEAR(k.Row(1)[9], 50, 4);
  EXPECT_NEAR(k.Row(1)[10], 100, 4);
  EXPECT_NEAR(k.Row(1)[11], 200, 4);
}

TEST(JpegDecode, ShortStreams) {
  Bytes full = WriteJpeg(32, 32, 3, Solid(32, 32, {90, 90, 90}), 80);
  size_t sos = 0;
  for (size_t i = 0; i + 1 < full.size(); ++i)
    if (full[i] == 0xFF && full[i + 1] == 0xDA) sos = i;
  ASSERT_GT(sos, 0u);
  Image cut;   // ends just after the scan header: decodes with a warning
  ASSERT_EQ(Decode(Bytes(full.begin(), full.begin() + static_cast<long>(sos) + 20), DecodeJpegToBaseImage, &cut.b), 0);
  EXPECT_EQ(cut.b.width, 32);
  ExpectRefused(Bytes{0xFF, 0xD8}, DecodeJpegToBaseImage);
  ExpectRefused(Bytes(full.begin(), full.begin() + 40), DecodeJpegToBaseImage);
  ExpectRefused(Bytes(), DecodeJpegToBaseImage);
}

// Rows of a bottom-up BMP: file order is bottom row first.
TEST(BmpDecode, TwentyFourBitBothOrientations) {
  const Bytes data = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  Image up, down;
  ASSERT_EQ(Decode(WriteBmp(2, 2, 24, 0, {}, data), DecodeBmpToBaseImage, &up.b), 0);
  EXPECT_EQ(up.b.pitch, 8);
  EXPECT_EQ(up.Row(0)[0], 7);   // top row is the file's last
  EXPECT_EQ(ReadBaseImagePixel(&up.b, 1, 1), 0x060504u);
  ASSERT_EQ(Decode(WriteBmp(2, -2, 24, 0, {}, data), DecodeBmpToBaseImage, &down.b), 0);
  EXPECT_EQ(down.b.height, 2);
  EXPECT_EQ(down.Row(0)[0], 1);
}

TEST(BmpDecode, PaletteDepths) {
  const std::vector<uint32_t> pal2 = {0x000000, 0xFF8040};
  Image one;   // 1-bit: converted to 24 bits through the palette
  ASSERT_EQ(Decode(WriteBmp(3, 1, 1, 0, pal2, {0xA0, 0, 0, 0}), DecodeBmpToBaseImage, &one.b), 0);
  EXPECT_EQ(one.b.colorData.bitDepth, 24);
  EXPECT_EQ(ReadBaseImagePixel(&one.b, 0, 0), 0xFF8040u);
  EXPECT_EQ(ReadBaseImagePixel(&one.b, 1, 0), 0u);
  EXPECT_EQ(ReadBaseImagePixel(&one.b, 2, 0), 0xFF8040u);

  std::vector<uint32_t> pal16(16, 0);
  pal16[3] = 0x112233;
  pal16[12] = 0xAABBCC;
  Image four;  // 4-bit: one index a byte, pitch rounded to 4
  ASSERT_EQ(Decode(WriteBmp(3, 1, 4, 0, pal16, {0x3C, 0x30, 0, 0}), DecodeBmpToBaseImage, &four.b), 0);
  EXPECT_EQ(four.b.colorData.bitDepth, 8);
  EXPECT_EQ(four.b.pitch, 4);
  EXPECT_EQ(four.Row(0)[0], 3);
  EXPECT_EQ(four.Row(0)[1], 12);
  EXPECT_EQ(four.Row(0)[2], 3);
  EXPECT_EQ(four.b.colorData.palette[12], 0xAABBCCu);

  Image eight;  // 8-bit with a two-entry palette, top-down
  ASSERT_EQ(Decode(WriteBmp(2, -2, 8, 0, pal2, {1, 0, 0, 0, 0, 1, 0, 0}), DecodeBmpToBaseImage, &eight.b), 0);
  EXPECT_EQ(eight.Row(0)[0], 1);
  EXPECT_EQ(eight.Row(1)[1], 1);
  EXPECT_EQ(eight.b.colorData.palette[1], 0xFF8040u);
}

TEST(BmpDecode, SixteenThirtyTwoAndBitFields) {
  Image s16;   // 5-5-5
  ASSERT_EQ(Decode(WriteBmp(1, 1, 16, 0, {}, {0xFF, 0x7F, 0, 0}), DecodeBmpToBaseImage, &s16.b), 0);
  EXPECT_EQ(s16.b.colorData.bitDepth, 24);
  EXPECT_EQ(ReadBaseImagePixel(&s16.b, 0, 0), 0xF8F8F8u);
  Image f16;   // 5-6-5 bit fields
  ASSERT_EQ(Decode(WriteBmp(1, 1, 16, 3, {0xF800, 0x07E0, 0x001F}, {0xE0, 0x07, 0, 0}), DecodeBmpToBaseImage, &f16.b),
            0);
  EXPECT_EQ(ReadBaseImagePixel(&f16.b, 0, 0), 0x00FC00u);
  Image s32;
  ASSERT_EQ(Decode(WriteBmp(1, 1, 32, 0, {}, {0x30, 0x20, 0x10, 0x99}), DecodeBmpToBaseImage, &s32.b), 0);
  EXPECT_EQ(ReadBaseImagePixel(&s32.b, 0, 0), 0x102030u);
  Image f32;   // fields in a different order
  ASSERT_EQ(Decode(WriteBmp(1, 1, 32, 3, {0xFF, 0xFF00, 0xFF0000}, {0x30, 0x20, 0x10, 0}), DecodeBmpToBaseImage, &f32.b),
            0);
  EXPECT_EQ(ReadBaseImagePixel(&f32.b, 0, 0), 0x302010u);
}

TEST(BmpDecode, RunLengthPictures) {
  std::vector<uint32_t> pal(256, 0);
  // RLE8, 4 x 2 bottom-up: row 0 (bottom) = run of 3 x 5 then one 9; row 1 = absolute 1 2 3, delta.
  const Bytes rle8 = {3, 5, 1, 9, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1};
  Image a;
  ASSERT_EQ(Decode(WriteBmp(4, 2, 8, 1, pal, rle8), DecodeBmpToBaseImage, &a.b), 0);
  EXPECT_EQ(a.b.pitch, 4);
  const uint8_t top[4] = {1, 2, 3, 0}, bottom[4] = {5, 5, 5, 9};
  EXPECT_EQ(std::memcmp(a.Row(0), top, 4), 0);
  EXPECT_EQ(std::memcmp(a.Row(1), bottom, 4), 0);

  // RLE4, 5 x 1 top-down: run of 3 alternating 1/2, then absolute 4, 5 (a 2-index run padded).
  std::vector<uint32_t> pal16(16, 0);
  const Bytes rle4 = {3, 0x12, 0, 0, 0, 1};
  Image b;
  ASSERT_EQ(Decode(WriteBmp(5, -1, 4, 2, pal16, rle4), DecodeBmpToBaseImage, &b.b), 0);
  const uint8_t row4[5] = {1, 2, 1, 0, 0};
  EXPECT_EQ(std::memcmp(b.Row(0), row4, 5), 0);
  const Bytes rle4abs = {0, 3, 0x45, 0x60, 2, 0x77, 0, 1};
  Image c;
  ASSERT_EQ(Decode(WriteBmp(5, -1, 4, 2, pal16, rle4abs), DecodeBmpToBaseImage, &c.b), 0);
  const uint8_t rowAbs[5] = {4, 5, 6, 7, 7};
  EXPECT_EQ(std::memcmp(c.Row(0), rowAbs, 5), 0);

  // Runs past the last row, and absolute runs cut off by the end of the data, are refused.
  ExpectRefused(WriteBmp(4, 1, 8, 1, pal, {0, 0, 4, 1, 0, 1}), DecodeBmpToBaseImage);
  ExpectRefused(WriteBmp(4, 1, 8, 1, pal, {0, 2, 0, 5, 1, 1}), DecodeBmpToBaseImage);
  ExpectRefused(WriteBmp(4, 1, 8, 1, pal, {0, 4, 1, 2}), DecodeBmpToBaseImage);
}

// One rule for every decoder: a picture beyond the stated size is refused before anything is
// allocated, whatever its few header bytes promise; one just within it loads. Run-length data that
// stops before its end marker is a cut file, not a picture.
TEST(ImageLimits, PicturesBeyondTheStatedSizeAndCutRunLengthDataAreRefused) {
  std::vector<uint32_t> pal(256, 0);
  ExpectRefused(WriteBmp(16000, 16000, 8, 1, pal, {0, 1}), DecodeBmpToBaseImage);
  ExpectRefused(WriteBmp(static_cast<int>(IMAGE_MAX_SIDE) + 1, 1, 8, 1, pal, {0, 1}), DecodeBmpToBaseImage);
  ExpectRefused(WriteBmp(4, 2, 8, 1, pal, {3, 5, 1, 9, 0, 0}), DecodeBmpToBaseImage);   // no end marker
  ExpectRefused(WriteBgra(0x08080808, 8192, 8193, Bytes(64, 1)), DecodeBgraToBaseImage);
  ExpectRefused(WriteDds(8193, 8193, 0, 0, 0x40, 0, 8, 0xE0, 0x1C, 3, 0, Bytes(64, 1)), DecodeDdsToBaseImage);
  Image strip;
  ASSERT_EQ(Decode(WriteBgra(0x08080808, static_cast<int>(IMAGE_MAX_SIDE), 1, Bytes(IMAGE_MAX_SIDE * 4, 7)),
                   DecodeBgraToBaseImage, &strip.b),
            0);
  EXPECT_EQ(strip.b.width, IMAGE_MAX_SIDE);

  // A JPEG header for 16000 x 16000 with its scan cut off: a short JPEG keeps what came only
  // within the limit.
  const Bytes jpeg = WriteJpeg(16, 16, 3, Solid(16, 16, {1, 2, 3}), 90);
  size_t sos = 0;
  for (size_t i = 0; i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) sos = i;
  ASSERT_GT(sos, 0u);
  Bytes huge(jpeg.begin(), jpeg.begin() + static_cast<long>(sos) + 20);
  for (size_t i = 0; i + 9 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 7] = 16000 >> 8;
      huge[i + 6] = huge[i + 8] = 16000 & 0xFF;
    }
  }
  ExpectRefused(huge, DecodeJpegToBaseImage);
  ASSERT_LE(int64_t{IMAGE_MAX_PIXELS}, int64_t{1} << 26);
}

TEST(BmpDecode, TrustsNoSizes) {
  ExpectRefused(WriteBmp(4, 4, 24, 0, {}, Bytes(40, 0)), DecodeBmpToBaseImage);    // rows need 64 bytes
  ExpectRefused(WriteBmp(0, 4, 24, 0, {}, Bytes(64, 0)), DecodeBmpToBaseImage);
  ExpectRefused(WriteBmp(-4, 4, 24, 0, {}, Bytes(64, 0)), DecodeBmpToBaseImage);
  ExpectRefused(WriteBmp(4, 0, 24, 0, {}, Bytes(64, 0)), DecodeBmpToBaseImage);
  ExpectRefused(WriteBmp(0x40000000, 2, 24, 0, {}, Bytes(64, 0)), DecodeBmpToBaseImage);
  ExpectRefused(WriteBmp(4, 4, 2, 0, {0, 0, 0, 0}, Bytes(64, 0)), DecodeBmpToBaseImage);   // no 2-bit
  ExpectRefused(WriteBmp(4, 4, 24, 4, {}, Bytes(64, 0)), DecodeBmpToBaseImage);            // embedded JPEG
}

TEST(TgaDecode, TrueColourTypesAndOrientation) {
  const Bytes px = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  Image t2;   // bottom-up (descriptor 0): the last row comes first
  ASSERT_EQ(Decode(WriteTga(2, 2, 2, 24, 0, 0, 0, {}, px, false), DecodeTgaToBaseImage, &t2.b), 0);
  EXPECT_EQ(t2.b.pitch, 6);
  EXPECT_EQ(t2.Row(0)[0], 7);
  Image t2r;  // top-down, right to left
  ASSERT_EQ(Decode(WriteTga(2, 2, 2, 24, 0x30, 0, 0, {}, px, true), DecodeTgaToBaseImage, &t2r.b), 0);
  EXPECT_EQ(t2r.Row(0)[0], 4);
  Image t10;  // run packet of 2 then a raw packet of 2, bottom-up
  const Bytes packets = {0x81, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9, 10, 11, 12};
  ASSERT_EQ(Decode(WriteTga(10, 2, 2, 32, 0x08, 0, 0, {}, packets, true), DecodeTgaToBaseImage, &t10.b), 0);
  EXPECT_EQ(t10.b.colorData.bitDepth, 32);
  EXPECT_EQ(ReadBaseImagePixel(&t10.b, 0, 0), 0x08070605u);
  EXPECT_EQ(ReadBaseImagePixel(&t10.b, 1, 1), 0x04030201u);
  Image t16;
  ASSERT_EQ(Decode(WriteTga(2, 1, 1, 16, 0x20, 0, 0, {}, {0x1F, 0x7C}, false), DecodeTgaToBaseImage, &t16.b), 0);
  EXPECT_EQ(t16.b.colorData.redMask, 0x7C00u);
  EXPECT_EQ(ReadBaseImagePixel(&t16.b, 0, 0), 0xF800F8u);
}

TEST(TgaDecode, ColourMappedTypes) {
  const Bytes map = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60};   // entries 5 and 6, 24-bit
  Image t1;
  ASSERT_EQ(Decode(WriteTga(1, 3, 1, 8, 0x20, 5, 24, map, {6, 5, 6}, false), DecodeTgaToBaseImage, &t1.b), 0);
  EXPECT_EQ(t1.b.colorData.bitDepth, 24);
  EXPECT_EQ(ReadBaseImagePixel(&t1.b, 0, 0), 0x605040u);
  EXPECT_EQ(ReadBaseImagePixel(&t1.b, 1, 0), 0x302010u);
  Image t9;
  ASSERT_EQ(Decode(WriteTga(9, 3, 1, 8, 0x20, 5, 24, map, {0x82, 5}, true), DecodeTgaToBaseImage, &t9.b), 0);
  EXPECT_EQ(ReadBaseImagePixel(&t9.b, 2, 0), 0x302010u);
}

TEST(TgaDecode, Refusals) {
  const Bytes px(12, 1);
  Bytes origin = WriteTga(2, 2, 2, 24, 0, 0, 0, {}, px, false);
  origin[8] = 1;
  ExpectRefused(origin, DecodeTgaToBaseImage);
  ExpectRefused(WriteTga(2, 4096, 1, 24, 0, 0, 0, {}, Bytes(4096 * 3, 0), false), DecodeTgaToBaseImage);
  ExpectRefused(WriteTga(3, 2, 2, 8, 0, 0, 0, {}, Bytes(4, 0), false), DecodeTgaToBaseImage);
  ExpectRefused(WriteTga(2, 2, 2, 24, 0, 0, 0, {}, Bytes(11, 0), false), DecodeTgaToBaseImage);     // short
  ExpectRefused(WriteTga(10, 2, 1, 24, 0, 0, 0, {}, {0x82, 1, 2, 3}, false), DecodeTgaToBaseImage);  // past the image
  ExpectRefused(WriteTga(10, 2, 2, 24, 0, 0, 0, {}, {0x00, 1, 2}, false), DecodeTgaToBaseImage);     // data ends
  ExpectRefused(WriteTga(1, 1, 1, 8, 0, 255, 24, Bytes(6, 0), {0}, false), DecodeTgaToBaseImage);    // map past 256
}

TEST(DdsDecode, MaskedAndTableFormats) {
  const Bytes px = {0x00, 0xF8, 0x1F, 0x00};
  Image rgb;
  ASSERT_EQ(Decode(WriteDds(2, 1, 0, 0, 0x40, 0, 16, 0xF800, 0x07E0, 0x001F, 0, px), DecodeDdsToBaseImage, &rgb.b), 0);
  EXPECT_EQ(rgb.b.colorData.bitDepth, 16);
  EXPECT_EQ(rgb.b.pitch, 4);
  EXPECT_EQ(ReadBaseImagePixel(&rgb.b, 0, 0), 0xF80000u);
  EXPECT_EQ(ReadBaseImagePixel(&rgb.b, 1, 0), 0x0000F8u);
  Image table;
  ASSERT_EQ(Decode(WriteDds(2, 1, 8, 4, 4, 23, 0, 0, 0, 0, 0, px), DecodeDdsToBaseImage, &table.b), 0);
  EXPECT_EQ(table.b.colorData.greenMask, 0x07E0u);
  EXPECT_EQ(ReadBaseImagePixel(&table.b, 0, 0), 0xF80000u);
  Image padded;   // a pitch wider than the row
  ASSERT_EQ(Decode(WriteDds(1, 2, 8, 8, 0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0, Bytes(16, 0x44)), DecodeDdsToBaseImage,
                   &padded.b),
            0);
  EXPECT_EQ(padded.b.pitch, 8);
  ExpectRefused(WriteDds(2, 1, 0, 0, 4, 0x31545844, 0, 0, 0, 0, 0, Bytes(8, 0)), DecodeDdsToBaseImage);   // DXT1
  ExpectRefused(WriteDds(4, 1, 8, 4, 0x40, 0, 16, 0xF800, 0x07E0, 0x1F, 0, Bytes(8, 0)), DecodeDdsToBaseImage);
  ExpectRefused(WriteDds(4, 4, 0, 0, 0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0, Bytes(20, 0)), DecodeDdsToBaseImage);
}

TEST(BgraDecode, BothSampleSizes) {
  Image e;
  ASSERT_EQ(Decode(WriteBgra(0x08080808, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}), DecodeBgraToBaseImage, &e.b), 0);
  EXPECT_EQ(e.b.colorData.bitDepth, 32);
  EXPECT_EQ(ReadBaseImagePixel(&e.b, 1, 0), 0x08070605u);
  Image w;
  Bytes words;
  for (int i = 0; i < 8; ++i) PutLe16(words, 0x1234);
  ASSERT_EQ(Decode(WriteBgra(0x10101010, 2, 1, words), DecodeBgraToBaseImage, &w.b), 0);
  EXPECT_EQ(w.b.pitch, 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(w.b.pixels[i], 0x12);
  ExpectRefused(WriteBgra(0x08080808, 0x7FFFFFFF, 0x7FFFFFFF, Bytes(16, 0)), DecodeBgraToBaseImage);
  ExpectRefused(WriteBgra(0x08080808, 2, 2, Bytes(15, 0)), DecodeBgraToBaseImage);
  ExpectRefused(WriteBgra(0x08080808, 0, 2, Bytes(16, 0)), DecodeBgraToBaseImage);
  ExpectRefused(WriteBgra(0x04040404, 1, 1, Bytes(4, 0)), DecodeBgraToBaseImage);
}

TEST(LoaderChain, OrderDecidesAndUnknownStreamsFail) {
  Image bmp;
  const Bytes b = WriteBmp(1, 1, 24, 0, {}, {3, 2, 1, 0});
  ASSERT_EQ(LoadImageToBaseImage(nullptr, b.data(), static_cast<int>(b.size()), 1, 0, 0, &bmp.b, nullptr, nullptr), 0);
  EXPECT_EQ(ReadBaseImagePixel(&bmp.b, 0, 0), 0x010203u);
  const int64_t before = LiveBytes();
  const Bytes junk(300, 0x5A);
  BaseImage none{};
  EXPECT_EQ(LoadImageToBaseImage(nullptr, junk.data(), 300, 1, 0, 0, &none, nullptr, nullptr), -1);
  EXPECT_EQ(LoadImageToBaseImage("no such file.png", nullptr, 0, 0, 0, 0, &none, nullptr, nullptr), -1);
  EXPECT_EQ(LiveBytes(), before);
}

TEST(LoaderChain, MirrorAndBitmapForms) {
  const Bytes b = WriteBmp(3, 1, 24, 0, {}, {1, 1, 1, 2, 2, 2, 3, 3, 3, 0, 0, 0});
  Image m;
  ASSERT_EQ(LoadImageToBaseImage(nullptr, b.data(), static_cast<int>(b.size()), 1, 0, 1, &m.b, nullptr, nullptr), 0);
  EXPECT_EQ(m.Row(0)[0], 3);
  EXPECT_EQ(m.Row(0)[8], 1);
  DibInfo* info = nullptr;
  void* bits = nullptr;
  ASSERT_EQ(LoadImageToBaseImage(nullptr, b.data(), static_cast<int>(b.size()), 1, 1, 0, nullptr, &info, &bits), 0);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->header.height, -1);
  EXPECT_EQ(info->header.bitCount, 24);
  EXPECT_EQ(static_cast<uint8_t*>(bits)[3], 2);
  TrackedFree(bits);
  TrackedFree(info);
}

TEST(BaseImageOps, PixelsDibsAndMirror) {
  BaseImage img{};
  CreateColorData(&img.colorData, 16, 0xF800, 0x07E0, 0x001F, 0);
  uint16_t px = 0xFFFF;
  img.width = img.height = 1;
  img.pitch = 2;
  img.pixels = reinterpret_cast<uint8_t*>(&px);
  EXPECT_EQ(ReadBaseImagePixel(&img, 0, 0), 0x00F8FCF8u);

  // 24-bit, 5 wide: shared at the DIB pitch of 16, copied row by row at 15.
  Image five;
  ASSERT_EQ(AllocBaseImagePixels(5, 2, &five.b), 0);
  EXPECT_EQ(five.b.pitch, 16);
  FillBaseImage(&five.b, 10, 20, 30, 0);
  EXPECT_EQ(ReadBaseImagePixel(&five.b, 4, 1), 0x0A141Eu);
  DibInfo info;
  void* bits = nullptr;
  EXPECT_EQ(ConvertBaseImageToDib(&five.b, &info, &bits, 0, 0), 0);
  EXPECT_EQ(bits, five.b.pixels);
  five.b.pitch = 15;
  FillBaseImage(&five.b, 10, 20, 30, 0);
  EXPECT_EQ(ConvertBaseImageToDib(&five.b, &info, &bits, 0, 0), 1);
  EXPECT_NE(bits, five.b.pixels);
  EXPECT_EQ(static_cast<uint8_t*>(bits)[16], 30);
  TrackedFree(bits);
  five.b.pitch = 16;

  uint8_t row[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  BaseImage m{};
  SetupFullColorData24(&m.colorData);
  m.width = 3;
  m.height = 1;
  m.pitch = 9;
  m.pixels = row;
  EXPECT_EQ(MirrorBaseImage(&m), 0);
  const uint8_t want[9] = {7, 8, 9, 4, 5, 6, 1, 2, 3};
  EXPECT_EQ(std::memcmp(row, want, 9), 0);
  m.width = 0;
  EXPECT_EQ(MirrorBaseImage(&m), -1);
}

}  // namespace
