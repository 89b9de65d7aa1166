// The sprite table: the loader's engine calls in order (traced by the recorder) and the animation
// steps.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "engine_recorder.h"
#include "game/framework/sprite_layout.h"
#include "game/framework/sprites.h"

namespace {

using Calls = std::vector<std::string>;

int g_picture = 0;

class Sprites : public ::testing::Test {
protected:
  void SetUp() override {
    recorder::Install();
    ResetSpriteTable();
    g_LoadingScreenHook = [] { recorder::Log("Redraw"); };
    g_LoadingPictureHook = [](int graph) { g_picture = graph; };
  }
  void TearDown() override {
    g_LoadingScreenHook = nullptr;
    g_LoadingPictureHook = nullptr;
    ResetEngineEntries();
    ResetSpriteTable();
  }
  static int CutRows() {
    int n = 0;
    while (n < int(std::size(SpriteCutTable)) && SpriteCutTable[n].sheet != -1) ++n;
    return n;
  }
};

TEST_F(Sprites, LoaderCutsEverythingInOrderRedrawingTheLoadingScreenAsItGoes) {
  LoadSpriteSheets();
  const Calls calls = recorder::Take();
  size_t at = 0;
  auto next = [&] { return at < calls.size() ? calls[at++] : std::string("(end)"); };

  EXPECT_EQ(next(), "Transparent 0 255 0");
  for (int n = 0; n < 10; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "Load vlxdat\\pic%02d.png", n);
    EXPECT_EQ(next(), name);
    EXPECT_EQ(next(), "Redraw");
  }
  // The default region of sheet 1, then the glyphs and the grid a row at a time.
  EXPECT_EQ(next(), "Region 4 932 8 8 of 1001");
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 16; ++c) {
      EXPECT_EQ(next(), "Region " + std::to_string(16 * c + 1) + " " + std::to_string(16 * r + 945) +
                            " 14 14 of 1001");
    }
    EXPECT_EQ(next(), "Redraw");
  }
  for (int r = 0; r < 16; ++r) {
    for (int c = 0; c < 16; ++c) {
      EXPECT_EQ(next(), "Region " + std::to_string(32 * c + 513) + " " + std::to_string(32 * r + 1) +
                            " 30 30 of 1001");
    }
    EXPECT_EQ(next(), "Redraw");
  }
  // The cut table's first rows: the empty and the white square taken exactly, sprite 1 inset.
  EXPECT_EQ(next(), "Region 4 932 0 0 of 1001");
  EXPECT_EQ(next(), "Redraw");
  EXPECT_EQ(next(), "Region 185 929 22 14 of 1001");
  EXPECT_EQ(next(), "Redraw");
  EXPECT_EQ(next(), "Region 36 932 8 8 of 1001");
  EXPECT_EQ(next(), "Redraw");
  for (int row = 3; row < CutRows(); ++row) {
    EXPECT_EQ(next().compare(0, 7, "Region "), 0) << row;
    EXPECT_EQ(next(), "Redraw") << row;
  }
  EXPECT_EQ(next(), "Blank 640 480");
  // Warm-up: everything drawn once at brightness 0, untransparent, then cleared.
  EXPECT_EQ(next(), "Bright 0 0 0");
  for (int n = 0; n < 10; ++n) EXPECT_EQ(next(), "Draw 0 0 " + std::to_string(1000 + n) + " t0");
  EXPECT_EQ(next(), "Draw 0 0 3000 t0");
  EXPECT_EQ(next(), "Clear");
  EXPECT_EQ(next(), "Bright 255 255 255");
  EXPECT_EQ(next(), "(end)");

  // Each cut sprite has its row's size, shrunk by one pixel a side unless taken exactly.
  for (int row = 0; row < CutRows(); ++row) {
    const SpriteCutRow& t = SpriteCutTable[row];
    const int inset = (t.index & kSpriteCutExact) ? 0 : 1;
    int w = -1, h = -1;
    GetSpriteSize(t.index & kSpriteCutIndexMask, &w, &h);
    EXPECT_EQ(w, t.width - 2 * inset) << row;
    EXPECT_EQ(h, t.height - 2 * inset) << row;
  }
  // What nothing cuts keeps the default region; glyphs and grid have theirs.
  EXPECT_EQ(GetSpriteGraph(3), 2000);
  EXPECT_EQ(GetSpriteGraph(8190), 2000);
  EXPECT_EQ(GetSpriteGraph(512), 2001);
  EXPECT_EQ(GetSpriteGraph(559), 2048);
  EXPECT_EQ(GetSpriteGraph(1536), 2049);
  EXPECT_EQ(GetSpriteGraph(1791), 2304);
  EXPECT_EQ(GetSpriteGraph(kSpriteCapture), 3000);
  EXPECT_EQ(GetSpriteGraph(8192), -1);
  EXPECT_EQ(GetSpriteGraph(-1), -1);
  EXPECT_EQ(GetSpriteSheetGraph(9), 1009);
  EXPECT_EQ(GetSpriteSheetGraph(10), -1);
  int w = -1, h = -1;
  GetSpriteSize(kSpriteCapture | kSpriteMirrored, &w, &h);
  EXPECT_EQ(w * 1000 + h, 640480);
  GetSpriteSize(8192, &w, &h);
  EXPECT_EQ(w + h, 0);
}

