#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/graphics/device3d/device3d_fixture.h"
#include "engine/graphics/graph/surface_data.h"

namespace {

using plat::Device3DCall;

class Device3DTest : public ::testing::Test {
 protected:
  Device3DScreen screen;
  void TearDown() override { screen.Stop(); }

  size_t Count(uint32_t op) const { return screen.script.Count(op); }
  std::vector<const Device3DCall*> Calls(uint32_t op) const {
    std::vector<const Device3DCall*> v;
    for (const Device3DCall& c : screen.script.calls) {
      if (c.op == op) v.push_back(&c);
    }
    return v;
  }
  bool SentRender(uint32_t state, uint32_t* value = nullptr) const {
    bool found = false;
    for (const Device3DCall& c : screen.script.calls) {
      if (c.op == plat::CALL_SETRENDERSTATE && c.a == state) {
        found = true;
        if (value) *value = c.b;
      }
    }
    return found;
  }
  size_t StateCalls() const {
    return Count(plat::CALL_SETRENDERSTATE) + Count(plat::CALL_SETSTAGESTATE) + Count(plat::CALL_SETTEXTURE);
  }
  int FirstTile(int graph) { return static_cast<int>(GetGraphRecord(graph)->parts[0]); }
  void DrawTile(int tile, int x, int y, int w, int h) {
    DrawTileByCorners3D(tile, x, y, x + w, y, x, y + h, x + w, y + h);
  }
};

TEST(TextureSizes, PartExamples) {
  g_ScreenState.width = 640;
  g_TextureLimits.minSize = 1;
  g_TextureLimits.maxSize = 1024;
  g_TextureLimits.noSplit = 0;
  auto sizes = [](int size) {
    int s[66];
    int n = ChooseTextureSizes(size, s, 0);
    return std::vector<int>(s, s + n);
  };
  EXPECT_EQ(sizes(1000), (std::vector<int>{1024}));
  EXPECT_EQ(sizes(2000), (std::vector<int>{1024, 1024}));
  EXPECT_EQ(sizes(1300), (std::vector<int>{1024, 256, 32}));
  EXPECT_EQ(sizes(640), (std::vector<int>{512, 128}));
  EXPECT_EQ(sizes(480), (std::vector<int>{512}));
  EXPECT_EQ(sizes(1), (std::vector<int>{1}));
  g_TextureLimits.noSplit = 1;
  g_TextureLimits.minSize = 32;
  g_TextureLimits.maxSize = 256;
  EXPECT_EQ(sizes(1000), (std::vector<int>{256, 256, 256, 256}));
  EXPECT_EQ(sizes(480), (std::vector<int>{256, 128, 64, 32}));
  EXPECT_EQ(sizes(300), (std::vector<int>{256, 64}));
  EXPECT_EQ(sizes(1), (std::vector<int>{32}));
  // A screen wider than the device's largest texture never makes tiles beyond it.
  g_TextureLimits.noSplit = 0;
  g_TextureLimits.maxSize = 512;
  g_ScreenState.width = 800;
  for (int v : sizes(3000)) EXPECT_LE(v, 512);
  g_ScreenState.width = 0;
  std::memset(&g_TextureLimits, 0, sizeof(g_TextureLimits));
}

TEST_F(Device3DTest, SetUpFillsFormatsLimitsAndRefusesASecondTime) {
  ASSERT_EQ(screen.Start(16), 0);
  EXPECT_EQ(Direct3DInUse(), 1);
  EXPECT_EQ(Direct3DDeviceExists(), 1);
  EXPECT_EQ(g_Direct3D.ready, 1);
  EXPECT_EQ(g_TextureLimits.minSize, 1);
  EXPECT_EQ(g_TextureLimits.maxSize, 4096);
  EXPECT_EQ(GetTextureFormatColorData(0)->redMask, 0xF800u);      // the screen's own 16-bit layout
  EXPECT_EQ(GetTextureFormatColorData(1)->bitDepth, 32);
  EXPECT_EQ(GetTextureFormatColorData(2)->alphaMask, 0xF000u);
  EXPECT_EQ(GetTextureFormatColorData(3)->alphaMask, 0xFF000000u);
  EXPECT_EQ(GetTextureFormatColorData(4)->alphaMask, 0x8000u);
  EXPECT_EQ(GetTextureFormatColorData(8)->alphaMask, 0xFF000000u);
  EXPECT_EQ(GetZBufferPixelFormat()->rgbBitCount, 16u);
  EXPECT_EQ(g_Direct3D.captureMethod[0], -1);
  EXPECT_EQ(g_Direct3D.drawColor, 0xFFFFFFFFu);   // white, opaque: the draw state's defaults
  EXPECT_EQ(InitializeDirect3D(), -1);
  // The device was made on the primary surface with the basic states.
  auto create = Calls(plat::CALL_CREATEDEVICE);
  ASSERT_EQ(create.size(), 1u);
  EXPECT_EQ(create[0]->pointer, screen.primary);
  uint32_t v = 0;
  EXPECT_TRUE(SentRender(plat::RS_CULLMODE, &v));
  EXPECT_EQ(v, plat::CULL_NONE);
  EXPECT_TRUE(SentRender(plat::RS_LIGHTING, &v));
  EXPECT_EQ(v, 0u);
}

TEST_F(Device3DTest, SetUpFailuresLeaveDirect3DDown) {
  struct Fault { bool device, z, create, formats; };
  const Fault faults[] = {{false, true, false, true}, {true, false, false, true}, {true, true, true, true},
                          {true, true, false, false}};
  for (const Fault& f : faults) {
    screen.Prepare();
    screen.script.reportDevice = f.device;
    screen.script.reportZFormat = f.z;
    screen.script.failCreateDevice = f.create;
    screen.script.reportTextureFormats = f.formats;
    EXPECT_EQ(InitializeDirect3D(), -1);
    EXPECT_EQ(Direct3DInUse(), 0);
    EXPECT_EQ(Direct3DDeviceExists(), 0);
    EXPECT_EQ(Count(plat::CALL_RELEASEOBJECT), 1u);
    EXPECT_EQ(Count(plat::CALL_CREATEDEVICE), Count(plat::CALL_RELEASEDEVICE) + (f.create ? 1u : 0u));
    // A graph asked for as texture becomes a 2-D graph.
    EXPECT_EQ(GetGraphRecord(CreateGraph(16, 16, 1, 0, 0))->create.texture, 0);
    screen.Stop();
    screen.script = plat::Render3DScript();
  }
  // A device that cannot render at the screen depth is not taken.
  screen.Prepare(16);
  screen.script.desc.renderDepths = plat::RENDER_DEPTH_32;
  EXPECT_EQ(InitializeDirect3D(), -1);
}

TEST_F(Device3DTest, ScreenSizedGraphBecomesTwoTiles) {
  ASSERT_EQ(screen.Start(), 0);
  screen.script.desc.maxTextureWidth = 1024;
  g_TextureLimits.maxSize = 1024;
  int g = CreateGraph(640, 480, 1, 0, 0);
  ASSERT_GT(g, 0);
  GraphRecord* r = GetGraphRecord(g);
  ASSERT_EQ(r->create.texture, 1);
  ASSERT_EQ(r->partCount, 2);
  Surface3DRecord* a = GetSurface3DData(static_cast<int>(r->parts[0]));
  Surface3DRecord* b = GetSurface3DData(static_cast<int>(r->parts[1]));
  SurfaceDataRecord* sa = GetSurfaceDataRecord(static_cast<int>(a->surfaceData));
  SurfaceDataRecord* sb = GetSurfaceDataRecord(static_cast<int>(b->surfaceData));
  EXPECT_EQ(sa->width, 512);
  EXPECT_EQ(sa->height, 512);
  EXPECT_EQ(sb->width, 128);
  EXPECT_EQ(sb->height, 512);
  EXPECT_EQ(b->drawX, 512);
  EXPECT_EQ(a->height, 480);
  EXPECT_EQ(b->width, 128);
  EXPECT_FLOAT_EQ(a->vertices[3].v, 480.0f / 512.0f);
  EXPECT_FLOAT_EQ(b->vertices[1].x, 640.0f);
  // Diagonal flags: the top-left corner's side of the bottom-left to top-right line is 1.
  EXPECT_EQ(a->diagonal[0], 1);
  EXPECT_EQ(b->diagonal[3], 0);
  // A derived graph over the seam shares both textures and outlives its source.
  GraphRecord* dr = nullptr;
  int d = AllocGraphHandle(100, 50, 1, 0, 0, &dr);
  ASSERT_EQ(DeriveGraphTextures(dr, 500, 10, 100, 50, r), 0);
  ASSERT_EQ(dr->partCount, 2);
  Surface3DRecord* d0 = GetSurface3DData(static_cast<int>(dr->parts[0]));
  Surface3DRecord* d1 = GetSurface3DData(static_cast<int>(dr->parts[1]));
  EXPECT_EQ(d0->surfaceData, a->surfaceData);
  EXPECT_EQ(d0->textureX, 500);
  EXPECT_EQ(d0->width, 12);
  EXPECT_EQ(d1->drawX, 12);
  EXPECT_EQ(d1->textureX, 0);
  EXPECT_EQ(d1->textureY, 10);
  const uint32_t data = d1->surfaceData;
  DeleteGraphHandle(g, 0);
  EXPECT_NE(GetSurfaceDataRecord(static_cast<int>(data)), nullptr);
  DeleteGraphHandle(d, 0);
  EXPECT_EQ(GetSurfaceDataRecord(static_cast<int>(data)), nullptr);
  EXPECT_EQ(GetSurface3DCount(), 0);
}

TEST_F(Device3DTest, TileSizesFollowTheDeviceMinimum) {
  ASSERT_EQ(screen.Start(), 0);
  int g = CreateGraph(1, 1, 1, 0, 0);
  SurfaceDataRecord* sd =
      GetSurfaceDataRecord(static_cast<int>(GetSurface3DData(FirstTile(g))->surfaceData));
  EXPECT_EQ(sd->width, 1);
  screen.Stop();
  screen.script = plat::Render3DScript();
  screen.Prepare();
  screen.script.desc.minTextureWidth = 0;
  ASSERT_EQ(InitializeDirect3D(), 0);
  g = CreateGraph(1, 1, 1, 0, 0);
  sd = GetSurfaceDataRecord(static_cast<int>(GetSurface3DData(FirstTile(g))->surfaceData));
  EXPECT_EQ(sd->width, 32);
}

TEST_F(Device3DTest, SquareOnlySplitBeyondSixtyFourTilesIsRefused) {
  screen.Prepare();
  screen.script.desc.triTextureCaps = plat::TEXCAPS_SQUAREONLY;
  screen.script.desc.maxTextureWidth = screen.script.desc.maxTextureHeight = 64;
  ASSERT_EQ(InitializeDirect3D(), 0);
  int g = CreateGraph(640, 16, 1, 0, 0);   // ten 64 x 16 tiles, each four squares
  ASSERT_GT(g, 0);
  GraphRecord* r = GetGraphRecord(g);
  EXPECT_EQ(r->partCount, 40);
  for (int i = 0; i < r->partCount; ++i) {
    SurfaceDataRecord* sd = GetSurfaceDataRecord(static_cast<int>(GetSurface3DData(static_cast<int>(r->parts[i]))->surfaceData));
    ASSERT_EQ(sd->width, sd->height);
  }
  EXPECT_EQ(GetSurface3DData(static_cast<int>(r->parts[10]))->drawX, 16);
  const int tiles = GetSurface3DCount();
  EXPECT_EQ(CreateGraph(1280, 16, 1, 0, 0), -1);   // 80 squares
  EXPECT_EQ(GetSurface3DCount(), tiles);
  EXPECT_EQ(CreateGraph(64 * 9, 64 * 8, 1, 0, 0), -1);   // 9 x 8 tiles before any split
}

TEST_F(Device3DTest, TileTableAreaEndAndCheckNumbers) {
  ASSERT_EQ(screen.Start(), 0);
  int a = CreateGraph(8, 8, 1, 0, 0), b = CreateGraph(8, 8, 1, 0, 0), c = CreateGraph(8, 8, 1, 0, 0);
  const int end = GetSurface3DAreaEnd();
  int32_t notice = 0;
  GetSurface3DData(FirstTile(c))->deletionNotice = &notice;
  const int stale = FirstTile(b);
  DeleteGraphHandle(b, 0);
  EXPECT_EQ(GetSurface3DAreaEnd(), end);
  EXPECT_EQ(GetSurface3DData(stale), nullptr);
  EXPECT_EQ(DeleteSurface3DData(stale), -1);
  DeleteGraphHandle(c, 0);
  EXPECT_EQ(notice, 1);
  EXPECT_EQ(GetSurface3DAreaEnd(), end - 2);
  DeleteGraphHandle(a, 0);
  EXPECT_EQ(GetSurface3DAreaEnd(), 0);
  EXPECT_EQ(GetSurface3DDataChecked(0x08000000), nullptr);   // a graph handle is no tile
}

TEST_F(Device3DTest, OneDrawCallPerBatch) {
  ASSERT_EQ(screen.Start(), 0);
  int g = CreateGraph(16, 16, 1, 0, 0);
  const int tile = FirstTile(g);
  ApplyDrawStates(tile, APPLY_TRANSPARENCY);
  screen.script.calls.clear();
  for (int i = 0; i < 50; ++i) {
    ApplyDrawStates(tile, APPLY_TRANSPARENCY);
    DrawTile(tile, i, i, 16, 16);
  }
  EXPECT_EQ(StateCalls(), 0u);   // nothing unchanged is sent
  EXPECT_EQ(Count(plat::CALL_DRAW), 0u);
  FlushCurrentVertexBuffer();
  auto draws = Calls(plat::CALL_DRAW);
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0]->a, plat::PRIM_TRIANGLELIST);
  EXPECT_EQ(draws[0]->b, plat::FVF_TEXTURED);
  EXPECT_EQ(draws[0]->c, 300u);
  // A changed state in between splits the batch, flushing before it is sent.
  screen.script.calls.clear();
  DrawTile(tile, 0, 0, 16, 16);
  SetBlendModeState(BLEND_ALPHA, 128);
  ApplyDrawStates(tile, APPLY_TRANSPARENCY);
  DrawTile(tile, 0, 0, 16, 16);
  EndSceneCurrent();
  auto& calls = screen.script.calls;
  ASSERT_EQ(Count(plat::CALL_DRAW), 2u);
  EXPECT_EQ(calls[0].op, plat::CALL_DRAW);   // the first batch went before any state
  EXPECT_EQ(calls.back().op, plat::CALL_ENDSCENE);
  // A full buffer is drawn and a new batch begun.
  screen.script.calls.clear();
  for (int i = 0; i < 400; ++i) DrawTile(tile, 0, 0, 16, 16);
  FlushCurrentVertexBuffer();
  draws = Calls(plat::CALL_DRAW);
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0]->c, 2340u);
  EXPECT_EQ(draws[1]->c, 60u);
}

