#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "engine/base/file_access.h"
#include "engine/base/temp_folder.h"
#include "engine/graphics/graph/graph_load.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/operations.h"
#include "engine/graphics/screen/screen_fixture.h"
#include "tools/common/picture_writer.h"

namespace {

std::map<std::string, int> g_Opens;

FileHandle CountingOpen(const char* name, int threadFlag) {
  FileHandle h = PlainFileOpen(name, threadFlag);
  if (h) ++g_Opens[name];
  return h;
}

const FileAccessTable kCountingTable = {CountingOpen,   PlainFileClose, PlainFileTell,       PlainFileSeek,
                                        PlainFileRead,  PlainFileEof,   PlainFileIdle,       PlainSetCurrentDir,
                                        PlainGetCurrentDir};

// An RGB picture whose pixel (x, y) is (8x, 8y, 0x80), so that 16-bit pixels are exact.
Bytes Sheet(int w, int h) {
  Bytes rows;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) rows.insert(rows.end(), {static_cast<uint8_t>(x * 8), static_cast<uint8_t>(y * 8), 0x80});
  return WritePng(PngSpec{w, h, 8, 2, false, {}, {}, rows});
}

uint16_t Expected565(int x, int y) {
  return static_cast<uint16_t>((((x * 8) & 0xF8) << 8) | (((y * 8) & 0xFC) << 3) | (0x80 >> 3));
}

// A 16-bit full screen with a display object and no 3-D device: graphs are 2-D surfaces.
class GraphLoadTest : public ::testing::Test {
 protected:
  plat::SurfaceDevice* dev = nullptr;
  TempFolder folder;
  void SetUp() override {
    ASSERT_EQ(StartScreenForTest(ScreenSetup{}), 0);
    dev = g_ScreenState.device;
    ASSERT_EQ(GraphicsManagerIsUp(), 1);   // the screen's first mode change starts it
    SetGraphRestoreCallback(nullptr);
    SetFileAccessTable(&kCountingTable);
    g_Opens.clear();
  }
  void TearDown() override {
    TerminateGraphicsManager();
    SetFileAccessTable(nullptr);
    StopScreenForTest();
  }

  static uint16_t Pixel(int graph, int x, int y) { return GraphPixel16ForTest(graph, x, y); }
};

TEST_F(GraphLoadTest, LoadsWithAndWithoutCompanionAlpha) {
  folder.Write("pic.png", Sheet(4, 2));
  const int plain = LoadGraphFileCall("pic.png");
  ASSERT_GT(plain, 0);
  EXPECT_EQ(GetGraphRecord(plain)->create.alphaChannel, 0);
  EXPECT_STREQ(GetGraphRecord(plain)->fileName, "pic.png");
  EXPECT_EQ(Pixel(plain, 3, 1), Expected565(3, 1));
  EXPECT_EQ(g_Opens["pic_a.png"], 0);   // looked for, not found

  folder.Write("pic_a.png", WritePng(PngSpec{4, 2, 8, 0, false, {}, {}, Bytes(8, 200)}));
  const int withAlpha = LoadGraphFileCall("pic.png");
  ASSERT_GT(withAlpha, 0);
  EXPECT_EQ(GetGraphRecord(withAlpha)->create.alphaChannel, 1);
  EXPECT_EQ(g_Opens["pic_a.png"], 1);

  folder.Write("small_a.png", WritePng(PngSpec{1, 1, 8, 0, false, {}, {}, Bytes(1, 0)}));
  folder.Write("small.png", Sheet(2, 2));
  EXPECT_EQ(LoadGraphFileCall("small.png"), -1);   // alpha of another size: no graph
}

TEST_F(GraphLoadTest, MissingOrUnreadableFilesFail) {
  EXPECT_EQ(LoadGraphFileCall("nothing.png"), -1);
  folder.Write("notes.txt", std::string("plain text, neither picture nor movie"));
  EXPECT_EQ(LoadGraphFileCall("notes.txt"), -1);
  EXPECT_EQ(GetGraphCount(), 0);
}