TEST_F(Sprites, AnimationStepsFollowTheGridTheChainsAndTheStillPeriod) {
  LoadSpriteSheets();
  const int32_t mirrored = int32_t(kSpriteMirrored);
  EXPECT_EQ(StepSpriteAnimation(1536 | mirrored, 8), 1537 | mirrored);
  EXPECT_EQ(StepSpriteAnimation(1536 | mirrored, 7), 1536 | mirrored);
  EXPECT_EQ(StepSpriteAnimation(1536 | mirrored, 0), 1536 | mirrored);
  EXPECT_EQ(StepSpriteAnimation(1536, -4), 1536);
  EXPECT_EQ(StepSpriteAnimation(1539, 4), 1536);       // the fourth frame leads back to the first
  EXPECT_EQ(StepSpriteAnimation(1542, 4), 1543);
  EXPECT_EQ(StepSpriteAnimation(1543, 12), 1540);
  EXPECT_EQ(StepSpriteAnimation(1791, 4), 1788);
  // Flag bits 24-31 ride along; an index past the table never steps.
  EXPECT_EQ(StepSpriteAnimation(int32_t(0xFC000000u | 1538), 4), int32_t(0xFC000000u | 1539));
  EXPECT_EQ(StepSpriteAnimation(0x2000 | mirrored, kSpriteStill), 0x2000 | mirrored);
  EXPECT_EQ(StepSpriteAnimation(0xFFFFFF, 4), 0xFFFFFF);
  // A still sprite steps to itself, only at multiples of the still period.
  EXPECT_EQ(StepSpriteAnimation(3, 4), 3);
  EXPECT_EQ(StepSpriteAnimation(3, kSpriteStill), 3);

  // Every chain of the table steps on its period, and a stopped chain's last frame holds until the
  // still period comes round, when it steps to the empty sprite.
  int stopped = 0;
  for (int row = 0; row < int(std::size(SpriteAnimTable)) && SpriteAnimTable[row].index >= 0; ++row) {
    const SpriteAnimRow& t = SpriteAnimTable[row];
    EXPECT_EQ(StepSpriteAnimation(t.index, t.period), t.next) << t.index;
    if (t.period == kSpriteStill) {
      ++stopped;
      EXPECT_EQ(t.next, 0);
      EXPECT_EQ(StepSpriteAnimation(t.index, kSpriteStill - 1), t.index);
      EXPECT_EQ(StepSpriteAnimation(t.index | mirrored, 2 * kSpriteStill), mirrored);
    } else if (t.period > 1) {
      EXPECT_EQ(StepSpriteAnimation(t.index, t.period + 1), t.index);
    }
  }
  EXPECT_GT(stopped, 0);
}

TEST_F(Sprites, ReloadDeletesEveryGraphAndLoadsAgain) {
  ChangeWindowModeAndReload(2);
  Calls calls = recorder::Take();
  ASSERT_GT(calls.size(), 5u);
  const Calls head = {"WindowMode 1", "Scale 2", "DeleteAll 0", "Load dat\\vlx0.dat",
                      "Transparent 0 255 0"};
  EXPECT_EQ(Calls(calls.begin(), calls.begin() + 5), head);
  EXPECT_EQ(g_picture, 900);
  ChangeWindowModeAndReload(0);
  calls = recorder::Take();
  EXPECT_EQ(calls[0], "WindowMode 0");
  EXPECT_EQ(calls[1], "DeleteAll 0");
  EXPECT_EQ(calls.back(), "Bright 255 255 255");
}

}  // namespace