TEST_F(Device3DTest, BatchDrawsPixelsThroughTheRasteriser) {
  ASSERT_EQ(screen.Start(), 0);
  int g = CreateGraph(4, 4, 1, 0, 0);
  std::vector<uint32_t> pixels(16);
  for (int i = 0; i < 16; ++i) pixels[i] = 0xFF000000u | (static_cast<uint32_t>(i) * 0x0F0A05u);
  PictureImage img{};
  CreateColorData(&img.colorData, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  img.width = img.height = 4;
  img.pitch = 16;
  img.pixels = reinterpret_cast<uint8_t*>(pixels.data());
  RectI all{0, 0, 4, 4};
  ASSERT_EQ(TransferImageRectToGraphTextures(&img, nullptr, &all, 0, 0, GetGraphRecord(g)), 0);
  const int tile = FirstTile(g);
  BeginSceneIfNeeded();
  ApplyDrawStates(tile, APPLY_TRANSPARENCY);
  DrawTile(tile, 10, 20, 4, 4);   // corners on pixel edges: each texel on one pixel
  EndSceneCurrent();
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(screen.Pixel(10 + x, 20 + y) & 0xFFFFFF, pixels[y * 4 + x] & 0xFFFFFF);
  }
  // The transparent colour (black) is keyed out by the colour key.
  EXPECT_EQ(screen.Pixel(10, 20), 0u);
  SetDrawBrightRgb(128, 128, 128);
  BeginSceneIfNeeded();
  ApplyDrawStates(tile, APPLY_TRANSPARENCY);
  DrawTile(tile, 30, 20, 4, 4);
  EndSceneCurrent();
  const uint32_t p = pixels[5];
  const uint32_t r = (((p >> 16) & 0xFF) * 128 + 127) / 255;
  EXPECT_EQ((screen.Pixel(31, 21) >> 16) & 0xFF, r);
}

