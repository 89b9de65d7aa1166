// Drawing a key-input field on the real 32-bit software screen (no display object) with the fake
// glyph source: the field, in the top-left of the back screen, is compared with the same text drawn
// straight through the text core, and its pixels are hashed.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/base/base_state.h"
#include "engine/base/log.h"
#include "engine/base/startup_window.h"
#include "engine/base/text_input.h"
#include "engine/graphics/font/font.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/image/mem_img.h"
#include "engine/graphics/screen/screen.h"
#include "engine/graphics/screen/screen_fixture.h"
#include "engine/softrender/geometry_test_util.h"
#include "platform/clock.h"
#include "platform/glyphs.h"

namespace {

constexpr int kW = 200, kH = 40, kX = 4, kY = 6, kSize = 16;

uint64_t Hash(const std::vector<uint32_t>& px) {
  uint64_t h = 1469598103934665603ull;
  for (uint32_t v : px)
    for (int i = 0; i < 4; ++i) h = (h ^ ((v >> (8 * i)) & 0xFF)) * 1099511628211ull;
  return h;
}

// A 32-bit image set up as the engine sets up its own, or a view of the top-left of another.
struct Image {
  MemImg img{};
  Image() { SetupMemImg(&img, kW, kH, kW * 4, 0, MEMIMG_FORMAT_RGB32, 0, 0, 0); }
  ~Image() { ReleaseMemImg(&img); }
  void ViewOf(const MemImg* target) {
    ReleaseMemImg(&img);
    img = MemImg{};
    img.pixels = target->pixels;
    SetupMemImg(&img, kW, kH, target->pitch, 0, MEMIMG_FORMAT_RGB32, 0, 0, 0);
  }
  uint32_t Get(int x, int y) const {
    uint32_t v;
    memcpy(&v, img.pixels + y * img.pitch + x * 4, 4);
    return v & 0xFFFFFF;
  }
  void Set(int x, int y, uint32_t v) { memcpy(img.pixels + y * img.pitch + x * 4, &v, 4); }
  void Fill(uint32_t v) {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) Set(x, y, v);
  }
  std::vector<uint32_t> Snapshot() const {
    std::vector<uint32_t> out;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) out.push_back(Get(x, y));
    return out;
  }
};

class KeyInputDraw : public ::testing::Test {
protected:
  Image screen;
  Image ref;
  int font = -1;

  void SetUp() override {
    g_LogOffFlag = 1;
    plat::VirtualClockEnable();
    g_base = BaseState{};
    ScreenSetup s;
    s.noDirectDraw = 1;
    s.bits = 32;
    ASSERT_EQ(StartScreenForTest(s), 0);
    MemImg* back = GetDrawTargetMemImg();
    ASSERT_EQ(back, &g_ScreenState.backImage);
    ASSERT_EQ(back->format, MEMIMG_FORMAT_RGB32);
    screen.ViewOf(back);
    ResetGeometryState(kW, kH);
    plat::GlyphSetBackend(plat::GlyphBackend::Fake);
    font = CreateFontToHandle("MS UI Gothic", kSize, 4, 0, -1, -1, 0, -1, -1);
    ASSERT_NE(font, -1);

    g_base.win.oemCharsetKind = 1;
    InitTextInputBuffers();
    // Distinct 32-bit colours, so that every part can be told apart.
    const uint32_t colours[KEY_INPUT_COLOR_COUNT] = {0xFFFFFF, 0xFFFF00, 0xFFFFFE, 0x00FFFF, 0xFFFFFD,
                                                     0xFF0000, 0xFFFF14, 0x000001, 0x000002};
    memcpy(g_TextInput.colors, colours, sizeof colours);
  }
  void TearDown() override {
    DeleteAllKeyInputHandles();
    DeleteFontHandle(font);
    DeleteDefaultFont();
    ResetDefaultFontSettings();
    plat::GlyphSetBackend(plat::GlyphBackend::FreeType);
    StopScreenForTest();
    if (plat::VirtualClockActive()) plat::VirtualClockDisable();
    g_LogOffFlag = 0;
  }
  int Advance(const char* text, int bytes = -1) {
    return DrawTextCore(0, 0, 0, 0, 1.0, 1.0, text, 0, nullptr, nullptr, 0, font, 0, bytes, 0, nullptr);
  }
  void RefText(int x, const char* text, uint32_t colour) {
    const RectI clip = {0, 0, kW, kH};
    DrawTextCore(1, x, kY, 0, 1.0, 1.0, text, colour, &ref.img, &clip, 1, font, 0, -1, 0, nullptr);
  }
  void RefBox(int x1, int y1, int x2, int y2, uint32_t colour) {
    for (int y = y1; y < y2; ++y)
      for (int x = x1; x < x2; ++x) ref.Set(x, y, colour);
  }
  void Clear() {
    screen.Fill(0);
    ref.Fill(0);
  }
  int Field(const char* text, int leftMoves) {
    int h = MakeKeyInput(32, 1, 0, 0);
    SetActiveKeyInput(h);
    for (const char* p = text; *p; ++p) KeyCharPush(static_cast<uint8_t>(*p));
    for (int i = 0; i < leftMoves; ++i) KeyCharPush(KEYCODE_LEFT);
    ProcessKeyInput();
    return h;
  }
};

