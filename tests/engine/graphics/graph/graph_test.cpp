#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/screen/screen_fixture.h"

namespace {

// A 16-bit full screen with a display object, no 3-D device: every graph is a 2-D graph.
class GraphTest : public ::testing::Test {
 protected:
  plat::SurfaceDevice* dev = nullptr;
  // What the screen's start leaves in the surface tables (the default font's draw surface).
  int base2D = 0, baseData = 0;
  void SetUp() override {
    ASSERT_EQ(StartScreenForTest(ScreenSetup{}), 0);
    dev = g_ScreenState.device;
    g_DrawState.notAvailable = 0;
    ResetDrawState();
    ResetGraphTable();
    base2D = GetSurface2DCount();
    baseData = GetSurfaceDataCount();
  }
  void TearDown() override {
    DeleteAllGraphHandles(0);
    StopScreenForTest();
  }
};

TEST_F(GraphTest, BlankGraphIsOneSurfaceOverPlainSurfaceData) {
  int g = CreateBlankGraph(32, 16);
  ASSERT_GT(g, 0);
  EXPECT_EQ(g & 0x78000000, 0x08000000);
  GraphRecord* r = GetGraphRecord(g);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->create.texture, 0);   // no 3-D device
  EXPECT_EQ(r->create.bitDepth, 16);
  EXPECT_EQ(r->partCount, 1);
  Surface2DRecord* s = GetSurface2D(static_cast<int>(r->parts[0]));
  ASSERT_NE(s, nullptr);
  SurfaceDataRecord* d = GetSurfaceDataRecord(static_cast<int>(s->surfaceData));
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->formatIndex, SURFACE_FORMAT_PLAIN);
  EXPECT_NE(d->surface, nullptr);
  int w = 0, h = 0;
  EXPECT_EQ(GetGraphDimensions(g, &w, &h), 0);
  EXPECT_EQ(w, 32);
  EXPECT_EQ(GetGraphDimensions(-4, &w, nullptr), 0);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(GetGraphDimensions(g + 1, &w, &h), -1);
  EXPECT_EQ(GetGraphDimensions(-1, &w, &h), -1);
}

TEST_F(GraphTest, AlphaGraphIsSoftwareImage) {
  SetCreateGraphAlphaFlag(1);
  int g = CreateBlankGraph(8, 8);
  ASSERT_GT(g, 0);
  GraphRecord* r = GetGraphRecord(g);
  SurfaceDataRecord* d = GetSurfaceDataRecord(static_cast<int>(GetSurface2D(static_cast<int>(r->parts[0]))->surfaceData));
  EXPECT_EQ(d->softwareImageMode, 1);
  EXPECT_EQ(d->formatIndex, SURFACE_FORMAT_IMAGE16_ALPHA);
  EXPECT_EQ(d->image.alphaFlag, 1);
  EXPECT_EQ(d->surface, nullptr);
}

TEST_F(GraphTest, WideSurfaceGoesToSystemMemoryAndVideoFallsBack) {
  int g = CreateBlankGraph(800, 4);
  SurfaceDataRecord* d = GetSurfaceDataRecord(
      static_cast<int>(GetSurface2D(static_cast<int>(GetGraphRecord(g)->parts[0]))->surfaceData));
  EXPECT_EQ(d->create.systemMemory, 1);
  EXPECT_TRUE(plat::SurfaceCaps(d->surface) & plat::SURFCAPS_SYSTEMMEMORY);
  plat::SurfaceDeviceSetVideoMemoryLimit(dev, 0);
  int g2 = CreateBlankGraph(16, 4);
  ASSERT_GT(g2, 0);
  d = GetSurfaceDataRecord(static_cast<int>(GetSurface2D(static_cast<int>(GetGraphRecord(g2)->parts[0]))->surfaceData));
  EXPECT_EQ(d->create.systemMemory, 1);
}