TEST_F(Device3DTest, BlendProgramsPerMode) {
  ASSERT_EQ(screen.Start(), 0);
  g_DrawState.createAlphaTest = 0;
  int plain = CreateGraph(8, 8, 1, 0, 0);
  SetCreateGraphAlphaFlag(1);
  int alpha = CreateGraph(8, 8, 1, 1, 0);
  SetCreateGraphAlphaFlag(0);
  g_DrawState.createAlphaTest = 1;
  int tested = CreateGraph(8, 8, 1, 0, 0);
  g_DrawState.createAlphaTest = 0;
  Device3DRecord* d = CurrentDevice3D();
  struct Want { int mode; uint32_t src, dest, blend; };
  const Want wants[] = {{BLEND_ALPHA, plat::BLEND_SRCALPHA, plat::BLEND_INVSRCALPHA, 1},
                        {BLEND_ADD, plat::BLEND_SRCALPHA, plat::BLEND_ONE, 1},
                        {BLEND_SUB, plat::BLEND_INVDESTCOLOR, plat::BLEND_ZERO, 1},
                        {BLEND_MUL, plat::BLEND_ZERO, plat::BLEND_SRCCOLOR, 1},
                        {BLEND_DEST, plat::BLEND_ZERO, plat::BLEND_ONE, 1}};
  for (const Want& w : wants) {
    SetBlendModeState(w.mode, 200);
    ApplyDrawStates(FirstTile(plain), APPLY_TRANSPARENCY);
    EXPECT_EQ(d->srcBlend, w.src) << w.mode;
    EXPECT_EQ(d->destBlend, w.dest) << w.mode;
    EXPECT_EQ(d->alphaBlendEnable, w.blend) << w.mode;
    EXPECT_EQ(d->stageValues[0][0], plat::TA_DIFFUSE) << w.mode;   // the blend parameter is the alpha
    EXPECT_EQ(d->stageValues[0][2], plat::TOP_SELECTARG1) << w.mode;
  }
  // Mode 6 switches blending off and leaves the factors.
  screen.script.calls.clear();
  SetBlendModeState(BLEND_INTERNAL6, 255);
  ApplyDrawStates(FirstTile(plain), APPLY_TRANSPARENCY);
  EXPECT_EQ(d->alphaBlendEnable, 0u);
  EXPECT_FALSE(SentRender(plat::RS_SRCBLEND));
  EXPECT_FALSE(SentRender(plat::RS_DESTBLEND));
  // An alpha-channel graph in mode 0 still blends by its alpha.
  SetBlendModeState(BLEND_NONE, 255);
  ApplyDrawStates(FirstTile(alpha), APPLY_TRANSPARENCY);
  EXPECT_EQ(d->alphaBlendEnable, 1u);
  EXPECT_EQ(d->srcBlend, static_cast<uint32_t>(plat::BLEND_SRCALPHA));
  EXPECT_EQ(d->destBlend, static_cast<uint32_t>(plat::BLEND_INVSRCALPHA));
  EXPECT_EQ(d->colorKeyEnable, 0);
  // Alpha test, and bilinear filtering trading it for blending unless kept.
  ApplyDrawStates(FirstTile(tested), APPLY_TRANSPARENCY);
  EXPECT_EQ(d->alphaTestEnable, 1u);
  EXPECT_EQ(d->alphaRef, 0x80u);
  EXPECT_EQ(d->alphaFunc, static_cast<uint32_t>(plat::CMP_GREATER));
  SetDrawModeState(1);
  ApplyDrawStates(FirstTile(tested), APPLY_TRANSPARENCY);
  EXPECT_EQ(d->alphaTestEnable, 0u);
  EXPECT_EQ(d->alphaBlendEnable, 1u);
  ApplyDrawStates(FirstTile(tested), APPLY_TRANSPARENCY | APPLY_KEEP_ALPHA_TEST);
  EXPECT_EQ(d->alphaTestEnable, 1u);
  SetDrawModeState(0);
  // A plain graph drawn with transparency is colour keyed; untextured subtract takes the extra record.
  ApplyDrawStates(FirstTile(plain), APPLY_TRANSPARENCY);
  EXPECT_EQ(d->colorKeyEnable, 1);
  SetBlendModeState(BLEND_SUB, 255);
  ApplyDrawStates(-1, 0);
  EXPECT_EQ(d->vertexType, VERTEX_TYPE_COLOR);
  EXPECT_EQ(d->stageValues[0][5], plat::TOP_SELECTARG1);
  EXPECT_EQ(d->stageValues[0][3], plat::TA_DIFFUSE);
  EXPECT_EQ(d->stageTexture[0], nullptr);
}