TEST_F(KeyInputDraw, TextAndABlinkingCursorAtTheCursorPosition) {
  int h = Field("ab亜", 1);
  const int pen = kX + Advance("ab");
  ASSERT_GT(pen, kX);

  Clear();
  ASSERT_EQ(DrawKeyInputString(kX, kY, h, font), 0);
  RefText(kX, "ab", 0xFFFFFF);
  RefText(pen, "亜", 0xFFFFFF);
  RefBox(pen, kY, pen + 2, kY + kSize, 0xFFFF00);
  EXPECT_EQ(screen.Snapshot(), ref.Snapshot());
  EXPECT_EQ(screen.Get(pen, kY), 0xFFFF00u);
  int lit = 0;
  for (uint32_t v : screen.Snapshot()) lit += v == 0xFFFFFFu;
  EXPECT_GT(lit, 20);
  const uint64_t withCursor = Hash(screen.Snapshot());

  // A blink period after the last input the cursor is off, then on again.
  plat::VirtualClockAdvance(600 * 1000);
  Clear();
  DrawKeyInputString(kX, kY, h, font);
  EXPECT_EQ(g_TextInput.cursorShown, 0);
  EXPECT_NE(screen.Get(pen, kY), 0xFFFF00u);
  plat::VirtualClockAdvance(500 * 1000);
  Clear();
  DrawKeyInputString(kX, kY, h, font);
  EXPECT_EQ(Hash(screen.Snapshot()), withCursor);

  // A field that is not active, or has finished, shows its text only.
  SetActiveKeyInput(-1);
  Clear();
  DrawKeyInputString(kX, kY, h, font);
  RefText(kX, "ab亜", 0xFFFFFF);
  EXPECT_EQ(screen.Snapshot(), ref.Snapshot());
  EXPECT_EQ(DrawKeyInputString(kX, kY, h + 1, font), -1);
  EXPECT_EQ(DrawKeyInputString(kX, kY, h, font + 1), -1);
}

TEST_F(KeyInputDraw, TheCompositionSitsAtTheCursorUnderlinedByClause) {
  int h = Field("ab", 1);
  TextInputState& t = g_TextInput;
  t.compositionActive = 1;
  strcpy(t.composition, "かな");
  t.compositionCursor = 1;   // "な" is being converted
  t.clauses[0] = 0;
  t.clauses[1] = 2;
  t.clauses[2] = 4;
  t.clauseCount = 3;

  Clear();
  ASSERT_EQ(DrawKeyInputString(kX, kY, h, font), 0);
  const int start = kX + Advance("a");
  const int mid = start + Advance("か");
  const int end = start + Advance("かな");
  EXPECT_EQ(screen.Get(start, kY + kSize), 0x00FFFFu);        // plain clause line
  EXPECT_EQ(screen.Get(mid - 2, kY + kSize), 0x00FFFFu);
  EXPECT_EQ(screen.Get(mid - 1, kY + kSize), 0u);             // a gap between clauses
  EXPECT_EQ(screen.Get(mid, kY + kSize + 1), 0xFF0000u);      // the converted clause: thicker, red
  EXPECT_EQ(screen.Get(end - 2, kY + kSize), 0xFF0000u);
  EXPECT_EQ(screen.Get(mid, kY), 0xFFFF14u);                  // the composition's cursor
  EXPECT_EQ(screen.Get(kX + Advance("a") + Advance("かな") + 1, kY + kSize), 0u);

  // The text after the cursor follows the composition; no field cursor is drawn meanwhile.
  RefText(kX, "a", 0xFFFFFF);
  RefText(start, "か", 0xFFFFFE);
  RefText(mid, "な", 0xFFFFFD);
  RefText(end, "b", 0xFFFFFF);
  RefBox(start, kY + kSize, mid - 1, kY + kSize + 1, 0x00FFFF);
  RefBox(mid, kY + kSize, end - 1, kY + kSize + 2, 0xFF0000);
  RefBox(mid, kY, mid + 1, kY + kSize, 0xFFFF14);
  EXPECT_EQ(screen.Snapshot(), ref.Snapshot());
  EXPECT_EQ(Hash(screen.Snapshot()), Hash(ref.Snapshot()));
}

}  // namespace
