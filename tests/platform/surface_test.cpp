#include <gtest/gtest.h>

#include <cstring>

#include "platform/surface.h"

namespace {

using namespace plat;

const PixelFormat kRgb565{32, PIXFMT_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0};
const PixelFormat kXrgb{32, PIXFMT_RGB, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0};
const PixelFormat kZ16{32, PIXFMT_ZBUFFER, 0, 16, 0xFFFF, 0, 0, 0};

struct Device {
  SurfaceDevice* dev = SurfaceDeviceCreate(kRgb565);
  ~Device() { SurfaceDeviceDestroy(dev); }
  Surface* Make(int w, int h, uint32_t caps = SURFCAPS_OFFSCREENPLAIN, const PixelFormat* f = nullptr) {
    SurfaceDesc d{};
    d.caps = caps;
    d.width = w;
    d.height = h;
    if (f) {
      d.hasFormat = true;
      d.format = *f;
    }
    Surface* s = nullptr;
    EXPECT_EQ(SurfaceCreate(dev, d, &s), SURF_OK);
    return s;
  }
};

uint16_t At16(Surface* s, int x, int y) {
  uint8_t* p;
  int32_t pitch;
  EXPECT_EQ(SurfaceLock(s, nullptr, SURFLOCK_WAIT, &p, &pitch), SURF_OK);
  uint16_t v;
  std::memcpy(&v, p + y * pitch + x * 2, 2);
  SurfaceUnlock(s);
  return v;
}

TEST(Surface, LockOnceFillAndCaps) {
  Device d;
  Surface* s = d.Make(10, 4);
  EXPECT_TRUE(SurfaceCaps(s) & SURFCAPS_VIDEOMEMORY);
  EXPECT_EQ(SurfaceFormat(s).bitCount, 16u);
  SurfRect r{2, 1, 5, 3};
  ASSERT_EQ(SurfaceColorFill(s, &r, 0x1234), SURF_OK);
  EXPECT_EQ(SurfaceDepthFill(s, nullptr, 0), SURF_ERR_INVALID);
  uint8_t *p, *q;
  int32_t pitch;
  ASSERT_EQ(SurfaceLock(s, &r, SURFLOCK_WAIT, &p, &pitch), SURF_OK);
  EXPECT_EQ(SurfaceLock(s, nullptr, SURFLOCK_WAIT, &q, &pitch), SURF_ERR_BUSY);
  uint16_t v;
  std::memcpy(&v, p, 2);
  EXPECT_EQ(v, 0x1234);
  EXPECT_EQ(SurfaceColorFill(s, nullptr, 0), SURF_ERR_BUSY);
  EXPECT_EQ(SurfaceUnlock(s), SURF_OK);
  EXPECT_EQ(SurfaceUnlock(s), SURF_ERR_NOTLOCKED);
  EXPECT_EQ(At16(s, 1, 1), 0);
  SurfRect bad{0, 0, 11, 4};
  EXPECT_EQ(SurfaceLock(s, &bad, 0, &p, &pitch), SURF_ERR_INVALID);
  Surface* sys = d.Make(4, 4, SURFCAPS_OFFSCREENPLAIN | SURFCAPS_SYSTEMMEMORY, &kXrgb);
  EXPECT_FALSE(SurfaceCaps(sys) & SURFCAPS_VIDEOMEMORY);
  SurfaceRelease(sys);
  Surface* z = d.Make(4, 4, SURFCAPS_ZBUFFER, &kZ16);
  EXPECT_EQ(SurfaceDepthFill(z, nullptr, 0xFFFF), SURF_OK);
  EXPECT_EQ(SurfaceAttachZ(s, z), SURF_OK);
  EXPECT_EQ(SurfaceAttachedZ(s), z);
  SurfaceRelease(z);
  EXPECT_EQ(SurfaceAttachedZ(s), nullptr);
  SurfaceRelease(s);
}

TEST(Surface, BlitsWithAndWithoutKeyAndStretched) {
  Device d;
  Surface* src = d.Make(2, 1);
  Surface* dst = d.Make(4, 2);
  SurfRect left{0, 0, 1, 1}, right{1, 0, 2, 1};
  SurfaceColorFill(src, &left, 0x07E0);
  SurfaceColorFill(src, &right, 0xF800);
  SurfaceColorFill(dst, nullptr, 0x001F);
  SurfaceSetColorKey(src, 0x07E0, 0x07E0);
  ASSERT_EQ(SurfaceBltFast(dst, 1, 0, src, nullptr, SURFBLT_KEYSRC), SURF_OK);
  EXPECT_EQ(At16(dst, 1, 0), 0x001F);
  EXPECT_EQ(At16(dst, 2, 0), 0xF800);
  ASSERT_EQ(SurfaceBltFast(dst, 0, 1, src, nullptr, 0), SURF_OK);
  EXPECT_EQ(At16(dst, 0, 1), 0x07E0);
  SurfRect whole{0, 0, 4, 2};
  ASSERT_EQ(SurfaceBlt(dst, &whole, src, nullptr, 0), SURF_OK);   // 2x1 stretched to 4x2
  EXPECT_EQ(At16(dst, 1, 1), 0x07E0);
  EXPECT_EQ(At16(dst, 2, 1), 0xF800);
  EXPECT_EQ(At16(dst, 3, 0), 0xF800);
  // Within one surface the copy reads the pixels as they were: row 0 moved right onto itself.
  SurfRect row0{0, 0, 3, 1};
  ASSERT_EQ(SurfaceBltFast(dst, 1, 0, dst, &row0, 0), SURF_OK);
  EXPECT_EQ(At16(dst, 1, 0), 0x07E0);
  EXPECT_EQ(At16(dst, 2, 0), 0x07E0);
  EXPECT_EQ(At16(dst, 3, 0), 0xF800);
  EXPECT_EQ(SurfaceBltFast(dst, 3, 0, src, nullptr, 0), SURF_ERR_INVALID);   // past the edge
  Surface* other = d.Make(2, 1, SURFCAPS_OFFSCREENPLAIN, &kXrgb);
  EXPECT_EQ(SurfaceBltFast(dst, 0, 0, other, nullptr, 0), SURF_ERR_INVALID);   // formats differ
  SurfaceRelease(other);
  SurfaceRelease(src);
  SurfaceRelease(dst);
}

TEST(Surface, LossAndRestore) {
  Device d;
  Surface* s = d.Make(4, 4);
  SurfaceColorFill(s, nullptr, 0xFFFF);
  SurfaceDeviceLoseAll(d.dev);
  EXPECT_TRUE(SurfaceIsLost(s));
  uint8_t* p;
  int32_t pitch;
  EXPECT_EQ(SurfaceLock(s, nullptr, 0, &p, &pitch), SURF_ERR_LOST);
  EXPECT_EQ(SurfaceColorFill(s, nullptr, 0), SURF_ERR_LOST);
  EXPECT_EQ(SurfaceRestore(s), SURF_OK);
  EXPECT_FALSE(SurfaceIsLost(s));
  EXPECT_EQ(At16(s, 3, 3), 0);
  SurfaceRelease(s);
}

TEST(Surface, VideoBudgetRefusesAndReleaseReturnsIt) {
  Device d;
  SurfaceDeviceSetVideoMemoryLimit(d.dev, 64);
  Surface* a = d.Make(8, 4);   // 64 bytes
  SurfaceDesc desc{};
  desc.caps = SURFCAPS_OFFSCREENPLAIN;
  desc.width = 1;
  desc.height = 1;
  Surface* b = nullptr;
  EXPECT_EQ(SurfaceCreate(d.dev, desc, &b), SURF_ERR_NOMEMORY);
  desc.caps |= SURFCAPS_SYSTEMMEMORY;
  EXPECT_EQ(SurfaceCreate(d.dev, desc, &b), SURF_OK);
  SurfaceRelease(b);
  SurfaceRelease(a);
  desc.caps = SURFCAPS_OFFSCREENPLAIN;
  EXPECT_EQ(SurfaceCreate(d.dev, desc, &b), SURF_OK);
  SurfaceRelease(b);
  desc.width = 0;
  EXPECT_EQ(SurfaceCreate(d.dev, desc, &b), SURF_ERR_INVALID);
}

}  // namespace
