// A decoded picture turned into a graph on the screen: the first byte picks a texture graph or a
// graph of 2-D surfaces, a mirrored load and an alpha companion (the second half of the input);
// the rest goes through the loader chain from memory. Every graph made is drawn (plainly, rotated,
// stretched, as a region), captured into, and deleted; tracked memory must come back.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/base/memory.h"
#include "engine/graphics/draw/draw_dispatch.h"
#include "engine/graphics/graph/graph_from_image.h"
#include "engine/graphics/operations.h"
#include "platform/window.h"
#include "tests/engine/graphics/screen/screen_fixture.h"

namespace {

int MakeGraph(const uint8_t* data, size_t size, int texture, int mirror, bool withAlpha) {
  BaseImage image, alpha;
  std::memset(&image, 0, sizeof image);
  std::memset(&alpha, 0, sizeof alpha);
  const size_t half = withAlpha ? size / 2 : size;
  if (LoadImageToBaseImage(nullptr, data, static_cast<int>(half), 1, 0, mirror, &image, nullptr, nullptr) != 0) {
    return -1;
  }
  const bool alphaLoaded =
      withAlpha && LoadImageToBaseImage(nullptr, data + half, static_cast<int>(size - half), 1, 0, 0, &alpha, nullptr,
                                        nullptr) == 0;
  const int graph = CreateGraphFromBaseImages(&image, alphaLoaded ? &alpha : nullptr, texture, mirror, 1);
  FreeBaseImage(&image);
  FreeBaseImage(&alpha);
  return graph;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  plat::WindowSelectBackend(plat::WindowBackend::Headless);
  g_ImageMaxPixelBytes = int64_t{4} << 20;   // keeps each run short
  ScreenSetup setup;
  setup.bits = 32;
  setup.direct3D = 1;
  if (StartScreenForTest(setup) != 0) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > (1u << 21)) return 0;
  int64_t before = 0;
  GetAllocationTotals(&before, nullptr);
  const int texture = data[0] & 1, mirror = (data[0] >> 1) & 1;
  const bool withAlpha = (data[0] >> 2) & 1;
  const int graph = MakeGraph(data + 1, size - 1, texture, mirror, withAlpha);
  if (graph > 0) {
    int w = 0, h = 0;
    GetGraphDimensions(graph, &w, &h);
    SetDrawTarget(DRAW_SCREEN_BACK);
    SetBlendModeState((data[0] >> 3) & 3, 128);
    DrawGraphAtPoint(-w / 3, 7, graph, 1);
    DrawGraphRotated(100.0f, 80.0f, 1.5, 0.7, graph, 1, (data[0] >> 5) & 1);
    DrawGraphStretched(300, 200, 10, 20, graph, 0);
    const int region = DeriveGraphRegion(w / 4, h / 4, w / 2 + 1, h / 2 + 1, graph);
    if (region > 0) {
      DrawGraphAtPoint(50, 60, region, 1);
      DeleteGraphHandle(region, 0);
    }
    GetDrawScreenGraph(0, 0, w < 640 ? w : 640, h < 480 ? h : 480, graph, 0);
    SetBlendModeState(0, 255);
    DeleteGraphHandle(graph, 0);
  }
  int64_t after = 0;
  GetAllocationTotals(&after, nullptr);
  if (after != before) std::abort();   // a graph's pictures went with it
  return 0;
}
