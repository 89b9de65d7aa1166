// Spawners on the real actor pool and command scheduler. Random draws go to the engine's
// generator through a wrapper that notes each range asked for, so a test sees how many draws a
// family makes and in which order, and reseeding gives the values it must have used.
#include <string>
#include <vector>

#include "actor_fixture.h"
#include "engine/engine.h"
#include "engine_recorder.h"
#include "game/framework/settings.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"

namespace {

constexpr uint32_t kSeed = 20260709;
std::vector<int> g_asked;

class Spawners : public ActorPool {
protected:
  void SetUp() override {
    ActorPool::SetUp();
    recorder::Install();
    ClearSettingsRawStore();
    SetSettingsSlot(kSlotPlayMode, 0);
    StopBgm();
    g_asked.clear();
    g_Engine.GetRandomUpToLocked = [](int n) {
      g_asked.push_back(n);
      return GetRandomUpToLocked(n);
    };
    SeedRandomLocked(kSeed);
    SetCurrentActor(77);
  }
  void TearDown() override {
    StopBgm();
    ResetEngineEntries();
    ActorPool::TearDown();
  }
  // The values the generator gave for the ranges asked so far, drawn again after reseeding.
  static std::vector<int> Replayed() {
    SeedRandomLocked(kSeed);
    std::vector<int> out;
    for (int n : g_asked) out.push_back(GetRandomUpToLocked(n));
    return out;
  }
  // The actors of group 6 in list order.
  static std::vector<int> Effects() {
    std::vector<int> out;
    for (int a : ListOrder()) {
      if (a > 10 && (GetActorField(kFieldKind, a) >> 28) == 6) out.push_back(a);
    }
    return out;
  }
  static int F(int field, int a) { return GetActorField(field, a); }
  static uint32_t Flags(int a) { return uint32_t(GetActorField(kFieldFlags, a)); }
  static void FillPool() {
    while (AllocActor() >= 0) {
      SetCurrentActor(AllocActor());
      InitCurActor(kKindEffect, 1, 600);
    }
    SetCurrentActor(77);
  }
};

TEST_F(Spawners, BaseSpawnersBuildTheActorAndGiveTheCurrentOneBack) {
  const int32_t sprite = int32_t(0xE3000600u);   // flags above bit 28 ride along
  const int e = SpawnEffect(10, 20, 5, sprite);
  EXPECT_EQ(F(kFieldKind, e), kKindEffect);
  EXPECT_EQ(F(kFieldX, e) * 1000 + F(kFieldY, e), 10020);
  EXPECT_EQ(F(kFieldSubX, e), 10 * 256);
  EXPECT_EQ(F(kFieldLayer, e), 5);
  EXPECT_EQ(F(kFieldSprite, e), sprite);          // all 32 bits
  EXPECT_EQ(uint32_t(F(kFieldColour, e)), 0xFFFFFFFFu);
  EXPECT_EQ(F(kFieldScale, e), 1000);

  const int m = SpawnMovingEffect(0, 0, 6, sprite, 5400, 512);
  EXPECT_EQ(F(kFieldSprite, m), 0x03000600);      // the pool keeps 28 bits
  EXPECT_EQ(F(kFieldVx, m), 0);
  EXPECT_EQ(F(kFieldVy, m), 512);
  EXPECT_EQ(F(kFieldHeading, m), 5400);
  EXPECT_EQ(F(kFieldRotation, m), 5400);
  EXPECT_EQ(F(kFieldSpeed, m), 512);

  const int k = SpawnActor(1, 2, 3, 700, 0x30000005);
  const int mk = SpawnMovingActor(1, 2, 3, 700, 10800, 256, 0x40000002);
  EXPECT_EQ(F(kFieldKind, k), 0x30000005);
  EXPECT_EQ(F(kFieldKind, mk), 0x40000002);
  EXPECT_EQ(F(kFieldVx, mk), -256);
  EXPECT_EQ(GetCurrentActor(), 77);

  // Labels and rectangles.
  const int label = SpawnLabelActorEx(5, 6, 7, 6, -123, 0x11223344, 9);
  EXPECT_EQ(F(kFieldSprite, label), 6);
  EXPECT_EQ(F(kFieldValue, label), -123);
  EXPECT_EQ(F(kFieldDigits, label), 9);
  EXPECT_EQ(uint32_t(F(kFieldColour, label)), 0x11223344u);
  EXPECT_EQ(F(kFieldDigits, SpawnLabelActor(0, 0, 1, 5, 1, 0)), 5);
  const int rect = SpawnRectActor(0, 0, 640, 480, 0, 0x000000FF);
  EXPECT_EQ(F(kFieldKind, rect), kKindRect);
  EXPECT_EQ(F(kFieldSprite, rect), 2);
  EXPECT_EQ(F(kFieldScale, rect) * 1000 + F(kFieldCornerY, rect), 640480);
  EXPECT_EQ(F(kFieldColour, rect), 0xFF);
  EXPECT_EQ(GetCurrentActor(), 77);
  EXPECT_TRUE(g_asked.empty());

  // A full pool: nothing is created, no command scheduled, and only the draws made before a
  // spawn happen (three per burst particle, two per sparkle, two per spinning piece, a ring's
  // start heading).
  FillPool();
  const int commands = CountActorCommands();
  EXPECT_EQ(SpawnEffect(0, 0, 1, 600), -1);
  EXPECT_EQ(SpawnMovingEffect(0, 0, 1, 600, 0, 1), -1);
  EXPECT_EQ(SpawnActor(0, 0, 1, 600, 0x30000001), -1);
  EXPECT_EQ(SpawnMovingActor(0, 0, 1, 600, 0, 1, 0x30000001), -1);
  EXPECT_EQ(SpawnLabelActor(0, 0, 1, 5, 1, 0), -1);
  EXPECT_EQ(SpawnRisingLabel(0, 0, 1, 5, 1, 0), -1);
  EXPECT_EQ(SpawnRectActor(0, 0, 1, 1, 1, 0), -1);
  EXPECT_EQ(SpawnParticle(0, 0, 1, 600, 0, 1, 1000), -1);
  EXPECT_EQ(SpawnSpark(0, 0, 1, 600, 0, 1), -1);
  EXPECT_EQ(SpawnDebris(0, 0, 1, 600, 1000), -1);
  EXPECT_EQ(SpawnTrail(0, 0, 600, 0, 1, 10), -1);
  EXPECT_EQ(SpawnShockwave(0, 0, 1, 600, 10), -1);
  EXPECT_TRUE(g_asked.empty());
  SpawnParticleBurst(0, 0, 1, 600, 3, 100);
  SpawnDebrisBurst(0, 0, 1, 600, 3, 100);
  SpawnParticleRing(0, 0, 1, 600, 4, 100);
  SpawnDebrisRing(0, 0, 1, 600, 4, 100);
  SpawnSpinningDebris(0, 0, 1, 600, 2, 2, 100, 0, 0);
  SpawnGridSparkles(0, 0, 1, 600, 2);
  StartScreenCrossfade();
  EXPECT_EQ(g_asked, (std::vector<int>{1000, 100, 21600, 1000, 100, 21600, 1000, 100, 21600,
                                       21600, 21600, 100, 21600, 100, 21600, 1, 1, 1, 1}));
  EXPECT_EQ(CountActorCommands(), commands);
  EXPECT_EQ(GetCurrentActor(), 77);
}

TEST_F(Spawners, BurstsAndRingsDrawInTheirOrder) {
  SpawnParticleBurst(300, 200, 9, 600, 3, 100);
  EXPECT_EQ(g_asked, (std::vector<int>{1000, 100, 21600, 21600, 1000, 100, 21600, 21600, 1000,
                                       100, 21600, 21600}));
  std::vector<int> r = Replayed();
  std::vector<int> parts = Effects();
  ASSERT_EQ(parts.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const int p = parts[i];
    EXPECT_EQ(F(kFieldScale, p), 1000 + r[4 * i]);
    EXPECT_EQ(F(kFieldSpeed, p), 100 + r[4 * i + 1]);
    EXPECT_EQ(F(kFieldHeading, p), r[4 * i + 2]);
    EXPECT_EQ(F(kFieldRotation, p), r[4 * i + 3]);
    EXPECT_EQ(Flags(p), kFlagAnimates | kFlagOffPlayfieldDies);
    EXPECT_EQ(F(kFieldLayer, p), 9);
  }
  EXPECT_EQ(CountActorCommands(), 6);   // a fade and a deletion each

  ResetActors();
  g_asked.clear();
  SeedRandomLocked(kSeed);
  SpawnParticleRing(300, 200, 9, 600, 4, 512);
  SpawnParticleRing(300, 200, 9, 600, 0, 512);
  SpawnDebrisRing(300, 200, 9, 600, -2, 512);
  EXPECT_EQ(g_asked, (std::vector<int>{21600, 21600, 21600, 21600, 21600}));
  r = Replayed();
  parts = Effects();
  ASSERT_EQ(parts.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(F(kFieldHeading, parts[i]), r[0] + 5400 * i);
    EXPECT_EQ(F(kFieldRotation, parts[i]), r[i + 1]);
    EXPECT_EQ(F(kFieldScale, parts[i]), 1000);
    EXPECT_EQ(F(kFieldSpeed, parts[i]), 512);
  }

  ResetActors();
  g_asked.clear();
  SeedRandomLocked(kSeed);
  SpawnDebrisBurst(300, 200, 9, 600, 2, 50);
  SpawnDebrisRing(300, 200, 9, 600, 3, 256);
  EXPECT_EQ(g_asked, (std::vector<int>{21600, 50, 21600, 21600, 50, 21600, 21600, 21600, 21600, 21600}));
  r = Replayed();
  parts = Effects();
  ASSERT_EQ(parts.size(), 5u);
  for (int i = 0; i < 2; ++i) {
    // The velocity turns the piece to its heading, over the drawn rotation.
    EXPECT_EQ(F(kFieldSpeed, parts[i]), 50 + r[3 * i + 1]);
    EXPECT_EQ(F(kFieldHeading, parts[i]), r[3 * i + 2]);
    EXPECT_EQ(F(kFieldRotation, parts[i]), r[3 * i + 2]);
    EXPECT_EQ(Flags(parts[i]), kFlagAnimates | kFlagOffPlayfieldDies);
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(F(kFieldHeading, parts[2 + i]), r[6] + 7200 * i);
    EXPECT_EQ(F(kFieldSpeed, parts[2 + i]), 256);
  }
  int vx = 0, vy = 0;
  PolarToXY(&vx, &vy, r[6] + 7200, 256);
  EXPECT_EQ(F(kFieldVx, parts[3]), vx);
  EXPECT_EQ(F(kFieldVy, parts[3]), vy);

  // Single pieces draw their rotation once; trails and shockwaves draw nothing.
  ResetActors();
  g_asked.clear();
  const int spark = SpawnSpark(10, 10, 3, 600, 0, 300);
  const int debris = SpawnDebris(10, 10, 3, 600, 1500);
  const int trail = SpawnTrail(10, 10, 600, 10800, 300, 40);
  const int wave = SpawnShockwave(10, 10, 3, 600, 250);
  EXPECT_EQ(g_asked, (std::vector<int>{21600, 21600}));
  EXPECT_EQ(Flags(spark), kFlagOffPlayfieldDies);
  EXPECT_EQ(F(kFieldScale, debris), 1500);
  EXPECT_EQ(F(kFieldVx, debris), 0);
  EXPECT_EQ(F(kFieldLayer, trail), 26);
  EXPECT_EQ(F(kFieldVx, trail), -300);
  EXPECT_EQ(F(kFieldScale, wave), 500);
  EXPECT_EQ(CountActorCommands(), 1 + 3 + 3);
}

TEST_F(Spawners, SpinningDebrisAndGridSparklesWalkTheirDraws) {
  SpawnSpinningDebris(320, 240, 4, 700, 3, 4, 200, 10, -20);
  SpawnSpinningDebris(320, 240, 4, 700, 0, 4, 200, 10, -20);
  EXPECT_EQ(g_asked, (std::vector<int>{200, 21600, 21600, 1, 200, 21600, 21600, 1, 200, 21600, 21600,
                                       1, 200, 21600, 21600, 1}));
  std::vector<int> r = Replayed();
  std::vector<int> parts = Effects();
  ASSERT_EQ(parts.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    const int p = parts[i];
    EXPECT_EQ(F(kFieldSprite, p), 700 + i % 3);
    EXPECT_EQ(F(kFieldSpeed, p), 200 + r[4 * i]);
    EXPECT_EQ(F(kFieldHeading, p), r[4 * i + 1]);
    EXPECT_EQ(F(kFieldRotation, p), r[4 * i + 2]);
    EXPECT_EQ(F(kFieldSpin, p), r[4 * i + 3] ? 300 : -300);
  }
  // The push is added for 20 frames on top of the start velocity; they fade from 16 and go at 24.
  const int p = parts[0];
  const int vx = F(kFieldVx, p);
  for (int f = 0; f < 21; ++f) Frame();
  EXPECT_EQ(F(kFieldVx, p), vx + 10 * 20);
  EXPECT_LT(F(kFieldColour, p) & 0xFF, 255);
  for (int f = 0; f < 3; ++f) Frame();
  EXPECT_FALSE(Alive(p));

  ResetActors();
  g_asked.clear();
  SeedRandomLocked(kSeed);
  SpawnGridSparkles(100, 100, 4, 610, 5);   // starts in cell (7, 3): an odd row
  EXPECT_EQ(g_asked, std::vector<int>(10, 1));
  r = Replayed();
  parts = Effects();
  ASSERT_EQ(parts.size(), 5u);
  EXPECT_EQ(F(kFieldX, parts[0]), 105);
  EXPECT_EQ(F(kFieldY, parts[0]), 91);
  int cx = 7, cy = 3;
  for (int i = 0; i < 5; ++i) {
    const int s = parts[i];
    EXPECT_EQ(F(kFieldX, s), 14 * cx + 7 + (cy % 2 < 1 ? 7 : 0)) << i;
    EXPECT_EQ(F(kFieldY, s), 26 * cy + 13) << i;
    EXPECT_EQ(F(kFieldRotation, s), 16200);
    EXPECT_EQ(uint32_t(F(kFieldColour, s)), 0xFFFFFF80u);
    EXPECT_EQ(Flags(s), kFlagAnimates);
    cx += r[2 * i] ? 1 : -1;
    cy += r[2 * i + 1] ? 1 : -1;
  }
  // Above the top the row is taken toward zero, and a negative odd row is shifted like an even one.
  ResetActors();
  SpawnGridSparkles(30, -30, 4, 610, 1);
  parts = Effects();
  EXPECT_EQ(F(kFieldX, parts[0]), 14 * 2 + 14);
  EXPECT_EQ(F(kFieldY, parts[0]), -13);
}

TEST_F(Spawners, ScriptsRunTheirTimelines) {
  // Particle: opaque to age 8, fading to age 16, deleted at 16.
  const int particle = SpawnParticle(100, 100, 5, 600, 0, 0, 1000);
  std::vector<int> alpha;
  for (int f = 0; f < 16; ++f) {
    alpha.push_back(F(kFieldColour, particle) & 0xFF);
    Frame();
  }
  EXPECT_EQ(alpha, (std::vector<int>{255, 255, 255, 255, 255, 255, 255, 255, 223, 191, 159, 127, 95,
                                     63, 31, 0}));
  EXPECT_FALSE(Alive(particle));
  // Leaving the playfield removes one earlier.
  const int fast = SpawnParticle(640, 100, 5, 600, 0, 9 * 256, 1000);
  Frame();
  EXPECT_FALSE(Alive(fast));

  // Banner: moves left s pixels a frame while fading in, stands from 15, goes right from 75
  // fading by 8, and is deleted at 92 before it is transparent.
  const int banner = SpawnEffect(400, 100, 5, 600);
  StartBannerSlide(banner, 4);
  StartBannerSlide(0, 4);
  std::vector<int> xs, as;
  for (int f = 0; f < 92; ++f) {
    Frame();
    xs.push_back(F(kFieldX, banner));
    as.push_back(F(kFieldColour, banner) & 0xFF);
  }
  EXPECT_EQ(xs[0], 396);
  EXPECT_EQ(xs[14], 340);
  EXPECT_EQ(xs[15], 340);
  EXPECT_EQ(xs[74], 340);
  EXPECT_EQ(xs[75], 344);
  EXPECT_EQ(xs[90], 404);
  EXPECT_EQ(as[0], 16);
  EXPECT_EQ(as[14], 240);
  EXPECT_EQ(as[15], 255);
  EXPECT_EQ(as[73], 255);
  EXPECT_EQ(as[74], 247);
  EXPECT_EQ(as[90], 119);
  EXPECT_FALSE(Alive(banner));

  // Rising label: a pixel up a frame, fading from 8, gone at 36.
  const int rising = SpawnRisingLabel(50, 300, 28, 5, 1234, 0xFFFFFFFF);
  EXPECT_EQ(F(kFieldValue, rising), 1234);
  for (int f = 0; f < 10; ++f) Frame();
  EXPECT_EQ(F(kFieldY, rising), 290);
  EXPECT_LT(F(kFieldColour, rising) & 0xFF, 255);
  for (int f = 0; f < 25; ++f) Frame();
  EXPECT_TRUE(Alive(rising));
  Frame();
  EXPECT_FALSE(Alive(rising));

  // Crossfade: the capture sprite centred at full opacity, faded over 32 frames, gone at 33.
  StartScreenCrossfade();
  const std::vector<int> shown = Effects();
  ASSERT_EQ(shown.size(), 1u);
  const int fade = shown[0];
  EXPECT_EQ(F(kFieldSprite, fade), kSpriteCapture);
  EXPECT_EQ(F(kFieldX, fade) * 1000 + F(kFieldY, fade), 320240);
  EXPECT_EQ(F(kFieldLayer, fade), 28);
  EXPECT_EQ(F(kFieldColour, fade) & 0xFF, 255);
  for (int f = 0; f < 32; ++f) Frame();
  EXPECT_EQ(F(kFieldColour, fade) & 0xFF, 0);
  EXPECT_TRUE(Alive(fade));
  Frame();
  EXPECT_FALSE(Alive(fade));
}

TEST_F(Spawners, RetiringTurnsActorsIntoFadingEffects) {
  const int enemy = SpawnMovingActor(100, 100, 12, 700, 0, 512, 0x30000004);
  AddActorCommand(enemy, kCmdAddHeading, 0, 100, 5, 0);
  const int rect = SpawnRectActor(0, 0, 10, 10, 12, 0x000000FF);
  const int other = SpawnEffect(0, 0, 13, 600);
  SetActorFadeOutDeath(other, 40, 1);
  EXPECT_EQ(RetireActorsOnLayer(12), 2);
  // The enemy keeps its place in the list but is now an effect; its own commands are gone.
  EXPECT_EQ(F(kFieldKind, enemy), kKindEffect);
  EXPECT_EQ(F(kFieldKind, rect), kKindRect);
  EXPECT_EQ(CountActorCommands(), 2 + 2 + 2);
  for (int f = 0; f < 15; ++f) Frame();
  EXPECT_EQ(F(kFieldX, enemy), 130);
  EXPECT_EQ(F(kFieldHeading, enemy), 0);
  EXPECT_TRUE(Alive(enemy));
  Frame();
  EXPECT_FALSE(Alive(enemy));
  EXPECT_FALSE(Alive(rect));
  EXPECT_TRUE(Alive(other));

  // Fade-out death: animates, fades over the last 16 frames, gone at n; without the fade only
  // the deletion; short lives get no fade.
  EXPECT_EQ(Flags(other), kFlagAnimates);
  ResetActors();
  const int faded = SpawnEffect(0, 0, 13, 600);
  const int plain = SpawnEffect(0, 0, 13, 600);
  const int brief = SpawnEffect(0, 0, 13, 600);
  SetActorFadeOutDeath(faded, 40, 1);
  SetActorFadeOutDeath(plain, 40, 0);
  SetActorFadeOutDeath(brief, 10, 1);
  SetActorFadeOutDeath(-1, 10, 1);
  EXPECT_EQ(CountActorCommands(), 4);
  for (int f = 0; f < 23; ++f) Frame();
  EXPECT_FALSE(Alive(brief));
  EXPECT_EQ(F(kFieldColour, faded) & 0xFF, 255);
  Frame();
  EXPECT_EQ(F(kFieldColour, faded) & 0xFF, 239);
  for (int f = 0; f < 15; ++f) Frame();
  EXPECT_TRUE(Alive(faded));
  EXPECT_EQ(F(kFieldColour, plain) & 0xFF, 255);
  Frame();
  EXPECT_FALSE(Alive(faded));
  EXPECT_FALSE(Alive(plain));

  // Sentinels and free slots are never retired: layer 0 is also the layer of the list's heads.
  const std::vector<int> before = ListOrder();
  EXPECT_EQ(RetireActorsOnLayer(0), 0);
  RetireActor(5);
  RetireActor(3999);
  RetireActor(-1);
  EXPECT_EQ(F(kFieldKind, 5), kKindSentinel);
  EXPECT_EQ(F(kFieldKind, 3999), 0);
  EXPECT_EQ(ListOrder(), before);
}

TEST_F(Spawners, MusicTitlesShowOnlyForANewTrack) {
  PlayBgmWithTitle(0);
  std::vector<int> labels = Effects();
  ASSERT_EQ(labels.size(), 1u);
  int l = labels[0];
  EXPECT_EQ(F(kFieldX, l) * 1000 + F(kFieldY, l), 520001);
  EXPECT_EQ(F(kFieldLayer, l), 28);
  EXPECT_EQ(F(kFieldSprite, l), 4);
  EXPECT_EQ(F(kFieldValue, l), 384);
  EXPECT_EQ(uint32_t(F(kFieldColour, l)), 0xFFCF7F00u);   // faded in from nothing
  EXPECT_EQ(CountActorCommands(), 3);
  EXPECT_EQ(GetCurrentBgm(), 0);

  // The same track again: no music change, no label.
  recorder::Take();
  PlayBgmWithTitle(0);
  EXPECT_EQ(Effects().size(), 1u);
  EXPECT_TRUE(recorder::Take().empty());

  PlayBgmWithTitle(3);
  PlayBgmWithTitle(2);
  labels = Effects();
  ASSERT_EQ(labels.size(), 3u);
  EXPECT_EQ(F(kFieldX, labels[1]) * 1000 + F(kFieldY, labels[1]), 465);
  EXPECT_EQ(F(kFieldValue, labels[1]), 387);
  EXPECT_EQ(F(kFieldX, labels[2]) * 1000 + F(kFieldY, labels[2]), 160465);

  // The area intro's track 7 does not exist: the music goes on and no label shows.
  PlayBgmWithTitle(7);
  EXPECT_EQ(GetCurrentBgm(), 2);
  EXPECT_EQ(Effects().size(), 3u);

  // In mission mode every title sits at the bottom left.
  SetSettingsSlot(kSlotPlayMode, kPlayMission | 2);
  PlayBgmWithTitle(1);
  labels = Effects();
  ASSERT_EQ(labels.size(), 4u);
  EXPECT_EQ(F(kFieldX, labels[3]) * 1000 + F(kFieldY, labels[3]), 465);

  // The label lives 120 frames of fading in and showing, then fades out by 153.
  l = labels[3];
  for (int f = 0; f < 40; ++f) Frame();
  EXPECT_EQ(F(kFieldColour, l) & 0xFF, 255);
  for (int f = 0; f < 112; ++f) Frame();
  EXPECT_TRUE(Alive(l));
  Frame();
  EXPECT_FALSE(Alive(l));

  // A full pool loses the label, not the music.
  FillPool();
  PlayBgmWithTitle(0);
  EXPECT_EQ(GetCurrentBgm(), 0);
}

}  // namespace
