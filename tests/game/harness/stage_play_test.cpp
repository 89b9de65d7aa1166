// Scripted plays of the first area through the whole program, one for the first character and one
// for each of the second character's four rigs, so that every shot, sub weapon and bomb type
// runs: the player shoots at targets the script places, meets items, grazes a ring of bullets that
// a bomb then turns into gems, takes a hit from a bullet placed on it and answers with a counter
// bomb. Each play repeats exactly and its replay plays back frame by frame; under the virtual X
// server the same plays run in a window and keep pictures of the characters, their weapons and
// bombs, the items and the background for review.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/replay.h"
#include "game/framework/settings.h"
#include "game/framework/sprites.h"
#include "game/harness/harness.h"
#include "game/play/play.h"
#include "game/temp_dir.h"

namespace {

constexpr int kPlayStart = 150;            // the title runs; GAME START at this frame
constexpr int P = kPlayStart;
constexpr int kTargetsAt[] = {P + 230, P + 330, P + 430, P + 530};
constexpr int kItemsAt = P + 236;
constexpr int kHealedTargetAt = P + 290;
constexpr int kBulletRingAt = P + 296;
constexpr int kBombAt = P + 300;
constexpr int kHitAt = P + 700;
constexpr int kCounterAt = P + 705;
constexpr int kPlayEnd = P + 800;          // the last frame compared; the recording ends after it
constexpr int kLastPicture = P + 740;

struct Loadout {
  int character, rig;
  const char* name;
  uint32_t weapons;   // what the play must have fired (below)
};
void PrintTo(const Loadout& l, std::ostream* os) { *os << l.name; }

// Weapons seen in a play: the game-task slot of each weapon and bomb kind (7-15) as its bit,
// and the shot rows and modes that share a kind.
enum : uint32_t {
  kSeenShot = 1u << 7, kSeenTorpedo = 1u << 8, kSeenBeam = 1u << 9, kSeenDevice = 1u << 10,
  kSeenBombA = 1u << 11, kSeenRain = 1u << 12, kSeenFlame = 1u << 13, kSeenOrb = 1u << 14,
  kSeenSweep = 1u << 15, kSeenOverdrive = 1u << 16, kSeenBurst = 1u << 17, kSeenSpread = 1u << 18,
  kSeenTwin = 1u << 19, kSeenHeavy = 1u << 20,
};
const Loadout kLoadouts[] = {
    {0, 0, "guns", kSeenShot | kSeenTorpedo | kSeenBombA},
    {1, 0, "fiveway", kSeenShot | kSeenOverdrive | kSeenRain},
    {1, 1, "twin", kSeenTwin | kSeenDevice | kSeenFlame},
    {1, 2, "beam", kSeenBeam | kSeenSpread | kSeenOrb},
    {1, 3, "heavy", kSeenHeavy | kSeenBurst | kSeenSweep},
};

// The keys: shooting throughout with moves, the sub weapon once the phase runs, a bomb, and the
// counter bomb in the hit's window. The spread beam (rig 2) is held, the others pressed once.
std::string Keys(const Loadout& l) {
  char text[1024];
  std::snprintf(text, sizeof text,
                "%d Z\n%d Z UP\n%d Z DOWN\n%d Z\n%d Z X\n%d Z\n%d C\n%d Z LEFT\n%d Z\n"
                "%d Z UP\n%d Z\n%d Z DOWN\n%d Z\n%d C\n%d Z\n",
                P + 40, P + 120, P + 150, P + 180, P + 260, l.rig == 2 ? P + 290 : P + 263, kBombAt,
                kBombAt + 2, kBombAt + 12, P + 450, P + 470, P + 560, P + 580, kCounterAt, kCounterAt + 2);
  return text;
}

int PlayerX() { return GetPlayerField(kFieldX); }
int PlayerY() { return GetPlayerField(kFieldY); }

// A counted target that stands still (an empty behaviour slot) and is defeated as any enemy.
void PlaceTarget(int x, int y, int hp, uint32_t flags) {
  const int a = AllocActor();
  if (a < 0) return;
  SetCurrentActor(a);
  SetCurPos(x, y);
  InitCurActor(0x3000000F, 8, 2091);
  SetActorHp(a, hp);
  SetActorField(kFieldRadius, a, 32);
  SetActorField(28, a, 5);   // score value
  OrActorField(kFieldFlags, a, 0x800000u | flags);
  AddGameVar(kVarEnemiesAlive, 1);
}

// A still enemy bullet.
void PlaceBullet(int x, int y) {
  const int b = AllocActor();
  if (b < 0) return;
  SetCurrentActor(b);
  SetCurPos(x, y);
  InitCurActor(kKindEnemyBullet, 24, 1540);
  SetActorField(kFieldRadius, b, 4);
  OrActorField(kFieldFlags, b, 0x200000u | kFlagOffPlayfieldDies | kFlagAnimates);
}

// What the script does between frames, the same in a recording and in its playback.
const Loadout* g_loadout = nullptr;
struct Seen {
  int32_t score, kills, gems, counterBombs, bombsLaunched;
};
Seen g_seen;
int32_t g_scoreAtLastPicture = -1;
uint32_t g_weapons = 0;

void NoteWeapons() {
  if (GetPlayerField(kPlayerOverdrive) > 0) g_weapons |= kSeenOverdrive;
  for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
    const int32_t kind = GetActorField(kFieldKind, a);
    if (kind < 0x20000007 || kind > 0x2000000F) continue;
    g_weapons |= 1u << (kind & 0xF);
    const int32_t row = GetActorField(33, a);
    if (kind == 0x20000007 && row == 7) g_weapons |= kSeenBurst;
    if (kind == 0x20000007 && row == 3) g_weapons |= kSeenTwin;
    if (kind == 0x20000007 && row == 5) g_weapons |= kSeenHeavy;
  }
  // Beams live one frame and are gone when the frame is over; their drawing stays in the list.
  for (int e = kDrawSubLayerCount; e < DrawEntriesUsed(); ++e) {
    if (g_DrawEntries[e].sprite == (1160u | kSpriteAdditive)) g_weapons |= kSeenBeam;
    if (g_DrawEntries[e].sprite == (1173u | kSpriteAdditive)) g_weapons |= kSeenSpread;
  }
}

