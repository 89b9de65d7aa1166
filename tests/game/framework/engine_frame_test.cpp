// The sprite table and the display list on the real engine, in a folder that make-data wrote: the
// sheets load through the archive and every sprite is cut to its size; a test frame of every kind
// of entry comes out as a fixed picture (kept as a PNG for review); a capture after a present
// shows the presented frame again; the frame loop paced by vertical sync steps 60 times a second.
#include <cstdlib>
#include <filesystem>

#include "engine_game_fixture.h"
#include "game/framework/actors.h"
#include "game/framework/archive_key.h"
#include "game/framework/frame_loop.h"
#include "game/framework/sprite_layout.h"
#include "game/framework/text.h"
#include "tools/common/picture_writer.h"
#include "game/temp_dir.h"

namespace {

using namespace enginegame;

int g_redraws = 0;

class GameFrame : public GameOnEngine {
protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartInDataSet());
    g_redraws = 0;
    g_LoadingScreenHook = [] { ++g_redraws; };
    LoadSpriteSheets();
    g_LoadingScreenHook = nullptr;
  }

  static uint64_t Hash(const std::vector<uint32_t>& pixels) {
    uint64_t h = 1469598103934665603ull;
    for (uint32_t p : pixels) {
      for (int k = 0; k < 3; ++k) {
        h ^= (p >> (8 * k)) & 0xFF;
        h *= 1099511628211ull;
      }
    }
    return h;
  }

  static void KeepForReview(const std::vector<uint32_t>& pixels, const char* name) {
    const std::string path = KeepPng(pixels, name);
    ASSERT_FALSE(path.empty()) << name;
    std::printf("test frame kept in %s\n", path.c_str());
  }
};

TEST_F(GameFrame, SheetsLoadAndEverySpriteHasItsSize) {
  EXPECT_EQ(g_redraws, 10 + 3 + 16 + kSpriteCutRows);
  for (int s = 0; s < kSpriteSheetCount; ++s) {
    int w = 0, h = 0;
    ASSERT_EQ(GetGraphDimensionsLocked(GetSpriteSheetGraph(s), &w, &h), 0) << s;
    EXPECT_EQ(w * 10000 + h, 10241024) << s;
  }
  for (int row = 0; row < kSpriteCutRows; ++row) {
    const SpriteCutRow& t = SpriteCutTable[row];
    const int inset = (t.index & kSpriteCutExact) ? 0 : 1;
    const int index = t.index & kSpriteCutIndexMask;
    if (index == 0) continue;   // the empty sprite has no picture to size
    int w = -1, h = -1;
    GetSpriteSize(index, &w, &h);
    EXPECT_EQ(w, t.width - 2 * inset) << index;
    EXPECT_EQ(h, t.height - 2 * inset) << index;
  }
  auto size = [](int sprite) {
    int w = 0, h = 0;
    GetSpriteSize(sprite, &w, &h);
    return w * 1000 + h;
  };
  EXPECT_EQ(size(3), 8008);          // the default cell
  EXPECT_EQ(size(512), 14014);       // a glyph
  EXPECT_EQ(size(1791), 30030);      // the last grid cell
  EXPECT_EQ(size(kSpriteCapture), 640480);
  // The warm-up drew everything at brightness 0 and cleared: a present shows nothing.
  ASSERT_EQ(PresentScreenLocked(), 0);
  const std::vector<uint32_t> shown = PresentedPixels();
  ASSERT_EQ(shown.size(), 640u * 480u);
  for (size_t i = 0; i < shown.size(); ++i) ASSERT_EQ(shown[i], 0u) << i;
}

// Every kind of entry once, drawn by the flush like a frame of the game.
void BuildTestFrame() {
  ResetDrawList();
  AddDrawRect(0, 0, 640, 480, 0, 1);
  SetDrawColor(65, 0x182030FF);                                  // a dark backdrop
  AddDrawSprite(20, 20, 4, 1024);                                // plain
  AddDrawSprite(90, 20, 4, 1024 | kSpriteMirrored);              // mirrored
  AddDrawSpriteRot(200, 40, 4, 2048, 1500, 2700);                // rotated and scaled
  AddDrawSpriteRot(280, 40, 4, 2048 | kSpriteMirrored, 1000, -5400);
  SetDrawColor(AddDrawRect(330, 20, 430, 70, 4, 1), 0x40A0FFFF); // stretched and tinted
  AddDrawSprite(450, 10, 5, 135 | kSpriteAdditive);              // additive, twice overlapping
  AddDrawSprite(480, 20, 5, 135 | kSpriteAdditive);
  SetDrawColor(AddDrawSprite(560, 20, 4, 1192), 0xFF6060FF);     // tinted
  AddDrawRect(20, 100, 120, 160, 3, 1);
  SetDrawColor(AddDrawSprite(40, 110, 4, 1028), 0xFFFFFF80);     // faded over white
  SetDrawColor(AddDrawSpriteRot(180, 130, 4, 2161 | kSpriteAdditive, 2000, 0), 0xFFFFFF80);
  AddDrawSprite(250, 110, 4, 139);                               // a caption
  AddDrawTextGlyph(20, 200, 6, 0);                               // sprite glyphs
  AddDrawTextString(20, 230, 6, 13);                             // the engine's font
  AddDrawNumber(20, 260, 6, 1234567, 8, 0);
  AddDrawNumber(20, 280, 6, 42, 5, 1);
  AddDrawNumber(20, 300, 6, -9, 3, 0);
  AddDrawClock(200, 260, 3725);
  AddDrawClockHundredths(200, 280, 12345);
  AddDrawRect(10, 190, 330, 320, 6, 0);                          // a box outline
  AddDrawSprite(400, 200, 40, 1024);                             // kept, not drawn
  for (int i = 0; i < 8; ++i) AddDrawSprite(360 + 34 * i, 360, 7, 1536 + 4 * i);
}