TEST_F(Device3DTest, BlendGraphPrograms) {
  ASSERT_EQ(screen.Start(), 0);
  g_DrawState.createAlphaTest = 0;
  int blend = CreateGraph(8, 8, 1, 0, 0);
  g_DrawState.createAlphaTest = 1;
  int tested = CreateGraph(8, 8, 1, 0, 0);
  g_DrawState.createAlphaTest = 0;
  int plain = CreateGraph(8, 8, 1, 0, 0);
  Device3DRecord* d = CurrentDevice3D();
  ASSERT_EQ(SetBlendGraphState(blend, 100, 0), 0);
  ApplyDrawStates(FirstTile(plain), APPLY_TRANSPARENCY);
  EXPECT_EQ(d->vertexType, VERTEX_TYPE_BLENDED);
  EXPECT_EQ(d->stageTexture[0], GetSurface3DTexture(GetSurface3DData(FirstTile(blend))));
  EXPECT_EQ(d->stageTexture[1], GetSurface3DTexture(GetSurface3DData(FirstTile(plain))));
  EXPECT_EQ(d->alphaTestEnable, 1u);
  EXPECT_EQ(d->alphaRef, 100u);
  EXPECT_EQ(d->alphaFunc, static_cast<uint32_t>(plat::CMP_GREATEREQUAL));
  EXPECT_EQ(d->textureFactor, 0x00FFFFFFu);
  // An alpha-test graph's texture goes on the stage its record samples: stage 2.
  ApplyDrawStates(FirstTile(tested), APPLY_TRANSPARENCY);
  EXPECT_EQ(d->stageTexture[2], GetSurface3DTexture(GetSurface3DData(FirstTile(tested))));
  EXPECT_EQ(d->stageValues[2][0], plat::TA_TEXTURE);
  // A soft border: gain steps by range, add or subtract on stage 0.
  SetBlendGraphState(blend, 0, 64);
  ApplyDrawStates(FirstTile(plain), APPLY_TRANSPARENCY);
  EXPECT_EQ(d->alphaBlendEnable, 1u);
  EXPECT_EQ(d->alphaTestEnable, 0u);
  EXPECT_EQ(d->textureFactor, 0x40FFFFFFu);   // ((0 + 0x100) x 0x40) / 256
  EXPECT_EQ(d->stageValues[0][2], plat::TOP_ADD);
  EXPECT_EQ(d->stageValues[1][2], plat::TOP_MODULATE4X);
  SetBlendGraphState(blend, 200, 200);
  ApplyDrawStates(FirstTile(plain), APPLY_TRANSPARENCY);
  // g 0x200: n = -(200 x 512 / 255) = -401, x = 111 < 0x100, a = 111 x 255 / 256 = 110.
  EXPECT_EQ(d->textureFactor, static_cast<uint32_t>(255 - 110) << 24 | 0xFFFFFFu);
  EXPECT_EQ(d->stageValues[0][2], plat::TOP_SUBTRACT);
  // A border of 255 draws nothing: the batch is dropped.
  SetBlendGraphState(blend, 255, 0);
  ApplyDrawStates(FirstTile(plain), APPLY_TRANSPARENCY);
  EXPECT_EQ(d->nothingToDraw, 1);
  screen.script.calls.clear();
  BeginSceneIfNeeded();
  DrawTile(FirstTile(plain), 0, 0, 8, 8);
  FlushCurrentVertexBuffer();
  EXPECT_EQ(Count(plat::CALL_DRAW), 0u);
  SetBlendGraphState(-1, 0, 0);
  ApplyDrawStates(FirstTile(plain), APPLY_TRANSPARENCY);
  EXPECT_EQ(d->vertexType, VERTEX_TYPE_TEXTURED);
  EXPECT_EQ(d->nothingToDraw, 0);
}