void Script(int frame) {
  if (frame == 1) {
    SetSettingsSlot(kSlotDifficulty, kRevised);
    SetSettingsSlot(kSlotCharacter, g_loadout->character);
    SetSettingsSlot(kSlotStartArea, 0);
    SetSettingsSlot(kSlotRigChoice, g_loadout->rig);
    SetSettingsSlot(kSlotIntermission, 1);   // no intro card: the play starts at once
  }
  if (frame <= P || GetPlayerActor() < 1) return;
  NoteWeapons();
  for (int at : kTargetsAt) {
    if (frame == at) PlaceTarget(std::min(PlayerX() + 180, 600), PlayerY(), 30, 0);
  }
  if (frame == kItemsAt) {
    // An extra life, a bomb and a play order enter from the right and bounce about.
    SpawnItem(640, 120, 10800, 512, 4);
    SpawnItem(640, 240, 10000, 512, 6);
    SpawnItem(640, 360, 11600, 512, 9);
  }
  if (frame == kHealedTargetAt) PlaceTarget(560, 120, 40, 0x8);
  if (frame == kBulletRingAt) {
    for (int i = 0; i < 12; ++i) {
      int dx, dy;
      PolarToXY(&dx, &dy, 1800 * i, 48);
      PlaceBullet(PlayerX() + dx, PlayerY() + dy);
    }
  }
  if (frame == kHitAt) {
    SetGameVar(kVarInvulnerable, 0);
    PlaceBullet(PlayerX(), PlayerY());
  }
  if (frame == kLastPicture) g_scoreAtLastPicture = GetGameVar(kVarScore);
  if (frame == kPlayEnd) {
    g_seen = {GetGameVar(kVarScore), GetGameVar(kVarKills), GetGameVar(kVarGemsTaken),
              GetGameVar(kVarCounterBombs), GetGameVar(kVarBombsLaunched)};
  }
  if (frame == kPlayEnd + 1 && !(GetSettingsSlot(kSlotPlayMode) & kPlayReplay)) EndReplay();
}

class StagePlay : public ::testing::TestWithParam<Loadout> {
protected:
  void SetUp() override {
    root = NewTempFolder("/tmp/vlx_stage_XXXXXX");
    folder = root + "/game";
    ASSERT_TRUE(MakeDataSet(folder));
    std::error_code ec;
    ASSERT_TRUE(std::filesystem::copy_file(folder + "/velmarondix.sav", root + "/settings.sav", ec)) << ec.message();
    g_loadout = &GetParam();
  }
  void TearDown() override {
    RemoveFolder(root);
  }
  // Every run starts from the settings file the data set came with: a run saves its own (the seed
  // mix, play orders earned), which would give the next run another seed.
  HarnessOptions Options(const std::string& renderer) const {
    std::error_code ec;
    EXPECT_TRUE(std::filesystem::copy_file(root + "/settings.sav", folder + "/velmarondix.sav",
                                           std::filesystem::copy_options::overwrite_existing, ec))
        << ec.message();
    HarnessOptions o;
    o.folder = folder;
    o.frames = kPlayEnd + 3;
    o.screenshotDir = root;
    o.renderer = renderer;
    o.hashFrames = true;
    o.startPlayFrame = kPlayStart;
    o.inputScript = Keys(GetParam());
    o.onFrame = Script;
    return o;
  }
  // The play recorded headless into root/play.rpy.
  void Record(HarnessResult* result) {
    HarnessOptions o = Options("nodisplay");
    o.recordReplay = root + "/play.rpy";
    ASSERT_EQ(RunHarness(o, result), 0);
    ASSERT_TRUE(result->replayRecorded);
  }
  // Options that play the recording back from the frame the recording began its play.
  HarnessOptions Playback(const std::string& renderer) const {
    HarnessOptions p = Options(renderer);
    p.startPlayFrame = -1;
    p.inputScript.clear();
    p.playbackReplay = root + "/play.rpy";
    p.playbackFrame = kPlayStart;
    return p;
  }
  std::string root, folder;
};