TEST_F(GraphTest, CheckNumberWrapsAndStaleHandlesFail) {
  int first = CreateBlankGraph(4, 4);
  ASSERT_GT(first, 0);
  ASSERT_EQ(DeleteGraphHandle(first, 0), 0);
  EXPECT_EQ(DeleteGraphHandle(first, 0), -1);
  int reused = CreateBlankGraph(4, 4);   // same slot (area end back at 0), next check number
  EXPECT_EQ(reused & 0xFFFF, first & 0xFFFF);
  EXPECT_NE(reused, first);
  EXPECT_EQ(GetGraphRecord(first), nullptr);
  int h = reused;
  for (int i = 0; i < 2046; ++i) {
    DeleteGraphHandle(h, 0);
    h = CreateBlankGraph(4, 4);
  }
  EXPECT_EQ((h >> 16) & 0x7FF, 2047);
  DeleteGraphHandle(h, 0);
  h = CreateBlankGraph(4, 4);
  EXPECT_EQ(h, first);   // 2048 creations later the old handle is valid again
}

TEST_F(GraphTest, AreaEndWalksDownAndLostFlags) {
  int a = CreateBlankGraph(4, 4), b = CreateBlankGraph(4, 4), c = CreateBlankGraph(4, 4);
  EXPECT_EQ(GetGraphAreaEnd(), 3);
  int32_t lost = 7;
  EXPECT_EQ(SetGraphLostFlagPointer(b, &lost), 0);
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(SetGraphLostFlagPointer(0x08001234, &lost), -1);
  DeleteGraphHandle(b, 0);
  EXPECT_EQ(lost, 1);
  EXPECT_EQ(GetGraphAreaEnd(), 3);
  DeleteGraphHandle(c, 0);
  EXPECT_EQ(GetGraphAreaEnd(), 1);   // past the empty slot 1
  DeleteGraphHandle(a, 0);
  EXPECT_EQ(GetGraphAreaEnd(), 0);
  EXPECT_EQ(GetSurface2DCount(), base2D);
  EXPECT_EQ(GetSurfaceDataCount(), baseData);

  int d = CreateBlankGraph(4, 4), e = CreateBlankGraph(4, 4);
  int32_t ld = 0, le = 0;
  SetGraphLostFlagPointer(d, &ld);
  SetGraphLostFlagPointer(e, &le);
  DeleteAllGraphHandles(0);
  EXPECT_EQ(ld, 1);
  EXPECT_EQ(le, 1);
  EXPECT_EQ(GetGraphCount(), 0);
}

TEST_F(GraphTest, NotAvailableCreatesNothing) {
  g_DrawState.notAvailable = 1;
  EXPECT_EQ(CreateBlankGraph(4, 4), 0);
  EXPECT_EQ(GetGraphCount(), 0);
  EXPECT_EQ(GetSurface2DCount(), base2D);
  g_DrawState.notAvailable = 0;
  EXPECT_EQ(CreateBlankGraph(0, 4), -1);
  EXPECT_EQ(CreateBlankGraph(70000, 4), -1);
  EXPECT_EQ(GetGraphCount(), 0);
}

TEST_F(GraphTest, FileNamesStoredBounded) {
  int g = CreateBlankGraph(4, 4);
  GraphRecord* r = GetGraphRecord(g);
  StoreGraphFileName(r, "pic00.png", "Z:\\game\\vlxdat");
  EXPECT_STREQ(r->fileName, "pic00.png");
  EXPECT_EQ(GraphFileNameReloadable(r), 1);
  std::string longName(100, 'a');
  std::string longPath(400, 'p');
  StoreGraphFileName(r, longName.c_str(), longPath.c_str());
  EXPECT_EQ(std::strlen(r->fileName), 63u);
  EXPECT_EQ(std::strlen(r->path), 255u);
  EXPECT_EQ(GraphFileNameReloadable(r), 0);
  StoreGraphFileName(r, "x.png", std::string(200, 'q').c_str());   // fits, but too long to reload
  EXPECT_EQ(GraphFileNameReloadable(r), 0);
}