TEST_F(Device3DTest, CachedSettersSendOnlyChanges) {
  ASSERT_EQ(screen.Start(), 0);
  screen.script.calls.clear();
  EXPECT_EQ(SetZFuncCached(0, plat::CMP_LESSEQUAL), 0);
  EXPECT_EQ(SetZEnableCached(0, 1), 0);
  EXPECT_EQ(Count(plat::CALL_SETRENDERSTATE), 0u);
  EXPECT_EQ(SetZEnableCached(0, 2), 0);   // any value but 1 is sent as off
  uint32_t v = 7;
  EXPECT_TRUE(SentRender(plat::RS_ZENABLE, &v));
  EXPECT_EQ(v, 0u);
  EXPECT_EQ(SetTextureStageCached(0, 2), -1);
  EXPECT_EQ(SetTextureStageCached(0, 1), 0);
  EXPECT_EQ(Count(plat::CALL_SETSTAGESTATE), 2u * static_cast<size_t>(CurrentDevice3D()->programmedStages));
  EXPECT_EQ(SetZFuncCached(3, 1), -1);
  screen.script.failShadeMode = true;
  EXPECT_EQ(SetShadeModeCached(0, plat::SHADE_GOURAUD), -1);
  EXPECT_EQ(CurrentDevice3D()->shadeMode, plat::SHADE_FLAT);
}

