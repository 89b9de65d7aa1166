// Text with the real Gothic font through both caches: the texture page drawn by the 3-D device and
// the memory image copied by software must give the same picture. Each path's picture is written as
// a PNG under the build folder and its pixels hashed.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "engine/graphics/device3d/device3d_fixture.h"
#include "engine/graphics/font/font.h"
#include "engine/graphics/image/color_data.h"
#include "engine/graphics/image/mem_img.h"
#include "platform/glyphs.h"
#include "tools/common/picture_writer.h"

namespace {

const char* const kCaption = "蒼鎖楼 動作確認版";
constexpr int kW = 200, kH = 24;

uint64_t Fnv(const std::vector<uint32_t>& px) {
  uint64_t h = 1469598103934665603ull;
  for (uint32_t v : px)
    for (int i = 0; i < 4; ++i) h = (h ^ ((v >> (i * 8)) & 0xFF)) * 1099511628211ull;
  return h;
}

void WriteArtefact(const char* name, const std::vector<uint32_t>& px) {
  std::vector<uint8_t> rows;
  for (uint32_t v : px) {
    rows.push_back(uint8_t(v >> 16));
    rows.push_back(uint8_t(v >> 8));
    rows.push_back(uint8_t(v));
  }
  const Bytes png = WritePng(PngSpec{kW, kH, 8, 2, false, {}, {}, rows});
  std::filesystem::create_directories("text_artefacts");
  std::ofstream(std::string("text_artefacts/") + name, std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
}

struct TextPaths : ::testing::Test {
  Device3DScreen screen;
  void SetUp() override {
    plat::GlyphSetBackend(plat::GlyphBackend::FreeType);
    ASSERT_EQ(screen.Start(32, 640, 480), 0);
  }
  void TearDown() override {
    InitializeFontSystem();
    DeleteDefaultFont();
    screen.Stop();
  }
};

TEST_F(TextPaths, TextureCacheGeometry) {
  plat::GlyphSetBackend(plat::GlyphBackend::Fake);
  const int big = CreateFontToHandle(nullptr, 200, -1, 0, -1, -1, 0, -1, -1);
  const FontRecord* f = GetFontRecord(big);
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->textureCache, 1);
  EXPECT_EQ(f->cellSize, 200);
  EXPECT_EQ(f->pageWidth, 1024);
  EXPECT_EQ(f->pageHeight, 512);
  EXPECT_EQ(f->capacity, 10);
  EXPECT_EQ(f->cellsPerColumn, 2);
  int x, y;
  FontCellCorner(f, 3, &x, &y);
  EXPECT_EQ(x, 200);
  EXPECT_EQ(y, 200);
  const int edged = CreateFontToHandle(nullptr, 16, -1, 1, -1, 1, 0, -1, -1);
  f = GetFontRecord(edged);
  EXPECT_EQ(f->capacity, (512 / 24) * (512 / 24));
  int gw = 0, gh = 0;
  GetGraphDimensions(f->cacheGraph, &gw, &gh);
  EXPECT_EQ(gw, 1024);
  GetGraphDimensions(f->edgeGraph, &gw, &gh);
  EXPECT_EQ(gw, 512);
  // A lost cache page is made again at the next draw and empties the cache.
  EXPECT_EQ(DrawTextWithFont(0, 0, "AB", GetScreenColor(255, 255, 255), edged, 0, 0), 0);
  EXPECT_TRUE(GetFontRecord(edged)->codeMap['A'].cached);
  // Deleting the page while glyph quads from it are still batched draws them first.
  const int oldPage = f->cacheGraph;
  DeleteGraphHandle(f->edgeGraph, 0);
  DeleteGraphHandle(oldPage, 0);
  EXPECT_EQ(f->cacheGraphLost, 1);
  EXPECT_EQ(DrawTextWithFont(0, 0, "B", GetScreenColor(255, 255, 255), edged, 0, 0), 0);
  EXPECT_NE(GetFontRecord(edged)->cacheGraph, -1);
  EXPECT_FALSE(GetFontRecord(edged)->codeMap['A'].cached);
  DeleteFontHandle(big);
  DeleteFontHandle(edged);
}

TEST_F(TextPaths, EdgedCaptionIsTheSameThroughBothCaches) {
  const uint32_t colour = GetScreenColor(255, 240, 200), edge = GetScreenColor(0, 0, 128);
  const int textured = CreateFontToHandle("MS UI Gothic", 16, -1, 1, -1, 1, 0, -1, -1);
  ASSERT_NE(textured, -1);
  ASSERT_EQ(GetFontRecord(textured)->textureCache, 1);
  g_DrawState.useTexture = 0;
  const int memory = CreateFontToHandle("MS UI Gothic", 16, -1, 1, -1, 1, 0, -1, -1);
  g_DrawState.useTexture = 1;
  ASSERT_NE(memory, -1);
  ASSERT_EQ(GetFontRecord(memory)->textureCache, 0);

  const int advance = DrawTextCore(0, 0, 0, 0, 1.0, 1.0, kCaption, 0, nullptr, nullptr, 0, textured, 0, -1, 0, nullptr);
  EXPECT_GT(advance, 120);
  EXPECT_LT(advance, kW - 8);
  ASSERT_EQ(DrawTextWithFont(4, 2, kCaption, colour, textured, edge, 0), 0);
  FlushCurrentVertexBuffer();
  std::vector<uint32_t> viaTexture(kW * kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) viaTexture[y * kW + x] = screen.Pixel(x, y) & 0xFFFFFF;

  MemImg img{};
  ASSERT_EQ(SetupMemImg(&img, kW, kH, kW * 4, 0, MEMIMG_FORMAT_RGB32, 0, 0, 0), 0);
  std::memset(img.pixels, 0, size_t(img.pitch) * kH);
  const RectI clip = {0, 0, kW, kH};
  EXPECT_EQ(DrawTextCore(1, 4, 2, 0, 1.0, 1.0, kCaption, colour, &img, &clip, 1, memory, edge, -1, 0, nullptr), advance);
  std::vector<uint32_t> viaMemory(kW * kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      uint32_t v;
      std::memcpy(&v, img.pixels + y * img.pitch + x * 4, 4);
      viaMemory[y * kW + x] = v & 0xFFFFFF;
    }
  ReleaseMemImg(&img);

  WriteArtefact("caption_texture.png", viaTexture);
  WriteArtefact("caption_memory.png", viaMemory);
  const uint64_t hashTexture = Fnv(viaTexture), hashMemory = Fnv(viaMemory);
  std::printf("caption pixel hash: texture %016llx memory %016llx\n", (unsigned long long)hashTexture,
              (unsigned long long)hashMemory);
  int body = 0, edged = 0;
  for (uint32_t v : viaMemory) {
    body += v == (colour & 0xFFFFFF);
    edged += v == (edge & 0xFFFFFF);
  }
  EXPECT_GT(body, 300);
  EXPECT_GT(edged, body / 2);   // every body pixel lies in an edge
  EXPECT_EQ(hashTexture, hashMemory);
  int differing = 0;
  for (int i = 0; i < kW * kH; ++i) differing += viaTexture[i] != viaMemory[i];
  EXPECT_EQ(differing, 0);
  DeleteFontHandle(textured);
  DeleteFontHandle(memory);
}

}  // namespace
