// The on-screen log on the 32-bit software screen with a display object and the fake glyph
// source: nothing in the program shows it, so the tests fill lines and show it themselves, then
// present and look for the white text in each line's row.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/base/base_state.h"
#include "engine/base/log.h"
#include "engine/base/screen_log.h"
#include "engine/graphics/font/font.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/image/mem_img.h"
#include "engine/graphics/screen/screen.h"
#include "engine/graphics/screen/screen_fixture.h"
#include "platform/glyphs.h"

namespace {

class ScreenLog : public ::testing::Test {
protected:
  void Start(int height) {
    ScreenSetup s;
    s.software = 1;
    s.bits = 32;
    s.height = height;
    ASSERT_EQ(StartScreenForTest(s), 0);
    SetMainClientForTest(RectI{0, 0, 640, height});
  }
  void SetUp() override {
    g_LogOffFlag = 1;
    g_base = BaseState{};
    g_ScreenLog = ScreenLogState{{}, 0, 0, 16, 4, -1, 1};
    plat::GlyphSetBackend(plat::GlyphBackend::Fake);
  }
  void TearDown() override {
    DeleteScreenLogFontIfMade();
    g_ScreenLog = ScreenLogState{{}, 0, 0, 16, 4, -1, 1};
    DeleteDefaultFont();
    ResetDefaultFontSettings();
    plat::GlyphSetBackend(plat::GlyphBackend::FreeType);
    StopScreenForTest();
    g_LogOffFlag = 0;
  }
  // White pixels of the back screen in rows [top, bottom).
  static int WhiteIn(int top, int bottom) {
    const MemImg* img = GetDrawTargetMemImg();
    int n = 0;
    for (int y = top; y < bottom && y < img->height; ++y)
      for (int x = 0; x < img->width; ++x) {
        uint32_t v;
        std::memcpy(&v, img->pixels + y * img->pitch + x * 4, 4);
        n += (v & 0xFFFFFF) == 0xFFFFFF;
      }
    return n;
  }
  static void Put(int line, const char* text) { std::strcpy(g_ScreenLog.lines[line], text); }
};

TEST_F(ScreenLog, NeedsTheDisplayObjectAndTheMainWindow) {
  NoScreenForTest();
  g_base.win.mainWindow = 1;
  EXPECT_EQ(ScreenLogInitialize(), -1);
  Start(480);
  g_base.win.mainWindow = 0;
  EXPECT_EQ(ScreenLogInitialize(), -1);
  EXPECT_EQ(g_ScreenLog.setUp, 0);
  EXPECT_EQ(g_ScreenLog.font, -1);
}

TEST_F(ScreenLog, SetUpOnceHiddenWithItsOwnFont) {
  Start(480);
  ASSERT_EQ(ScreenLogInitialize(), 0);
  const int font = g_ScreenLog.font;
  ASSERT_TRUE(IsFontHandleValid(font));
  EXPECT_EQ(GetFontSizeToHandle(font), 16);
  EXPECT_EQ(GetFontRecord(font)->thickness, 4);
  EXPECT_EQ(IsScreenLogEnabled(), 0);
  Put(0, "AB");
  EXPECT_EQ(ScreenLogInitialize(), 0);   // a later call keeps the text and the font
  EXPECT_EQ(g_ScreenLog.font, font);
  EXPECT_STREQ(g_ScreenLog.lines[0], "AB");
  DeleteScreenLogFontIfMade();
  EXPECT_FALSE(IsFontHandleValid(font));
  EXPECT_EQ(g_ScreenLog.font, -1);
}

// A 40-line screen holds two 16-pixel lines: the third, though it would partly fit, is not drawn.
TEST_F(ScreenLog, PresentDrawsEachLineAtItsRowWhileShown) {
  Start(40);
  ASSERT_EQ(ScreenLogInitialize(), 0);
  Put(0, "AB");
  Put(1, "CD");
  Put(2, "EF");
  ClearDrawTarget();
  ASSERT_EQ(PresentScreen(), 0);
  EXPECT_EQ(WhiteIn(0, 40), 0);   // hidden

  g_ScreenLog.shown = 1;
  SetDrawAreaViewport(10, 10, 20, 20);
  SetBlendModeState(BLEND_ALPHA, 77);
  SetDrawBrightRgb(10, 20, 30);
  ASSERT_EQ(PresentScreen(), 0);
  EXPECT_GT(WhiteIn(0, 16), 0);
  EXPECT_GT(WhiteIn(16, 32), 0);
  EXPECT_EQ(WhiteIn(32, 40), 0);
  // The caller's drawing settings come back after the overlay.
  EXPECT_EQ(g_DrawState.drawArea.left, 10);
  EXPECT_EQ(g_DrawState.drawArea.bottom, 20);
  EXPECT_EQ(g_DrawState.blendMode, BLEND_ALPHA);
  EXPECT_EQ(g_DrawState.blendParam, 77);
  EXPECT_EQ(g_DrawState.drawBright, 0x0A141Eu);
}

// A font deleted behind the log's back (the font system's restart) is made again at the next draw,
// and re-creating every font keeps the handle without filling another slot.
TEST_F(ScreenLog, LostFontIsMadeAgainOnDemand) {
  Start(480);
  ASSERT_EQ(ScreenLogInitialize(), 0);
  Put(3, "AB");
  DeleteFontHandle(g_ScreenLog.font);
  EXPECT_EQ(g_ScreenLog.fontLost, 1);
  ASSERT_EQ(DrawScreenLog(), 0);
  ASSERT_TRUE(IsFontHandleValid(g_ScreenLog.font));
  EXPECT_EQ(g_ScreenLog.fontLost, 0);
  EXPECT_GT(WhiteIn(48, 64), 0);

  const int font = g_ScreenLog.font, count = GetFontCount();
  RecreateAllFonts();
  ASSERT_EQ(EnsureScreenLogFont(), 0);
  EXPECT_EQ(g_ScreenLog.font, font);
  EXPECT_EQ(GetFontCount(), count);
  EXPECT_EQ(g_ScreenLog.fontLost, 0);
  DeleteScreenLogFontIfMade();
  EXPECT_EQ(GetFontCount(), count - 1);
}

TEST_F(ScreenLog, ModeChangeKeepsTheLogDrawing) {
  Start(480);
  ASSERT_EQ(ScreenLogInitialize(), 0);
  Put(0, "AB");
  g_ScreenLog.shown = 1;
  ASSERT_EQ(ChangeScreenMode(640, 480, 32, 1, -1), 0);
  SetDrawTarget(DRAW_SCREEN_BACK);
  ClearDrawTarget();
  ASSERT_EQ(PresentScreen(), 0);
  EXPECT_GT(WhiteIn(0, 16), 0);
  EXPECT_TRUE(IsFontHandleValid(g_ScreenLog.font));
}

}  // namespace
