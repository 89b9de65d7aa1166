// Enemy bullet patterns: fan geometry and row speeds, the speed scale by level and floor, the
// random spray's draws, the switches, the timing of every motion mode, the sprite sets and the
// one-frame hazards.
#include <deque>
#include <string>
#include <vector>

#include "enemy_fixture.h"

namespace {

using Bullets = EnemyScene;

struct Flight {
  int heading, speed, vx, vy;
  bool operator==(const Flight& o) const {
    return heading == o.heading && speed == o.speed && vx == o.vx && vy == o.vy;
  }
};
std::ostream& operator<<(std::ostream& os, const Flight& f) {
  return os << "{" << f.heading << ", " << f.speed << ", " << f.vx << ", " << f.vy << "}";
}

Flight Expect(int heading, int speed) {
  Flight f{heading, speed, 0, 0};
  PolarToXY(&f.vx, &f.vy, heading, speed);
  return f;
}

std::vector<Flight> Flights() {
  std::vector<Flight> out;
  for (int b : EnemyScene::BulletActors()) {
    out.push_back({GetActorField(kFieldHeading, b), GetActorField(kFieldSpeed, b), GetActorField(kFieldVx, b),
                   GetActorField(kFieldVy, b)});
  }
  return out;
}

void ClearBullets() {
  for (int b : EnemyScene::BulletActors()) DeleteActor(b);
  for (int e : EnemyScene::OfKind(kKindEffect)) {
    if (GetActorField(kFieldSprite, e) == static_cast<int32_t>(kMuzzleSprite)) DeleteActor(e);
  }
}

TEST_F(Bullets, FanRowsStraddleTheHeadingAndEachRowIsFasterByTwiceTheSpeed) {
  // REVISED at level 4: factor max(4 + 2, 5) = 6, so speed 10 flies at 2 x 10 x 2 x 6 = 240.
  ResetBulletPattern(320, 240, 3, 10800, 10);
  g_BulletPattern.ways = 2;
  g_BulletPattern.spread = 600;
  g_BulletPattern.rows = 3;
  FireBulletPattern();
  EXPECT_EQ(Flights(), (std::vector<Flight>{Expect(10500, 240), Expect(11100, 240), Expect(10500, 260),
                                            Expect(11100, 260), Expect(10500, 280), Expect(11100, 280)}));
  for (int b : BulletActors()) {
    EXPECT_EQ(Flags(b), 0x20200000u);
    EXPECT_EQ(F(b, kFieldSprite), 1536 + 4 * 3);
    EXPECT_EQ(F(b, kFieldLayer), 24);
    EXPECT_EQ(F(b, kFieldBulletType), 3);
    EXPECT_EQ(F(b, kFieldRotation), 0);   // types below 16 are drawn unrotated
    EXPECT_EQ(F(b, kFieldX), 320);
  }
  ClearBullets();

  // Odd counts centre on the heading; the half width truncates toward zero, also for a negative
  // spread.
  ResetBulletPattern(320, 240, 20, 10800, 10);
  g_BulletPattern.ways = 4;
  g_BulletPattern.spread = 601;
  FireBulletPattern();
  EXPECT_EQ(Flights(), (std::vector<Flight>{Expect(9899, 240), Expect(10500, 240), Expect(11101, 240),
                                            Expect(11702, 240)}));
  EXPECT_EQ(F(BulletActors()[0], kFieldRotation), 9899);   // type 16 and up keeps its heading
  ClearBullets();
  ResetBulletPattern(320, 240, 3, 10800, 10);
  g_BulletPattern.ways = 2;
  g_BulletPattern.spread = -601;
  FireBulletPattern();
  EXPECT_EQ(Flights(), (std::vector<Flight>{Expect(11100, 240), Expect(10499, 240)}));
  ClearBullets();

  // One way ignores the spread; none fires only the muzzle flash.
  ResetBulletPattern(320, 240, 3, 7000, 10);
  g_BulletPattern.spread = 5000;
  FireBulletPattern();
  EXPECT_EQ(Flights(), (std::vector<Flight>{Expect(7000, 240)}));
  ClearBullets();
  ResetBulletPattern(50, 60, 3, 7000, 10);
  g_BulletPattern.ways = 0;
  FireBulletPattern();
  EXPECT_TRUE(BulletActors().empty());
  std::vector<int> flashes = OfKind(kKindEffect);
  ASSERT_EQ(flashes.size(), 2u);   // the session and the flash
  const int flash = flashes[1];
  EXPECT_EQ(F(flash, kFieldSprite), static_cast<int32_t>(kMuzzleSprite));
  EXPECT_EQ(static_cast<uint32_t>(F(flash, kFieldColour)), 0xFFFFFF7Fu);
  EXPECT_EQ(F(flash, kFieldLayer), 26);
  EXPECT_EQ(F(flash, kFieldX), 50);
  Frames(15);
  EXPECT_TRUE(Alive(flash));
  EXPECT_EQ(static_cast<uint32_t>(F(flash, kFieldColour)), 0xFFFFFF7Fu);   // no fade
  Frame();
  EXPECT_FALSE(Alive(flash));
}

TEST_F(Bullets, SpeedFollowsTheLevelAboveTheFloorAndTheLevelAtTheReset) {
  struct Case {
    int difficulty, level, expected;
  };
  // NOVICE at level 2: 16 s / 256; DEMONIC at 11: 52 s / 256; UNLIMITED at 3 stays on its floor 7.
  for (const Case& c : {Case{kNovice, 2, 160}, Case{kDemonic, 11, 520}, Case{kUnlimited, 3, 280}}) {
    SetGameVar(kVarDifficulty, c.difficulty);
    SetGameVar(kVarBulletFloor, std::max(2 * c.difficulty + 3, 4));
    Level(c.level);
    ResetBulletPattern(320, 240, 0, 0, 10);
    FireBulletPattern();
    ASSERT_EQ(BulletActors().size(), 1u);
    EXPECT_EQ(F(BulletActors()[0], kFieldSpeed), c.expected) << c.difficulty;
    ClearBullets();
  }
  // The block keeps the level of its reset; the plain scale reads the level now.
  Level(2);
  ResetBulletPattern(320, 240, 0, 0, 10);
  Level(20);
  FireBulletPattern();
  EXPECT_EQ(F(BulletActors()[0], kFieldSpeed), 20 * 2 * 7);   // UNLIMITED's floor 7 over level 2 + 2
  EXPECT_EQ(ScaleBulletSpeed(10), 20 * 22);
  EXPECT_EQ(ScaleBulletSpeedAtReset(10), 20 * 7);
  EXPECT_EQ(ScaleBulletSpeedPlus(40), 80 * 22 + 960);
}

TEST_F(Bullets, RandomSprayDrawsEachSpeedBeforeItsHeadingAndIgnoresRows) {
  static std::vector<int> asked;
  static std::deque<int> answers;
  asked.clear();
  answers = {0, 0, 240, 1200, 100, 300};
  g_Engine.GetRandomUpToLocked = [](int n) {
    asked.push_back(n);
    const int a = answers.front();
    answers.pop_front();
    return a;
  };
  ResetBulletPattern(320, 240, 17, 10800, 10);   // v = 240
  g_BulletPattern.ways = -3;
  g_BulletPattern.spread = 1200;
  g_BulletPattern.rows = 3;
  FireBulletPattern();
  EXPECT_EQ(asked, (std::vector<int>{240, 1200, 240, 1200, 240, 1200}));
  // s = draw + v, h = draw + heading - spread / 2.
  EXPECT_EQ(Flights(), (std::vector<Flight>{Expect(10200, 240), Expect(11400, 480), Expect(10500, 340)}));
}

TEST_F(Bullets, InvisibleTypesNegativeModesAndTheSwitch) {
  ResetBulletPattern(320, 240, -1, 0, 10);
  g_BulletPattern.radius = 6;
  FireBulletPattern();
  ASSERT_EQ(BulletActors().size(), 1u);
  const int b = BulletActors()[0];
  EXPECT_EQ(Flags(b), 0x30200000u);
  EXPECT_EQ(F(b, kFieldSprite), 0);
  EXPECT_EQ(F(b, kFieldRadius), 6);
  EXPECT_EQ(g_BulletPattern.bulletFlags, 0x30200000u);
  ClearBullets();
  const int actors = CountActorsWithFlags(0xFFFFFFFFu);

  ResetBulletPattern(320, 240, 3, 0, 10);
  g_BulletPattern.motionMode = -1;
  FireBulletPattern();
  EXPECT_EQ(CountActorsWithFlags(0xFFFFFFFFu), actors);   // not even the muzzle flash
  SetBulletsEnabled(0);
  ResetBulletPattern(320, 240, 3, 0, 10);
  FireBulletPattern();
  EXPECT_EQ(CountActorsWithFlags(0xFFFFFFFFu), actors);
  SetBulletsEnabled(1);
  ResetBulletPattern(320, 240, 3, 0, 10);
  g_BulletPattern.muzzleSprite = 0;
  FireBulletPattern();
  EXPECT_EQ(BulletActors().size(), 1u);
  EXPECT_EQ(OfKind(kKindEffect).size(), 1u);   // the session only
}

TEST_F(Bullets, MotionModesRunOnTheirFrames) {
  // Heading 0 at 240: vx 240, vy 0. Fired outside an update at age 0.
  auto fire = [](int y, int mode, int param) {
    ResetBulletPattern(100, y, 3, 0, 10);
    g_BulletPattern.motionMode = mode;
    g_BulletPattern.modeParam = param;
    FireBulletPattern();
    const int b = EnemyScene::BulletActors().back();
    EXPECT_EQ(GetActorField(kFieldBulletMotion, b), mode);
    return b;
  };
  const int still = fire(10, kMotionStraight, 0);
  const int stop = fire(20, kMotionStopAndGo, 10);
  const int drift = fire(30, kMotionDrift, 0);
  const int brief = fire(40, kMotionShortLived, 5);
  const int pause = fire(50, kMotionPause, 6);
  const int fall = fire(60, kMotionFalling, 0);
  EXPECT_EQ(F(stop, kFieldVx), 0);
  std::vector<std::string> trace;
  for (int frame = 1; frame <= 92; ++frame) {
    Frame();
    // Bullets move right at 240: keep them on the playfield past frame 60.
    for (int b : BulletActors()) SetActorField(kFieldSubX, b, 100 * 256);
    char line[128];
    std::snprintf(line, sizeof line, "%d: still %d stop %d drift %d brief %d pause %d fall %d", frame,
                  F(still, kFieldVx), F(stop, kFieldVx), F(drift, kFieldVx), Alive(brief) ? 1 : 0,
                  F(pause, kFieldVx), F(fall, kFieldVy));
    if (frame <= 12 || frame >= 89) trace.push_back(line);
  }
  EXPECT_EQ(trace, (std::vector<std::string>{
                       "1: still 240 stop 0 drift 240 brief 1 pause 240 fall 16",
                       "2: still 240 stop 0 drift 240 brief 1 pause 240 fall 32",
                       "3: still 240 stop 0 drift 240 brief 1 pause 240 fall 48",
                       "4: still 240 stop 0 drift 240 brief 1 pause 0 fall 64",
                       "5: still 240 stop 0 drift 240 brief 0 pause 0 fall 80",
                       "6: still 240 stop 0 drift 240 brief 0 pause 0 fall 96",
                       "7: still 240 stop 0 drift 240 brief 0 pause 0 fall 112",
                       "8: still 240 stop 0 drift 240 brief 0 pause 0 fall 128",
                       "9: still 240 stop 0 drift 240 brief 0 pause 0 fall 144",
                       "10: still 240 stop 240 drift 240 brief 0 pause 240 fall 160",
                       "11: still 240 stop 480 drift 240 brief 0 pause 240 fall 176",
                       "12: still 240 stop 480 drift 240 brief 0 pause 240 fall 192",
                       "89: still 240 stop 480 drift 240 brief 0 pause 240 fall 1424",
                       "90: still 240 stop 480 drift 208 brief 0 pause 240 fall 1440",
                       "91: still 240 stop 480 drift 176 brief 0 pause 240 fall 1456",
                       "92: still 240 stop 480 drift 144 brief 0 pause 240 fall 1472",
                   }));
}

TEST_F(Bullets, ABulletFiredOffTheScreenComesInAndIsRemovedOnlyFromFrame60) {
  ResetBulletPattern(700, 100, 3, 0, 10);
  FireBulletPattern();
  const int b = BulletActors()[0];
  Frames(60);
  EXPECT_TRUE(Alive(b));
  EXPECT_TRUE(Flags(b) & kFlagOffPlayfieldDies);
  Frame();
  EXPECT_FALSE(Alive(b));
}

TEST_F(Bullets, SpriteSetsAndTheirSwap) {
  EXPECT_EQ(GetBulletSprite(5), 1556);
  ResetBulletPattern(100, 100, 5, 0, 1);
  FireBulletPattern();
  SetBulletAltSpriteFlag(1);
  EXPECT_EQ(GetBulletSprite(5), 1684);
  ResetBulletPattern(100, 200, 5, 0, 1);
  FireBulletPattern();
  std::vector<int> b = BulletActors();
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(F(b[0], kFieldSprite), 1556);   // the switch takes new bullets only
  EXPECT_EQ(F(b[1], kFieldSprite), 1684);
  // An enemy flagged as a bullet lies outside the bullets' group and keeps its sprite.
  const int beam = Still(6, 300, 300);
  const int32_t beamSprite = F(beam, kFieldSprite);
  SwapEnemyBulletSprites(1);
  EXPECT_EQ(F(b[0], kFieldSprite), 1684);
  EXPECT_EQ(F(b[1], kFieldSprite), 1684);
  EXPECT_EQ(F(beam, kFieldSprite), beamSprite);
  EXPECT_TRUE(IsBulletAltSpriteSet());
  SwapEnemyBulletSprites(0);
  EXPECT_EQ(F(b[0], kFieldSprite), 1556);
  EXPECT_EQ(F(b[1], kFieldSprite), 1556);
  EXPECT_EQ(GetBulletSprite(5), 1556);
  SwapEnemyBulletSprites(0);
  EXPECT_EQ(F(b[0], kFieldSprite), 1556);
}

TEST_F(Bullets, OneFrameHazards) {
  const int shot = SpawnOneFrameBullet(200, 210, 12);
  const int zone = SpawnHiddenHitZone(300, 310, 40);
  ASSERT_GT(shot, 0);
  ASSERT_GT(zone, 0);
  EXPECT_EQ(F(shot, kFieldKind), kKindEnemyBullet);
  EXPECT_EQ(F(shot, kFieldSprite), 1568);
  EXPECT_EQ(F(shot, kFieldRadius), 12);
  EXPECT_EQ(F(shot, kFieldLayer), 24);
  EXPECT_EQ(Flags(shot), 0x40220000u);
  EXPECT_EQ(F(zone, kFieldSprite), 0);
  EXPECT_EQ(F(zone, kFieldRadius), 40);
  EXPECT_EQ(Flags(zone), 0x10200000u);
  Frame();
  EXPECT_FALSE(Alive(shot));
  EXPECT_TRUE(Alive(zone));
  Frame();
  EXPECT_FALSE(Alive(zone));
}

}  // namespace
