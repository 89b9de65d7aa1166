// Pictures of every boss for review, through the whole program in the real window: a REVISED play
// of area 0 started from the title and played to its end, each phase brought straight to its
// mid-bosses (the waves held off, each boss called by its own wave, pictured while it fires, then
// felled), the boss phase to the area boss, its pods and its beam, its second form's sweep and
// pod volley, and that form's fall, tally and flight to the results. It runs under the virtual X
// server (with VLX_HARNESS_WINDOW set, see tests/CMakeLists.txt) and skips itself otherwise; the
// pictures go to VLX_TEST_ARTIFACTS (default: the current folder) as boss_<id>_<age>.png.
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
#include "platform/present.h"
#include "game/temp_dir.h"

namespace {

constexpr int kPlayStart = 200;

// A boss pictured at these ages of its own, then felled (the area boss changes form instead).
struct Shot {
  int id;
  std::vector<int> ages;
  int entry;   // its entry in the phase's wave script, -1: it comes by itself
};
// Per phase of area 0, the bosses in their order.
const std::vector<Shot> kPhases[4] = {
    {{10, {150, 215}, 1}, {7, {170}, 3}},
    {{12, {130, 300}, 4}},
    {{8, {120}, 1}, {13, {120, 170}, 5}},
    {{16, {250, 430}, -1}, {17, {140, 280}, -1}},
};

struct Director {
  std::string shots;
  std::vector<std::string> saved;
  int phase = -1;
  size_t next = 0;          // the phase's next boss
  int boss = 0;             // its actor
  int wait = 0;             // frames to wait before the next step
  bool started = false, ended = false;
  int endFrame = -1;
};
Director g_d;

bool InPlay() {
  return GetGameVar(kFieldKind) == kKindGameSession && (GetSettingsSlot(kSlotPlayMode) & kPlayFrames);
}

int FindBoss(int id) {
  for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
    if (GetActorField(kFieldKind, a) == (kKindEnemy | id)) return a;
  }
  return 0;
}

void KeepPicture(int id, int age) {
  plat::PresentedFrame f{};
  if (!plat::PresenterLastFrame(&f) || !f.pixels) return;
  const HarnessPicture p{f.pixels, f.pitch, f.width, f.height, int(f.format.bitCount), f.format.redMask,
                         f.format.greenMask, f.format.blueMask};
  char name[64];
  std::snprintf(name, sizeof name, "/boss_%02d_%03d.png", id, age);
  const std::string path = g_d.shots + name;
  if (SavePicturePng(path.c_str(), p)) g_d.saved.push_back(path);
}

void DirectFrame(int frame) {
  if (frame < kPlayStart) {
    SetSettingsSlot(kSlotDifficulty, kRevised);
    SetSettingsSlot(kSlotStartArea, 0);
    SetSettingsSlot(kSlotIntermission, 1);   // no intro card: the play starts at once
    return;
  }
  if (!InPlay()) {
    if (g_d.started && !g_d.ended) {
      g_d.ended = true;
      g_d.endFrame = frame;
    }
    return;
  }
  g_d.started = true;
  SetGameVar(kVarInvulnerable, 1 << 20);
  const int p = GetGameVar(kVarPhase) & 3;
  const int32_t t = GetGameVar(kVarPhaseTimer);
  if (p != g_d.phase) {
    g_d = Director{g_d.shots, g_d.saved, p, 0, 0, 0, true, false, -1};
  }
  if (t < 5 || t >= 2400) return;
  const std::vector<Shot>& bosses = kPhases[p];
  if (p < 3) SetGameVar(kVarWaveCountdown, 1 << 20);   // the script's other waves held off
  if (g_d.wait > 0) {
    --g_d.wait;
    return;
  }
  if (g_d.next >= bosses.size()) {
    if (p < 3) SetGameVar(kVarPhaseTimer, 2399);   // on to the phase's end and tally
    return;
  }
  const Shot& s = bosses[g_d.next];
  if (g_d.boss == 0) {
    if (s.entry >= 0) StartWave(p, s.entry);
    g_d.boss = -1;   // called: it comes with its wave's first update
  }
  if (g_d.boss < 0 && FindBoss(s.id) > 0) g_d.boss = FindBoss(s.id);
  if (g_d.boss < 1) return;
  const int age = GetActorField(kFieldAge, g_d.boss);
  for (int a : s.ages) {
    if (age == a + 1) KeepPicture(s.id, a);   // the frame its update at that age drew
  }
  if (age <= s.ages.back() + 1) return;
  if (s.id == 16) {
    SetGameVar(kVarPhaseTimer, 2371);   // its form change
  } else {
    SetActorField(kFieldHp, g_d.boss, 0);
  }
  g_d.boss = 0;
  ++g_d.next;
  g_d.wait = s.id == 16 ? 0 : 70;   // its dying explosion burns out first
}

class BossWindow : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("VLX_HARNESS_WINDOW")) GTEST_SKIP() << "pictures are taken under the virtual X server";
    root = NewTempFolder("/tmp/vlx_bosses_XXXXXX");
    folder = root + "/game";
    ASSERT_TRUE(MakeDataSet(folder));
    g_d = Director{};
    g_d.shots = ArtifactsDir();
  }
  void TearDown() override {
    RemoveFolder(root);
  }
  std::string root, folder;
};

TEST_F(BossWindow, ARevisedPlayOfAreaZeroShowsEveryBossOnItsWayToTheResults) {
  HarnessOptions o;
  o.folder = folder;
  o.frames = 4540;   // the area ends at about 4460
  o.screenshotDir = g_d.shots;
  o.screenshotFrames = {o.frames - 1};   // keeps the presented pictures for the director's own
  o.renderer = "soft";
  o.window = true;
  o.virtualClock = true;
  o.startPlayFrame = kPlayStart;
  o.onFrame = DirectFrame;
  HarnessResult r;
  ASSERT_EQ(RunHarness(o, &r), 0);
  EXPECT_TRUE(g_d.ended) << "the area did not reach its end";
  std::printf("area ended at frame %d of %d\n", g_d.endFrame, r.frames);
  // The last picture the area left: its boss tally.
  if (!r.screenshots.empty()) {
    const std::string end = g_d.shots + "/boss_tally.png";
    rename(r.screenshots.back().c_str(), end.c_str());
    g_d.saved.push_back(end);
  }
  for (const std::string& s : g_d.saved) std::printf("boss picture kept in %s\n", s.c_str());
  EXPECT_EQ(g_d.saved.size(), 13u);
}

}  // namespace