TEST_F(Device3DTest, ViewportAndDevicesLimits) {
  ASSERT_EQ(screen.Start(), 0);
  screen.script.calls.clear();
  RectI zero{10, 10, 10, 50};
  EXPECT_EQ(SetViewportFromRect(&zero), -1);
  EXPECT_EQ(Count(plat::CALL_SETVIEWPORT), 0u);
  g_DrawState.drawScreenRect = RectI{5, 7, 645, 487};
  RectI r{0, 0, 100, 50};
  EXPECT_EQ(SetViewportFromRect(&r), 0);
  auto vps = Calls(plat::CALL_SETVIEWPORT);
  ASSERT_EQ(vps.size(), 1u);
  EXPECT_EQ(vps[0]->viewport.x, 5u);
  EXPECT_EQ(vps[0]->viewport.y, 7u);
  EXPECT_EQ(vps[0]->viewport.width, 100u);
  g_DrawState.drawScreenRect = RectI{0, 0, 640, 480};
  // A refused viewport is logged, returns -1 and the cache keeps the old one.
  screen.script.failViewport = true;
  RectI other{0, 0, 64, 64};
  EXPECT_EQ(SetViewportFromRect(&other), -1);
  EXPECT_EQ(CurrentDevice3D()->viewport.width, 100u);
  screen.script.failViewport = false;
  for (int i = 1; i < DEVICE3D_COUNT; ++i) EXPECT_EQ(AddDevice3D(screen.primary), i);
  EXPECT_EQ(AddDevice3D(screen.primary), -1);
}

