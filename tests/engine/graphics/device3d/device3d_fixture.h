// A screen for 3-D device tests: a surface device, a primary surface with a Z surface, the screen
// state pointing at them, and Direct3D set up over the recording device (which draws through the
// software rasteriser, so pixels can be checked too).
#pragma once
#include <gtest/gtest.h>

#include <cstring>

#include "engine/graphics/device3d/device3d.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/graph/graph.h"
#include "engine/graphics/graph/texture_graph.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/screen/screen_fixture.h"
#include "platform/device3d_recording.h"

struct Device3DScreen {
  plat::SurfaceDevice* dev = nullptr;
  plat::Surface* primary = nullptr;
  plat::Surface* z = nullptr;
  plat::Render3D* soft = nullptr;
  plat::Render3DScript script;

  static Device3DScreen*& Current() {
    static Device3DScreen* s = nullptr;
    return s;
  }
  static plat::Render3D* Factory(plat::SurfaceDevice*) { return plat::Render3DCreateRecording(&Current()->script); }

  // Screen and device records only; Start() sets Direct3D up.
  void Prepare(int bits = 32, int width = 640, int height = 480) {
    ClearScreenForTest();
    PixelFormatRecord pf;
    if (bits == 16) CreatePixelFormatFromMasks(&pf, 16, 0xF800, 0x07E0, 0x001F, 0);
    else CreatePixelFormatFromMasks(&pf, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    dev = plat::SurfaceDeviceCreate(ToSurfacePixelFormat(&pf));
    plat::SurfaceDesc d{};
    d.caps = plat::SURFCAPS_PRIMARY | plat::SURFCAPS_3DDEVICE;
    d.width = width;
    d.height = height;
    plat::SurfaceCreate(dev, d, &primary);
    plat::SurfaceDesc zd{};
    zd.caps = plat::SURFCAPS_ZBUFFER;
    zd.width = width;
    zd.height = height;
    zd.hasFormat = true;
    zd.format = plat::PixelFormat{32, plat::PIXFMT_ZBUFFER, 0, 16, 0xFFFF, 0, 0, 0};
    plat::SurfaceCreate(dev, zd, &z);
    plat::SurfaceAttachZ(primary, z);
    g_ScreenState.device = dev;
    // One surface is both the front and the back screen.
    g_ScreenState.primary = primary;
    g_ScreenState.back = primary;
    g_ScreenState.targetSurface = primary;
    g_ScreenState.actualBitDepth = bits;
    g_ScreenState.requestedBitDepth = bits;
    g_ScreenState.width = width;
    g_ScreenState.height = height;
    ColorDataFromPixelFormat(&pf, &g_ScreenState.colorData);
    g_DrawState.notAvailable = 0;
    ResetDrawState();
    g_DrawState.drawScreen = DRAW_SCREEN_BACK;
    g_DrawState.useTexture = 1;
    ResetGraphTable();
    soft = plat::Render3DCreateSoftware(dev);
    script.inner = soft;
    Current() = this;
    SetRender3DFactory(&Factory);
  }

  int Start(int bits = 32, int width = 640, int height = 480) {
    Prepare(bits, width, height);
    int r = InitializeDirect3D();
    if (r == 0) SetDrawAreaViewport(0, 0, width, height);
    return r;
  }

  void Stop() {
    DeleteAllGraphHandles(0);
    TerminateDirect3D();
    SetRender3DFactory(nullptr);
    delete soft;
    soft = nullptr;
    if (primary) plat::SurfaceRelease(primary);
    if (z) plat::SurfaceRelease(z);
    primary = z = nullptr;
    plat::SurfaceDeviceDestroy(dev);
    dev = nullptr;
    ClearScreenForTest();
    g_TextureLimits.noSplit = 0;
  }

  uint32_t Pixel(int x, int y) {
    uint8_t* p;
    int32_t pitch;
    EXPECT_EQ(plat::SurfaceLock(primary, nullptr, plat::SURFLOCK_WAIT, &p, &pitch), plat::SURF_OK);
    uint32_t v = 0;
    const int bytes = static_cast<int>(plat::SurfaceFormat(primary).bitCount / 8);
    std::memcpy(&v, p + y * pitch + x * bytes, static_cast<size_t>(bytes));
    plat::SurfaceUnlock(primary);
    return v;
  }
};
