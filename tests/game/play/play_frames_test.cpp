// Play's own pictures on the real engine with the data set: the status display over a running
// phase, the intro strips, the phase tally and the game over, each kept as a PNG for review.
#include <cstdlib>
#include <filesystem>

#include "game/framework/archive_key.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_game_fixture.h"
#include "game/framework/sound.h"
#include "game/framework/text.h"
#include "play_fixture.h"
#include "tools/common/picture_writer.h"
#include "game/temp_dir.h"

namespace {

using namespace enginegame;

class PlayFrames : public GameOnEngine {
protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartInDataSet());
    LoadSpriteSheets();
    ResetActors();
    SetPlayfieldBounds(-8, -8, 648, 488);
    SetDefaultSettings();
    SetSettingsSlot(kSlotIntermission, 1);
    SetSettingsSlot(kSlotDifficulty, kRevised);
    SetSettingsSlot(kSlotStartArea, 1);
    SetSettingsSlot(kSlotPlayMode, 2);
    ASSERT_GT(RunGameStateThroughCard(), 0);
  }
  void TearDown() override {
    SetSessionActor(0);
    SetPlayerActor(0);
    ResetActors();
    GameOnEngine::TearDown();
  }
  // Steps play until the timer reads t (without input).
  static void StepTo(int32_t t) {
    while (GetGameVar(kVarPhaseTimer) < t) {
      ResetDrawList();
      PlayStep();
    }
  }
  // One more frame, drawn and presented.
  static std::vector<uint32_t> Draw() {
    ResetDrawList();
    PlayStep();
    ClearDrawTargetLocked();   // nothing draws the area's backdrop yet
    FlushDrawList();
    EXPECT_EQ(PresentScreenLocked(), 0);
    return PresentedPixels();
  }
  static void Keep(const std::vector<uint32_t>& pixels, const char* name) {
    const std::string path = KeepPng(pixels, name);
    std::printf("play frame kept in %s\n", path.c_str());
  }
  static int CountDiffering(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    int n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
    return n;
  }
};

TEST_F(PlayFrames, StatusDisplayStripsTallyAndGameOverAreDrawn) {
  StepTo(-120);
  std::vector<uint32_t> intro = Draw();
  Keep(intro, "play_intro_strips.png");
  StepTo(600);
  SetGameVar(kVarScore, 1234567);
  SetGameVar(kVarNextExtend, 2000000);
  SetGameVar(kVarHitChain, 42);
  SetGameVar(kVarChainTimer, 60);
  SetGameVar(kVarMana, 70);
  SetGameVar(kVarBombCooldown, 50);
  SetGameVar(kVarBossGauge, 150);
  SetGameVar(kVarGaugeSlide, 16);
  SetGameVar(kVarBossId, 16);
  std::vector<uint32_t> running = Draw();
  Keep(running, "play_status_display.png");
  SetGameVar(kVarPhaseSpawned, 40);
  SetGameVar(kVarPhaseKills, 30);
  StepTo(2590);
  std::vector<uint32_t> tally = Draw();
  Keep(tally, "play_tally.png");
  SetGameVar(kVarLives, 0);
  for (int i = 0; i < 50; ++i) PlayStep();
  std::vector<uint32_t> over = Draw();
  Keep(over, "play_game_over.png");
  // The bars keep their place; the strips, the tally's rows and the picture change the frame.
  ASSERT_EQ(running.size(), 640u * 480u);
  EXPECT_GT(CountDiffering(intro, running), 2000);
  EXPECT_GT(CountDiffering(running, tally), 2000);
  EXPECT_GT(CountDiffering(tally, over), 2000);
}

}  // namespace