TEST_F(Device3DTest, ReleaseAndRestoreRemakeDeviceAndTextures) {
  ASSERT_EQ(screen.Start(), 0);
  int g = CreateGraph(8, 8, 1, 0, 0);
  FillGraphWithColor(g, 255, 0, 0, 255);
  SurfaceDataRecord* sd = GetSurfaceDataRecord(static_cast<int>(GetSurface3DData(FirstTile(g))->surfaceData));
  ASSERT_NE(sd->surface, nullptr);
  EXPECT_EQ(ReleaseDirect3D(), 0);
  EXPECT_EQ(sd->surface, nullptr);
  EXPECT_EQ(Direct3DInUse(), 0);
  EXPECT_EQ(RestoreDirect3D(), 0);
  EXPECT_NE(sd->surface, nullptr);
  EXPECT_EQ(Count(plat::CALL_CREATEDEVICE), 2u);
  // The re-made device draws.
  screen.script.calls.clear();
  BeginSceneIfNeeded();
  ApplyDrawStates(FirstTile(g), 0);
  DrawTile(FirstTile(g), 0, 0, 8, 8);
  EndSceneCurrent();
  EXPECT_EQ(Count(plat::CALL_DRAW), 1u);
  TerminateDirect3D();
  EXPECT_EQ(GetSurface3DCount(), 0);
  EXPECT_EQ(Direct3DInUse(), 0);
  EXPECT_EQ(Count(plat::CALL_RELEASEOBJECT), 1u);
  TerminateDirect3D();
  EXPECT_EQ(Count(plat::CALL_RELEASEOBJECT), 1u);
}

TEST_F(Device3DTest, FreeQuadGoesThroughTheVertexGrid) {
  ASSERT_EQ(screen.Start(), 0);
  int g = CreateGraph(8, 8, 1, 0, 0);
  BeginSceneIfNeeded();
  ApplyDrawStates(FirstTile(g), 0);
  screen.script.calls.clear();
  EXPECT_EQ(DrawTileByCorners3D(FirstTile(g), 10, 10, 50, 12, 8, 60, 70, 70), 0);
  auto grid = Calls(plat::CALL_DRAWINDEXED);
  ASSERT_EQ(grid.size(), 1u);
  EXPECT_EQ(grid[0]->a, plat::PRIM_TRIANGLESTRIP);
  EXPECT_EQ(grid[0]->indices.size(), 7u * 16u + 6u * 2u);
  EXPECT_EQ(DrawVertexGrid3D(nullptr, 1, 8), -1);
}

}  // namespace