TEST_F(GraphTest, SharedSurfaceDataLivesUntilLastSurface) {
  int parent = CreateBlankGraph(16, 16);
  GraphRecord* p = GetGraphRecord(parent);
  GraphRecord* child = nullptr;
  int c = AllocGraphHandle(4, 4, 0, 0, 0, &child);
  ASSERT_GT(c, 0);
  ASSERT_EQ(CreateGraphSurface2DShared(child, 2, 3, 4, 4, p), 0);
  Surface2DRecord* cs = GetSurface2D(static_cast<int>(child->parts[0]));
  EXPECT_EQ(cs->srcX, 2);
  EXPECT_EQ(cs->srcY, 3);
  const int data = static_cast<int>(cs->surfaceData);
  EXPECT_EQ(GetSurfaceDataRecord(data)->refCount, 2);
  GraphRecord* bad = nullptr;
  int b = AllocGraphHandle(4, 4, 0, 0, 0, &bad);
  EXPECT_EQ(CreateGraphSurface2DShared(bad, 14, 0, 4, 4, p), -1);   // reaches past the parent
  DeleteGraphHandle(b, 0);
  DeleteGraphHandle(c, 0);
  ASSERT_NE(GetSurfaceDataRecord(data), nullptr);
  EXPECT_EQ(GetSurfaceDataRecord(data)->refCount, 1);
  DeleteGraphHandle(parent, 0);
  EXPECT_EQ(GetSurfaceDataRecord(data), nullptr);
}

TEST_F(GraphTest, NestedLocksAndFill) {
  int g = CreateBlankGraph(8, 8);
  const int data =
      static_cast<int>(GetSurface2D(static_cast<int>(GetGraphRecord(g)->parts[0]))->surfaceData);
  SurfaceDataRecord* d = GetSurfaceDataRecord(data);
  ASSERT_EQ(ColorFillSurfaceData(data, 255, 0, 0, 255), 0);
  int32_t pitch = 0, pitch2 = 0;
  uint8_t *p = nullptr, *p2 = nullptr;
  const ColorData* cd = nullptr;
  RectI r{1, 1, 4, 4};
  ASSERT_EQ(LockSurfaceData(data, &pitch, &p, 0, &r, &cd), 0);
  EXPECT_EQ(cd->bitDepth, 16);
  uint16_t v;
  std::memcpy(&v, p, 2);
  EXPECT_EQ(v, 0xF800);
  EXPECT_EQ(LockSurfaceData(data, &pitch2, &p2, 0, nullptr, nullptr), -2);
  EXPECT_EQ(p2, p);
  EXPECT_EQ(pitch2, pitch);
  EXPECT_EQ(UnlockSurfaceData(data, nullptr), 0);
  EXPECT_TRUE(plat::SurfaceIsLocked(d->surface));   // only the second unlock releases it
  EXPECT_EQ(UnlockSurfaceData(data, nullptr), 0);
  EXPECT_FALSE(plat::SurfaceIsLocked(d->surface));
  EXPECT_EQ(UnlockSurfaceData(data, nullptr), -1);
  RectI outside{0, 0, 9, 8};
  EXPECT_EQ(LockSurfaceData(data, &pitch, &p, 0, &outside, nullptr), -1);
}