TEST_P(StagePlay, RepeatsExactlyAndPlaysBackFrameByFrame) {
  g_weapons = 0;
  HarnessResult first;
  ASSERT_NO_FATAL_FAILURE(Record(&first));
  const Seen seen = g_seen;
  // The script met what it placed and the loadout did its work.
  EXPECT_GT(seen.score, 0);
  EXPECT_GE(seen.kills, 3);
  EXPECT_GT(seen.gems, 10);
  EXPECT_EQ(seen.counterBombs, 1);
  EXPECT_EQ(seen.bombsLaunched, 1);
  EXPECT_EQ(g_weapons & GetParam().weapons, GetParam().weapons) << std::hex << g_weapons;

  HarnessOptions again = Options("nodisplay");
  HarnessResult second;
  ASSERT_EQ(RunHarness(again, &second), 0);
  EXPECT_EQ(second.frames, first.frames);
  EXPECT_EQ(second.draws, first.draws);
  EXPECT_EQ(second.drawCounts, first.drawCounts);
  EXPECT_EQ(g_seen.score, seen.score);

  HarnessResult back;
  ASSERT_EQ(RunHarness(Playback("nodisplay"), &back), 0);
  ASSERT_TRUE(back.playbackStarted);
  ASSERT_EQ(back.firstPlayFrame, first.firstPlayFrame);
  EXPECT_EQ(back.playModes[kPlayEnd] & 0xFF, 2 | kPlayFrames | kPlayReplay);
  EXPECT_EQ(g_seen.score, seen.score);
  EXPECT_EQ(g_seen.kills, seen.kills);
  EXPECT_EQ(g_seen.gems, seen.gems);
  for (int f = first.firstPlayFrame + 1; f <= kPlayEnd; ++f) {
    ASSERT_EQ(back.drawCounts[size_t(f)] - back.drawCounts[size_t(f) - 1],
              first.drawCounts[size_t(f)] - first.drawCounts[size_t(f) - 1])
        << "frame " << f;
  }
}

bool DisplayAvailable() {
  const char* headless = std::getenv("VLX_HEADLESS");
  if (headless && std::string(headless) == "1") return false;
  const char* x = std::getenv("DISPLAY");
  const char* wl = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (wl && *wl);
}

// The frames kept as pictures: the entrance, targets under fire, the sub weapon, the bomb with
// the ring of bullets turned into gems, the gems homing in, the counter bomb.
const int kPictureFrames[] = {P + 100, P + 250, P + 270, P + 306, P + 330, P + 360, P + 712, kLastPicture};

// The recorded play played back in the real window (under the virtual X server in CI): the same
// play, drawn by the software renderer, with its pictures kept where VLX_STAGE_PICTURES says.
class StagePlayWindow : public StagePlay {
protected:
  void SetUp() override {
    if (!DisplayAvailable()) {
      if (std::getenv("VLX_REQUIRE_DISPLAY")) FAIL() << "no display under the X server wrapper";
      GTEST_SKIP() << "no display";
    }
    StagePlay::SetUp();
  }
  void TearDown() override {
    if (!root.empty()) StagePlay::TearDown();
  }
};

TEST_P(StagePlayWindow, PlaysInAWindowAndKeepsItsPictures) {
  HarnessResult recorded;
  ASSERT_NO_FATAL_FAILURE(Record(&recorded));
  const int32_t score = g_scoreAtLastPicture;

  const char* keep = std::getenv("VLX_STAGE_PICTURES");
  const std::string dir = (keep && *keep ? std::string(keep) : root + "/pictures") + "/" + GetParam().name;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  ASSERT_FALSE(ec) << ec.message();
  HarnessOptions w = Playback("soft");
  w.window = true;
  w.virtualClock = true;
  w.hashFrames = false;
  w.frames = kLastPicture + 1;
  w.screenshotDir = dir;
  w.screenshotFrames.assign(std::begin(kPictureFrames), std::end(kPictureFrames));
  g_scoreAtLastPicture = -1;
  HarnessResult shown;
  ASSERT_EQ(RunHarness(w, &shown), 0);
  ASSERT_TRUE(shown.playbackStarted);
  ASSERT_EQ(shown.screenshots.size(), std::size(kPictureFrames));
  for (const std::string& file : shown.screenshots) {
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0) << file;
    EXPECT_GT(st.st_size, 20000) << file;   // a full playfield, not a blank screen
  }
  EXPECT_EQ(g_scoreAtLastPicture, score);   // the very play that was recorded
}

INSTANTIATE_TEST_SUITE_P(Loadouts, StagePlayWindow, ::testing::ValuesIn(kLoadouts),
                         [](const ::testing::TestParamInfo<Loadout>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Loadouts, StagePlay, ::testing::ValuesIn(kLoadouts),
                         [](const ::testing::TestParamInfo<Loadout>& info) { return std::string(info.param.name); });

}  // namespace
