#include <cstdlib>
#include <cstring>

#include "platform/renderer.h"

namespace plat {

namespace {

bool g_Chosen = false;
RendererSetting g_Setting = RendererSetting::Full;

RendererSetting FromEnvironment() {
  const char* v = std::getenv("VLX_RENDERER");
  if (v == nullptr) return RendererSetting::Full;
  if (std::strcmp(v, "soft") == 0) return RendererSetting::NoDevice3D;
  if (std::strcmp(v, "nodisplay") == 0) return RendererSetting::NoDisplay;
  return RendererSetting::Full;
}

}  // namespace

RendererSetting GetRendererSetting() {
  if (!g_Chosen) {
    g_Setting = FromEnvironment();
    g_Chosen = true;
  }
  return g_Setting;
}

void SetRendererSetting(RendererSetting setting) {
  g_Setting = setting;
  g_Chosen = true;
}

void ResetRendererSetting() { g_Chosen = false; }

bool RendererOffersDisplay() { return GetRendererSetting() != RendererSetting::NoDisplay; }
bool RendererOffersDevice3D() { return GetRendererSetting() == RendererSetting::Full; }

}  // namespace plat