TEST_F(GraphTest, TransferAndRestoreAfterLoss) {
  SetTransparentColor(0, 255, 0);
  int g = CreateBlankGraph(4, 2);
  PictureImage pic{};
  CreateColorData(&pic.colorData, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  uint32_t px[8] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0, 0, 0, 0x808080};
  pic.width = 4;
  pic.height = 2;
  pic.pitch = 16;
  pic.pixels = reinterpret_cast<uint8_t*>(px);
  ASSERT_EQ(SetGraphRestoreSource(&pic, nullptr, "a.png", 0, 0, g, 0), 0);
  GraphRecord* r = GetGraphRecord(g);
  EXPECT_STREQ(r->fileName, "a.png");
  const int data = static_cast<int>(GetSurface2D(static_cast<int>(r->parts[0]))->surfaceData);
  SurfaceDataRecord* d = GetSurfaceDataRecord(data);
  uint32_t lo = 0, hi = 0;
  ASSERT_TRUE(plat::SurfaceGetColorKey(d->surface, &lo, &hi));
  EXPECT_EQ(lo, 0x07E0u);
  int32_t pitch;
  uint8_t* p;
  ASSERT_EQ(LockSurfaceData(data, &pitch, &p, 0, nullptr, nullptr), 0);
  uint16_t row0[4];
  std::memcpy(row0, p, 8);
  UnlockSurfaceData(data, nullptr);
  EXPECT_EQ(row0[0], 0xF800);
  EXPECT_EQ(row0[1], 0x07E0);
  EXPECT_EQ(row0[3], 0xFFFF);

  EXPECT_EQ(RestoreAllSurface2D(), 0);
  plat::SurfaceDeviceLoseAll(dev);
  EXPECT_EQ(LockSurfaceData(data, &pitch, &p, 0, nullptr, nullptr), -1);
  EXPECT_NE(RestoreAllSurface2D(), 0);
  ASSERT_EQ(LockSurfaceData(data, &pitch, &p, 0, nullptr, nullptr), 0);
  std::memcpy(row0, p, 8);
  UnlockSurfaceData(data, nullptr);
  EXPECT_EQ(row0[0], 0);   // restored empty; the owner refills it
  EXPECT_TRUE(plat::SurfaceGetColorKey(d->surface, &lo, &hi));
}

TEST_F(GraphTest, BlendGraphSizeCheck) {
  int small = CreateBlankGraph(4, 4), big = CreateBlankGraph(16, 16);
  EXPECT_EQ(IsBlendGraphTooSmall(GetGraphRecord(small)), -1);   // no blend graph set
  ASSERT_EQ(SetBlendGraphState(small, 0, 0), 0);
  EXPECT_EQ(IsBlendGraphTooSmall(GetGraphRecord(big)), -1);
  EXPECT_EQ(IsBlendGraphTooSmall(GetGraphRecord(small)), 0);
  SetBlendGraphState(-1, 0, 0);
}

}  // namespace

namespace {

TEST_F(GraphTest, MovieFrameCopiedOrConverted) {
  SetCreateGraphAlphaFlag(0);
  int g = CreateBlankGraph(2, 1);
  GraphRecord* r = GetGraphRecord(g);
  const int data = static_cast<int>(GetSurface2D(static_cast<int>(r->parts[0]))->surfaceData);
  PictureImage f{};
  CreateColorData(&f.colorData, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  uint32_t px[2] = {0x00FF0000, 0x000000FF};
  f.width = 2;
  f.height = 1;
  f.pitch = 8;
  f.pixels = reinterpret_cast<uint8_t*>(px);
  ASSERT_EQ(TransferMovieFrameToSurface2D(&f, 0, 0, r), 0);   // 32-bit frame into a 16-bit surface
  int32_t pitch;
  uint8_t* p;
  ASSERT_EQ(LockSurfaceData(data, &pitch, &p, 0, nullptr, nullptr), 0);
  uint16_t v[2];
  std::memcpy(v, p, 4);
  UnlockSurfaceData(data, nullptr);
  EXPECT_EQ(v[0], 0xF800);
  EXPECT_EQ(v[1], 0x001F);
  CreateColorData(&f.colorData, 16, 0xF800, 0x07E0, 0x001F, 0);
  uint16_t same[2] = {0x1234, 0x5678};
  f.pitch = 4;
  f.pixels = reinterpret_cast<uint8_t*>(same);
  ASSERT_EQ(TransferMovieFrameToSurface2D(&f, 0, 0, r), 0);
  ASSERT_EQ(LockSurfaceData(data, &pitch, &p, 0, nullptr, nullptr), 0);
  std::memcpy(v, p, 4);
  UnlockSurfaceData(data, nullptr);
  EXPECT_EQ(v[1], 0x5678);
}

}  // namespace
