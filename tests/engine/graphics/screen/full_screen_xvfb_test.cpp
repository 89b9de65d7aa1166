// The engine started full screen in a real window on a desktop larger than the picture (the test
// script's virtual X server is 1600 x 1200): the whole frame is read back from the X server,
// scaled to fit with its aspect kept and centred between black bars; the mouse reads in the
// picture's pixels; a switch to window mode and back keeps both right. Skips without a display.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/base/base_state.h"
#include "engine/base/log.h"
#include "engine/base/test_folder.h"
#include "engine/engine.h"
#include "platform/present.h"
#include "platform/window.h"
#include "tools/common/picture_writer.h"

namespace {

// Colours compare within 2: the X server's renderer may round a channel at a scaled seam.
struct Rgb {
  int r, g, b;
  bool operator==(const Rgb& o) const { return std::abs(r - o.r) <= 2 && std::abs(g - o.g) <= 2 && std::abs(b - o.b) <= 2; }
};

// The window's pixels as the X server holds them.
struct WindowShot {
  int width = 0, height = 0;
  std::vector<Rgb> px;
  bool Take(SDL_Window* w) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(w, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    Display* d = info.info.x11.display;
    XSync(d, False);
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, info.info.x11.window, &a)) return false;
    XImage* img = XGetImage(d, info.info.x11.window, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (!img) return false;
    width = a.width;
    height = a.height;
    px.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        unsigned long p = XGetPixel(img, x, y);
        px[static_cast<size_t>(y) * width + x] = {static_cast<int>((p & img->red_mask) >> 16),
                                                  static_cast<int>((p & img->green_mask) >> 8),
                                                  static_cast<int>(p & img->blue_mask)};
      }
    XDestroyImage(img);
    return true;
  }
  // Saved as a test artefact, for a person to look at.
  void SavePng(const std::string& name) const {
    const char* dir = std::getenv("VLX_TEST_ARTIFACTS");
    const std::string where = std::filesystem::absolute(std::string(dir ? dir : ".") + "/" + name).string();
    std::vector<uint8_t> rows;
    rows.reserve(px.size() * 3);
    for (const Rgb& c : px) rows.insert(rows.end(), {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)});
    const std::vector<uint8_t> png = WritePng(PngSpec{width, height, 8, 2, false, {}, {}, rows});
    if (FILE* f = std::fopen(where.c_str(), "wb")) {
      std::fwrite(png.data(), 1, png.size(), f);
      std::fclose(f);
    }
  }
  Rgb At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return {-1, -1, -1};
    return px[static_cast<size_t>(y) * width + x];
  }
};

constexpr Rgb kQuadrant[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
constexpr Rgb kBlack{0, 0, 0};

class FullScreenXvfbPresent : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    const char* headless = std::getenv("VLX_HEADLESS");
    if (!std::getenv("DISPLAY") || (headless && headless[0] == '1')) GTEST_SKIP() << "no display";
    folder.Enter();
    plat::WindowSelectBackend(plat::WindowBackend::Sdl);
    plat::SingleCopyLockSetDirectory(folder.path.c_str());
    g_base = BaseState{};
    g_base.settings.windowMode = 0;
    g_LogOffFlag = 1;
    started = true;
  }
  void TearDown() override {
    if (!started) return;
    if (g_base.win.mainWindow) LibraryTerminateLocked();
    plat::SingleCopyLockSetDirectory(nullptr);
    plat::WindowSelectBackend(plat::WindowBackend::Auto);
    folder.Leave();
  }
  SDL_Window* Window() const { return static_cast<SDL_Window*>(plat::WindowNativeHandle(g_base.win.mainWindow)); }
  // Quadrants red, green, blue and white drawn on the back screen for a few frames, while the X
  // server catches up.
  void DrawAndPresent(int w, int h) {
    ASSERT_EQ(SetDrawTargetLocked(-2), 0);
    const uint32_t c[4] = {GetScreenColorLocked(255, 0, 0), GetScreenColorLocked(0, 255, 0),
                           GetScreenColorLocked(0, 0, 255), GetScreenColorLocked(255, 255, 255)};
    for (int i = 0; i < 4; ++i) {
      DrawBoxShapeLocked(0, 0, w / 2, h / 2, c[0], 1);
      DrawBoxShapeLocked(w / 2, 0, w, h / 2, c[1], 1);
      DrawBoxShapeLocked(0, h / 2, w / 2, h, c[2], 1);
      DrawBoxShapeLocked(w / 2, h / 2, w, h, c[3], 1);
      ProcessMessageLocked();
      ASSERT_EQ(PresentScreenLocked(), 0);
      SDL_Delay(40);
    }
  }
  // Every picture pixel near the corners and the seams lands where the fit puts it.
  void ExpectPicture(const WindowShot& shot, int ox, int oy, double scale, int w, int h) {
    auto at = [&](int px, int py) {
      return shot.At(ox + static_cast<int>((px + 0.5) * scale), oy + static_cast<int>((py + 0.5) * scale));
    };
    const int xs[] = {0, 1, w / 2 - 1, w / 2, w - 2, w - 1};
    const int ys[] = {0, 1, h / 2 - 1, h / 2, h - 2, h - 1};
    for (int py : ys)
      for (int px : xs) {
        const Rgb want = kQuadrant[(px >= w / 2 ? 1 : 0) + (py >= h / 2 ? 2 : 0)];
        const Rgb got = at(px, py);
        ASSERT_TRUE(got == want) << "picture pixel " << px << "," << py << " reads " << got.r << "," << got.g << ","
                                 << got.b;
      }
  }
  TestFolder folder;
  bool started = false;
};

