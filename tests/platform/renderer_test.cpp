#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/device3d.h"
#include "platform/renderer.h"

namespace {

int CountDevices() {
  plat::PixelFormat pf{32, plat::PIXFMT_RGB, 0, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0};
  plat::SurfaceDevice* dev = plat::SurfaceDeviceCreate(pf);
  plat::Render3D* r = plat::Render3DCreateSoftware(dev);
  int n = 0;
  r->EnumDevices([](const plat::Device3DDesc&, void* c) { return ++*static_cast<int*>(c), true; }, &n);
  delete r;
  plat::SurfaceDeviceDestroy(dev);
  return n;
}

TEST(Renderer, EnvironmentChoosesWhatTheDisplayOffers) {
  const struct {
    const char* value;
    bool display, device;
  } cases[] = {{nullptr, true, true}, {"full", true, true}, {"soft", true, false}, {"nodisplay", false, false},
               {"other", true, true}};
  for (const auto& c : cases) {
    if (c.value) setenv("VLX_RENDERER", c.value, 1);
    else unsetenv("VLX_RENDERER");
    plat::ResetRendererSetting();
    EXPECT_EQ(plat::RendererOffersDisplay(), c.display) << (c.value ? c.value : "unset");
    EXPECT_EQ(plat::RendererOffersDevice3D(), c.device) << (c.value ? c.value : "unset");
    EXPECT_EQ(CountDevices(), c.device ? 1 : 0) << (c.value ? c.value : "unset");
  }
  unsetenv("VLX_RENDERER");
  plat::SetRendererSetting(plat::RendererSetting::NoDevice3D);   // a test's choice wins
  EXPECT_EQ(CountDevices(), 0);
  plat::ResetRendererSetting();
  EXPECT_EQ(CountDevices(), 1);
}

}  // namespace