TEST_F(GameFrame, TestFrameIsAFixedPictureAndIsKeptForReview) {
  BuildTestFrame();
  FlushDrawList();
  DrawFrameRate(5990);
  ASSERT_EQ(PresentScreenLocked(), 0);
  const std::vector<uint32_t> frame = PresentedPixels();
  ASSERT_EQ(frame.size(), 640u * 480u);
  KeepForReview(frame, "display_list_frame.png");
  // A few pixels that the rules fix whatever the art: the backdrop, the white box under the faded
  // sprite, the outline's corner, the frame rate's "6" in yellow.
  EXPECT_EQ(frame[5 * 640 + 5], 0x182030u);
  EXPECT_EQ(frame[155 * 640 + 25], 0xFFFFFFu);
  EXPECT_EQ(frame[190 * 640 + 10], 0xFFFFFFu);
  EXPECT_EQ(Hash(frame), 0x6aaf21dcd3d62115ull) << std::hex << Hash(frame);

  // The same list drawn again gives the same picture: the flush leaves nothing behind that
  // changes the next one.
  FlushDrawList();
  DrawFrameRate(5990);
  ASSERT_EQ(PresentScreenLocked(), 0);
  EXPECT_EQ(PresentedPixels(), frame);
}

TEST_F(GameFrame, CaptureAfterPresentShowsThePresentedFrame) {
  BuildTestFrame();
  FlushDrawList();
  ASSERT_EQ(PresentScreenLocked(), 0);
  const std::vector<uint32_t> presented = PresentedPixels();
  CaptureScreenToBuffer();
  // The next scene draws over black; the capture sprite alone brings the old frame back.
  ClearDrawTargetLocked();
  ResetDrawList();
  AddDrawSprite(0, 0, 28, kSpriteCapture);
  FlushDrawList();
  ASSERT_EQ(PresentScreenLocked(), 0);
  EXPECT_EQ(PresentedPixels(), presented);
}

// Vertical sync through the engine's waits and the display's blank model on the virtual clock, with
// passes shorter than a blank: every step takes a blank of its own (a skipped frame's wait and the
// next present never share one), at FRAME RATE 30 every other step is presented, at 60 every one.
std::vector<uint64_t> g_passEnds;
TEST_F(GameFrame, VerticalSyncGivesEveryStepABlankOfItsOwn) {
  ASSERT_EQ(SetFlipWaitsVBlankLocked(1), 0);
  for (const int rate : {1, 0}) {
    ResetActors();
    ResetFrameLoopState();
    SetSettingsSlot(kSlotFrameRate, rate);
    g_passEnds.clear();
    const uint64_t shown = plat::PresenterFrameCount();
    SetFramePassHooks({[] { plat::VirtualClockAdvance(500); },
                       [] { return g_passEnds.push_back(plat::MicrosecondClock()), g_passEnds.size() < 160; }});
    RunFrameLoop();
    SetFramePassHooks({nullptr, nullptr});
    ASSERT_EQ(g_passEnds.size(), 160u);
    // Two steps in one blank would show as passes 0.5 ms and 33 ms long.
    for (size_t i = 40; i < g_passEnds.size(); ++i)
      EXPECT_NEAR(double(g_passEnds[i] - g_passEnds[i - 1]), 16666.7, 250.0) << "rate " << rate << " pass " << i;
    EXPECT_NEAR(double(g_passEnds[159] - g_passEnds[39]), 2000000.0, 250.0) << rate;
    EXPECT_EQ(plat::PresenterFrameCount() - shown, rate == 1 ? 80u : 160u) << rate;
  }
}

}  // namespace
