// Pictures of the enemies for review, through the whole program in the real window: a play of
// area 0 started from the title at DEMONIC, then every ordinary enemy held in a gallery while it
// fires, and a frame of the waves as they come. It runs under the virtual X server (with
// VLX_HARNESS_WINDOW set, see tests/CMakeLists.txt) and skips itself otherwise; the pictures go
// to VLX_TEST_ARTIFACTS (default: the current folder).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/framework/actors.h"
#include "game/framework/settings.h"
#include "game/harness/harness.h"
#include "game/play/enemies.h"
#include "game/play/play.h"
#include "game/temp_dir.h"

namespace {

constexpr int kPlayStart = 200;

struct Held {
  int actor, x, y;
};
std::vector<Held> g_gallery;

bool InPlay() {
  return GetGameVar(kFieldKind) == kKindGameSession && (GetSettingsSlot(kSlotPlayMode) & kPlayFrames);
}

// Before the play starts its difficulty is chosen; once its phase runs the waves are held off and
// the gallery is set up, then kept in place every frame while it fires.
void GalleryFrame(int frame) {
  if (frame < kPlayStart) {
    SetSettingsSlot(kSlotDifficulty, kDemonic);
    SetSettingsSlot(kSlotStartArea, 0);
    SetSettingsSlot(kSlotIntermission, 1);   // no intro card: the phase intro starts at once
    return;
  }
  if (!InPlay()) return;
  SetGameVar(kVarInvulnerable, 1 << 20);
  if (g_gallery.empty() && GetGameVar(kVarPhaseTimer) == 5) {
    SetGameVar(kVarWaveCountdown, 1 << 20);
    SetActorPos(60, 240, GetPlayerActor());
    struct Place {
      int id, x, y;
    };
    const Place places[] = {{2, 200, 90},  {20, 300, 90},  {50, 400, 90},  {9, 520, 90},
                            {3, 250, 200}, {21, 450, 230}, {14, 260, 360}, {4, 460, 380},
                            {5, 580, 300}, {19, 580, 180}};
    for (const Place& p : places) {
      const int e = SpawnEnemy(p.x, p.y, 8, p.id);
      if (e > 0) g_gallery.push_back({e, p.x, p.y});
    }

  }
  for (const Held& h : g_gallery) {
    if (GetActorField(kFieldKind, h.actor) == 0) continue;
    SetActorPosVel(h.x, h.y, 0, 0, h.actor);
    SetActorHp(h.actor, 1 << 20);
  }
}

class EnemyGallery : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("VLX_HARNESS_WINDOW")) GTEST_SKIP() << "pictures are taken under the virtual X server";
    root = NewTempFolder("/tmp/vlx_gallery_XXXXXX");
    folder = root + "/game";
    ASSERT_TRUE(MakeDataSet(folder));
    shots = ArtifactsDir();
    g_gallery.clear();
  }
  void TearDown() override {
    RemoveFolder(root);
  }
  HarnessOptions Options(int frames) const {
    HarnessOptions o;
    o.folder = folder;
    o.frames = frames;
    o.screenshotDir = shots;
    o.renderer = "soft";
    o.window = true;
    o.virtualClock = true;
    o.startPlayFrame = kPlayStart;
    o.hashFrames = true;
    return o;
  }
  std::string root, folder, shots;
};

TEST_F(EnemyGallery, EveryOrdinaryEnemyFiringAndAFrameOfTheWaves) {
  // The play's intro takes 200 frames from its start; the gallery comes at phase timer 5.
  HarnessOptions o = Options(kPlayStart + 320);
  o.onFrame = GalleryFrame;
  // Frames at the gallery's ages 30, 65 (the beam held) and 100; it is made at timer 5, 205
  // frames after the play's start.
  const int first = kPlayStart + 205;
  o.screenshotFrames = {first + 30, first + 65, first + 100};
  HarnessResult r;
  ASSERT_EQ(RunHarness(o, &r), 0);
  ASSERT_EQ(g_gallery.size(), 10u);
  ASSERT_EQ(r.screenshots.size(), 3u);
  // The pictures differ as the enemies move their parts and fire.
  EXPECT_NE(r.hashes[size_t(first + 30)], r.hashes[size_t(first + 65)]);
  EXPECT_NE(r.hashes[size_t(first + 65)], r.hashes[size_t(first + 100)]);
  for (const std::string& s : r.screenshots) {
    const std::string kept = shots + "/enemies_" + s.substr(s.rfind('/') + 1);
    rename(s.c_str(), kept.c_str());
    std::printf("enemy picture kept in %s\n", kept.c_str());
  }

  // The waves themselves, some 12 seconds into phase 0 at DEMONIC.
  HarnessOptions w = Options(kPlayStart + 200 + 720);
  w.onFrame = [](int frame) {
    if (frame < kPlayStart) {
      SetSettingsSlot(kSlotDifficulty, kDemonic);
      SetSettingsSlot(kSlotStartArea, 0);
      SetSettingsSlot(kSlotIntermission, 1);
    } else if (InPlay()) {
      SetGameVar(kVarInvulnerable, 1 << 20);
    }
  };
  w.screenshotFrames = {kPlayStart + 200 + 700};
  HarnessResult waves;
  ASSERT_EQ(RunHarness(w, &waves), 0);
  ASSERT_EQ(waves.screenshots.size(), 1u);
  const std::string& s = waves.screenshots[0];
  rename(s.c_str(), (shots + "/enemies_waves.png").c_str());
  std::printf("enemy picture kept in %s/enemies_waves.png\n", shots.c_str());
}

}  // namespace
