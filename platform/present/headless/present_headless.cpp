// Headless presenter: keeps the last frame (pixels as given) for tests.
#include <cstring>
#include <vector>

#include "platform/present/present_backend.h"

namespace plat {
namespace {

std::vector<uint8_t> g_pixels;
PresentedFrame g_last{};
bool g_has = false;
bool g_keepPixels = false;
bool g_alwaysKeep = false;
uint64_t g_count = 0;

int HeadlessShow(const PresentImage&, int32_t, int32_t, int32_t, int32_t) {
  g_keepPixels = true;
  return 0;
}

void HeadlessRelease() {}

}  // namespace

const PresenterOps kHeadlessPresenterOps = {HeadlessShow, HeadlessRelease};

void PresenterCountFrame(const PresentImage& image, int32_t x, int32_t y, int32_t outWidth, int32_t outHeight) {
  ++g_count;
  g_has = true;
  int32_t rowBytes = image.width * static_cast<int32_t>(image.format.bitCount / 8);
  g_last = PresentedFrame{nullptr, rowBytes, image.width, image.height, image.format, x, y, outWidth, outHeight};
  if (!g_keepPixels && !g_alwaysKeep) {
    g_pixels.clear();
    return;
  }
  g_keepPixels = false;
  g_pixels.resize(static_cast<size_t>(rowBytes) * image.height);
  for (int32_t row = 0; row < image.height; ++row) {
    std::memcpy(g_pixels.data() + static_cast<size_t>(row) * rowBytes,
                image.pixels + static_cast<int64_t>(row) * image.pitch, static_cast<size_t>(rowBytes));
  }
  g_last.pixels = g_pixels.data();
}

bool PresenterLastFrame(PresentedFrame* out) {
  if (!g_has) return false;
  *out = g_last;
  return true;
}

uint64_t PresenterFrameCount() { return g_count; }

void PresenterKeepPixels(bool keep) { g_alwaysKeep = keep; }

void PresenterReset() {
  g_has = false;
  g_count = 0;
  g_pixels.clear();
}

}  // namespace plat