TEST_P(FullScreenXvfbPresent, WholeFrameScaledAndCentredAndTheMouseInPicturePixels) {
  const int w = 640, h = GetParam();
  SetScreenModeKeepLocked(w, h, 32, -1);   // recorded for the start
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  int sw = 0, sh = 0;
  GetScreenSizeLocked(&sw, &sh);
  ASSERT_EQ(sw, w);
  ASSERT_EQ(sh, h);
  ASSERT_FALSE(plat::WindowIsHeadless());
  ASSERT_NE(Window(), nullptr);
  int deskW = 0, deskH = 0, bits = 0;
  plat::DesktopGetMetrics(&deskW, &deskH, &bits);
  ASSERT_GT(deskW, w);
  ASSERT_GT(deskH, h);
  // The fit: the smaller of the two ratios, the picture centred on the other axis.
  const double scale = std::min(static_cast<double>(deskW) / w, static_cast<double>(deskH) / h);
  const int pw = static_cast<int>(w * scale), ph = static_cast<int>(h * scale);
  const int ox = (deskW - pw) / 2, oy = (deskH - ph) / 2;

  DrawAndPresent(w, h);
  WindowShot shot;
  ASSERT_TRUE(shot.Take(Window()));
  EXPECT_EQ(shot.width, deskW);
  EXPECT_EQ(shot.height, deskH);
  shot.SavePng("full_screen_" + std::to_string(w) + "x" + std::to_string(h) + "_xvfb.png");
  ExpectPicture(shot, ox, oy, scale, w, h);
  if (oy > 0) {
    EXPECT_TRUE(shot.At(deskW / 2, oy / 2) == kBlack);
    EXPECT_TRUE(shot.At(deskW / 2, oy + ph + oy / 2) == kBlack);
  }
  if (ox > 0) {
    EXPECT_TRUE(shot.At(ox / 2, deskH / 2) == kBlack);
  }

  // The display's centre is the picture's centre; its corners are the picture's corners.
  struct Probe { int dx, dy, x, y; };
  const Probe probes[] = {{deskW / 2, deskH / 2, w / 2, h / 2}, {ox, oy, 0, 0}, {ox + pw - 1, oy + ph - 1, w - 1, h - 1}};
  for (const Probe& p : probes) {
    SDL_WarpMouseGlobal(p.dx, p.dy);
    SDL_Delay(20);
    int x = -1, y = -1;
    ASSERT_EQ(GetMousePositionLocked(&x, &y), 0);
    EXPECT_EQ(x, p.x) << "desktop " << p.dx << "," << p.dy;
    EXPECT_EQ(y, p.y) << "desktop " << p.dx << "," << p.dy;
  }

  // To a window at scale 2 and back: the window comes back at its scale, full screen at the fit.
  ASSERT_EQ(SetWindowScaleRateLocked(2.0), 0);
  ASSERT_EQ(ChangeWindowModeLocked(1), 0);
  DrawAndPresent(w, h);
  int cw = 0, ch = 0;
  SDL_GetWindowSize(Window(), &cw, &ch);
  EXPECT_EQ(cw, w * 2);
  EXPECT_EQ(ch, h * 2);
  ASSERT_TRUE(shot.Take(Window()));
  EXPECT_EQ(shot.width, w * 2);
  EXPECT_EQ(shot.height, h * 2);
  ExpectPicture(shot, 0, 0, 2.0, w, h);
  plat::WindowRect client{};
  ASSERT_TRUE(plat::WindowGetClientRect(g_base.win.mainWindow, &client));
  SDL_WarpMouseGlobal(client.left + 201, client.top + 101);
  SDL_Delay(20);
  int x = -1, y = -1;
  GetMousePositionLocked(&x, &y);
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 50);

  ASSERT_EQ(ChangeWindowModeLocked(0), 0);
  DrawAndPresent(w, h);
  ASSERT_TRUE(shot.Take(Window()));
  EXPECT_EQ(shot.width, deskW);
  EXPECT_EQ(shot.height, deskH);
  ExpectPicture(shot, ox, oy, scale, w, h);
}

// 480 rows: the game's own picture; 400 rows: black bars above and below.
INSTANTIATE_TEST_SUITE_P(PictureHeight, FullScreenXvfbPresent, ::testing::Values(480, 400));

}  // namespace