TEST_F(GraphLoadTest, CompanionNameUsesOnlyTheFileName) {
  char out[64];
  ASSERT_EQ(MakeAlphaCompanionName("a.png", out, sizeof(out)), 0);
  EXPECT_STREQ(out, "a_a.png");
  MakeAlphaCompanionName("dat.v1\\pic", out, sizeof(out));
  EXPECT_STREQ(out, "dat.v1\\pic_a");
  MakeAlphaCompanionName("dir.x/b.c.png", out, sizeof(out));
  EXPECT_STREQ(out, "dir.x/b.c_a.png");
  // The second byte of a double-byte character may be "\": it starts no new path part.
  MakeAlphaCompanionName("x.y\\\x95\x5C", out, sizeof(out));
  EXPECT_STREQ(out, "x.y\\\x95\x5C_a");
  EXPECT_EQ(MakeAlphaCompanionName("long.png", out, 8), -1);
}

TEST_F(GraphLoadTest, RegionsOfOneSheetReloadWithOneRead) {
  folder.Write("sheet.png", Sheet(40, 4));
  folder.Write("other.png", Sheet(2, 2));
  const int sheet = LoadGraphFileCall("sheet.png");
  ASSERT_GT(sheet, 0);
  int regions[10];
  for (int i = 0; i < 10; ++i) {
    regions[i] = DeriveGraphRegion(i * 4, 0, 4, 4, sheet);
    ASSERT_GT(regions[i], 0);
  }
  EXPECT_EQ(GetGraphRecord(regions[7])->sourceX, 28);
  EXPECT_EQ(Pixel(regions[7], 1, 2), Expected565(29, 2));

  plat::SurfaceDeviceLoseAll(dev);
  RestoreAllLostGraphs();
  EXPECT_EQ(Pixel(regions[7], 1, 2), 0);   // back, but empty
  g_Opens.clear();
  RestoreGraphsAfterLoss();
  EXPECT_EQ(g_Opens["sheet.png"], 1);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(Pixel(regions[i], 3, 3), Expected565(i * 4 + 3, 3)) << i;
  EXPECT_EQ(GetGraphRecord(regions[3])->needsRestore, 0);

  // A graph of another file between them makes the sheet be read again.
  const int other = LoadGraphFileCall("other.png");
  ASSERT_GT(other, 0);
  ASSERT_GT(DeriveGraphRegion(0, 0, 4, 4, sheet), 0);
  g_Opens.clear();
  RestoreGraphsAfterLoss();
  EXPECT_EQ(g_Opens["sheet.png"], 2);
  EXPECT_EQ(g_Opens["other.png"], 1);
}

TEST_F(GraphLoadTest, GraphLostThroughSurfacesIsRestoredFromItsFile) {
  folder.Write("pic.png", Sheet(6, 5));
  const int g = LoadGraphFileCall("pic.png");
  ASSERT_GT(g, 0);
  plat::SurfaceDeviceLoseAll(dev);
  EXPECT_EQ(Pixel(g, 5, 4), 0xDEAD);   // lost: locks refused
  RestoreAllLostGraphs();
  RestoreGraphsAfterLoss();
  EXPECT_EQ(Pixel(g, 5, 4), Expected565(5, 4));
  EXPECT_EQ(Pixel(g, 0, 0), Expected565(0, 0));

  // A file gone by then leaves the graph as it is; the reload goes on.
  std::filesystem::remove(folder.Path() + "/pic.png");
  plat::SurfaceDeviceLoseAll(dev);
  RestoreAllLostGraphs();
  RestoreGraphsAfterLoss();
  EXPECT_EQ(Pixel(g, 5, 4), 0);
  EXPECT_EQ(GetGraphRecord(g)->needsRestore, 0);
}

// The full-screen display taken away and given back: the screen is built again around the same
// graphs, which come back from their files; with the menu showing the display object is kept.
TEST_F(GraphLoadTest, RebuildAfterReactivationRemakesTheScreenAndReloadsGraphs) {
  folder.Write("pic.png", Sheet(6, 5));
  const int g = LoadGraphFileCall("pic.png");
  ASSERT_GT(g, 0);
  SetDrawTarget(DRAW_SCREEN_BACK);
  plat::SurfaceDeviceLoseAll(dev);
  const uint64_t frames = plat::PresenterFrameCount();
  EXPECT_EQ(RebuildDisplayAfterReactivation(), 0);
  const ScreenState& st = g_ScreenState;
  ASSERT_NE(st.device, nullptr);
  ASSERT_NE(st.primary, nullptr);
  ASSERT_NE(st.back, nullptr);
  EXPECT_FALSE(plat::SurfaceIsLost(st.back));
  EXPECT_EQ(st.targetSurface, st.back);
  EXPECT_EQ(st.clipperMade, 1);
  EXPECT_EQ(plat::PresenterFrameCount(), frames + 1);   // cleared and presented once
  EXPECT_EQ(Pixel(g, 5, 4), Expected565(5, 4));
  EXPECT_EQ(GetGraphRecord(g)->needsRestore, 0);

  g_ScreenState.menuPresentMode = 1;
  plat::SurfaceDevice* kept = st.device;
  EXPECT_EQ(RebuildDisplayAfterReactivation(), 0);
  EXPECT_EQ(st.device, kept);
  EXPECT_EQ(Pixel(g, 0, 0), Expected565(0, 0));
  dev = st.device;
}

TEST_F(GraphLoadTest, RegionsRefuseWhatLiesOutsideTheSource) {
  const int src = CreateBlankGraph(64, 32);
  ASSERT_GT(src, 0);
  int w = 0, h = 0;
  const int cut = DeriveGraphRegion(10, 0, 100, 8, src);
  ASSERT_GT(cut, 0);
  GetGraphDimensions(cut, &w, &h);
  EXPECT_EQ(w, 54);
  EXPECT_EQ(h, 8);
  EXPECT_EQ(DeriveGraphRegion(64, 0, 4, 4, src), -1);
  EXPECT_EQ(DeriveGraphRegion(-1, 0, 4, 4, src), -1);
  EXPECT_EQ(DeriveGraphRegion(0, 32, 4, 4, src), -1);
  EXPECT_EQ(DeriveGraphRegion(0, -5, 4, 4, src), -1);
  EXPECT_EQ(DeriveGraphRegion(0, 0, 0, 4, src), -1);
  EXPECT_EQ(DeriveGraphRegion(0, 0, 4, -1, src), -1);
  EXPECT_EQ(DeriveGraphRegion(0, 0, 4, 4, src + 1), -1);
  const int inner = DeriveGraphRegion(5, 2, 10, 4, cut);
  ASSERT_GT(inner, 0);
  EXPECT_EQ(GetGraphRecord(inner)->sourceX, 15);
  EXPECT_EQ(GetGraphRecord(inner)->sourceY, 2);
}

TEST_F(GraphLoadTest, ManagerStartsOnceAndEndDeletesGraphs) {
  const int g = CreateBlankGraph(4, 4);
  ASSERT_GT(g, 0);
  EXPECT_EQ(InitializeGraphicsManager(), 0);   // already up: the graph survives
  EXPECT_NE(GetGraphRecord(g), nullptr);
  EXPECT_EQ(g_DrawState.useMask, 1);
  EXPECT_EQ(g_DrawState.zCompare, 4);
  TerminateGraphicsManager();
  EXPECT_EQ(GraphicsManagerIsUp(), 0);
  EXPECT_EQ(GetGraphCount(), 0);
  EXPECT_EQ(InitializeGraphicsManager(), 0);
  EXPECT_EQ(GraphicsManagerIsUp(), 1);
}

TEST_F(GraphLoadTest, MaskHandlesDeletedWithTheirData) {
  const int a = CreateMaskHandle(8, 8), b = CreateMaskHandle(4, 4);
  ASSERT_GE(a, 0);
  EXPECT_EQ(static_cast<uint32_t>(a) & 0x78000000u, 0x40000000u);
  EXPECT_EQ(DeleteMaskHandle(a), 0);
  EXPECT_EQ(DeleteMaskHandle(a), -1);
  EXPECT_EQ(DeleteMaskHandle(0x08000000), -1);
  DeleteAllMaskHandles();
  EXPECT_EQ(DeleteMaskHandle(b), -1);
}

TEST_F(GraphLoadTest, PictureTransparentColourOnlyForTheCall) {
  BaseImage img{};
  ASSERT_EQ(AllocBaseImagePixels(2, 2, &img), 0);
  FillBaseImage(&img, 0x10, 0x20, 0x30, 0);
  SetTransparentColor(1, 2, 3);
  g_TransparentColorFromPicture = 1;
  const int g = CreateGraphFromBaseImages(&img, nullptr, 1, 0, 0);
  g_TransparentColorFromPicture = 0;
  EXPECT_GT(g, 0);
  EXPECT_EQ(g_DrawState.transparentColor, 0x010203u);
  FreeBaseImage(&img);
}

}  // namespace
