#include <climits>

#include "game/framework/actor_fixture.h"

namespace {

using Actors = ActorPool;

TEST_F(Actors, AllocationHandsOutSlotsWithSerialsAndSkipsTheSlotBeforeTheCursor) {
  EXPECT_EQ(ListOrder(), (std::vector<int>{1, 3, 4, 5, 6, 7, 8, 9, 10, 2}));
  const int first = Spawn(kKindEffect);
  const int second = Spawn(kKindEffect);
  EXPECT_EQ(first, 11);
  EXPECT_EQ(GetActorField(kFieldSerial, first), 0);
  EXPECT_EQ(second, 12);
  EXPECT_EQ(GetActorField(kFieldSerial, second), 1);

  // Fill the pool: 3987 slots from 11 to 3997.
  int filled = 2;
  while (Spawn(kKindEffect) > 0) ++filled;
  EXPECT_EQ(filled, kActorLastFree - kActorFirstFree + 1);
  EXPECT_EQ(AllocActor(), -1);

  FreeActor(500);
  EXPECT_EQ(Spawn(kKindEffect), 500);
  // The cursor rests on 500: the slot just before it is passed over once.
  FreeActor(499);
  EXPECT_EQ(AllocActor(), -1);
  EXPECT_EQ(AllocActor(), 499);
  EXPECT_EQ(GetActorField(kFieldSerial, 499), filled + 1);

  // Freeing unlinks: every live actor is in the list exactly once.
  EXPECT_EQ(CountActorsOfKind(kKindEffect), filled - 1);
}

TEST_F(Actors, FieldsAreMaskedAndEveryAccessorStaysInsideThePool) {
  // Field 4 of actor 11 written with 0 is stored as 4 x 11 x 1103515245; fields 0-3 as they are.
  EXPECT_EQ(uint32_t(MaskActorField(4, 11, 0)), uint32_t(4u * 11u * 1103515245u));
  EXPECT_EQ(MaskActorField(3, 11, 1234), 1234);
  EXPECT_EQ(MaskActorField(77, 3999, MaskActorField(77, 3999, -5)), -5);

  const int a = Spawn(kKindEffect, 3, -2, 0x10000000 | 300);
  EXPECT_EQ(GetActorField(kFieldKind, a), kKindSpritePrimitive);   // sprite bit 28 names the kind
  EXPECT_EQ(GetActorField(kFieldSubX, a), 768);
  EXPECT_EQ(GetActorField(kFieldSubY, a), -512);
  EXPECT_EQ(GetActorField(kFieldSprite, a), 300);
  EXPECT_EQ(GetActorField(kFieldLayer, a), 10);
  EXPECT_EQ(uint32_t(GetActorField(kFieldColour, a)), 0xFFFFFFFFu);
  EXPECT_EQ(GetActorField(kFieldScale, a), 1000);
  // ...but the group comes from the kind given: it sits among the effects, before sentinel 9.
  EXPECT_EQ(GetActorField(kFieldNext, a), 9);

  AddActorField(40, a, INT_MAX);
  AddActorField(40, a, 1);
  EXPECT_EQ(GetActorField(40, a), INT_MIN);   // wraps in 32 bits
  IncActorField(40, a);
  EXPECT_EQ(GetActorField(40, a), INT_MIN + 1);
  ClearActorField(41, a);
  DecActorField(41, a);
  EXPECT_EQ(GetActorField(41, a), 0);   // no lower than 0
  OrActorField(kFieldFlags, a, 0x30);
  ClearActorFieldBits(kFieldFlags, a, 0x10);
  EXPECT_EQ(GetActorField(kFieldFlags, a), 0x20);

  SetActorVelocityPolar(a, 5400, 256, 1);
  int x, y, vx, vy;
  GetActorPosVel(&x, &y, &vx, &vy, a);
  EXPECT_EQ(x, 3);
  EXPECT_EQ(y, -2);
  EXPECT_EQ(vx, 0);
  EXPECT_EQ(vy, 256);
  EXPECT_EQ(GetActorField(kFieldRotation, a), 5400);
  SetActorVelocityPolar(-1, 0, 999, 1);   // nothing
  SetActorPosVel(0, 0, 300, -300, a);
  BrakeActorVelocity(a);
  GetActorPosVel(&x, &y, &vx, &vy, a);
  EXPECT_EQ(vx, 44);
  EXPECT_EQ(vy, -44);
  SetActorPosVel(0, 0, 255, INT_MIN, a);
  BrakeActorVelocity(a);
  EXPECT_EQ(GetActorField(kFieldVx, a), 0);
  EXPECT_EQ(GetActorField(kFieldVy, a), INT_MIN + 256);
  SetActorHp(a, 70);
  EXPECT_EQ(GetActorField(kFieldHpMax, a), 70);

  // Stale indices and field numbers read 0 and write nothing: the neighbours in the field-major
  // store (actor 0 of the next field, actor 3999 of the previous one) stay as they were.
  SetActorField(5, 0, 17);
  SetActorField(4, 3999, 18);
  SetActorField(4, kActorCount, 99);
  SetActorField(5, -1, 99);
  AddActorField(-1, 5, 99);
  OrActorField(kActorFieldCount, 0, 0xFFFFFFFFu);
  ClearActorFieldBits(5, kActorCount, 0xFFFFFFFFu);
  EXPECT_EQ(GetActorField(5, 0), 17);
  EXPECT_EQ(GetActorField(4, 3999), 18);
  EXPECT_EQ(GetActorField(4, kActorCount), 0);
  EXPECT_EQ(GetActorField(kActorFieldCount, 0), 0);
  EXPECT_EQ(GetActorField(-1, -1), 0);
  SetCurrentActor(-7);
  SetCurField(5, 1);
  SetCurPos(1, 1);
  EXPECT_EQ(GetCurField(5), 0);
  GetCurPos(&x, &y);
  EXPECT_EQ(x, 0);
}

TEST_F(Actors, UpdateMovesAnimatesAgesAndRemovesInListOrder) {
  g_SpriteTable.nextFrame[300] = 301;
  g_SpriteTable.period[300] = 2;
  const int mover = Spawn(kKindEffect, 10, 0);
  SetActorField(kFieldVx, mover, 384);
  SetActorField(kFieldVy, mover, -100);
  SetActorField(kFieldTurn, mover, 7);
  SetActorField(kFieldSpin, mover, -3);
  const int animated = Spawn(kKindEnemyBullet, 0, 0, 300);
  OrActorField(kFieldFlags, animated, kFlagAnimates);
  const int edge = Spawn(kKindRect, 648, 488);
  OrActorField(kFieldFlags, edge, kFlagOffPlayfieldDies);
  const int out = Spawn(kKindRect, 649, 0);
  OrActorField(kFieldFlags, out, kFlagOffPlayfieldDies);
  const int doomed = Spawn(kKindEffect);
  OrActorField(kFieldFlags, doomed, kFlagDead | kFlagInvisible);
  // Group order: bullets (4) before primitives (5) before effects (6), each in creation order.
  EXPECT_EQ(ListOrder(),
            (std::vector<int>{1, 3, 4, 5, 6, animated, 7, edge, out, 8, mover, doomed, 9, 10, 2}));

  Frame();
  EXPECT_TRUE(Alive(edge));   // the bounds' edges are inside
  EXPECT_FALSE(Alive(out));
  EXPECT_FALSE(Alive(doomed));
  EXPECT_EQ(GetActorField(kFieldX, mover), 11);   // 2560 + 384 = 2944
  EXPECT_EQ(GetActorField(kFieldY, mover), 0);    // -100 / 256 is 0, toward zero
  EXPECT_EQ(GetActorField(kFieldAge, mover), 1);
  Frame();
  Frame();
  EXPECT_EQ(GetActorField(kFieldSubX, mover), 2560 + 3 * 384);
  EXPECT_EQ(GetActorField(kFieldX, mover), 14);
  EXPECT_EQ(GetActorField(kFieldY, mover), -1);   // -300 / 256
  EXPECT_EQ(GetActorField(kFieldHeading, mover), 21);
  EXPECT_EQ(GetActorField(kFieldRotation, mover), -9);
  EXPECT_EQ(GetActorField(kFieldAge, mover), 3);
  // The animation stepped with age 2 (the third frame).
  EXPECT_EQ(GetActorField(kFieldSprite, animated), 301);

  // A counted enemy that is removed lowers game variable 106.
  const int session = Spawn(kKindEffect);
  SetSessionActor(session);
  SetGameVar(106, 5);
  const int enemy = Spawn(kKindEnemyBullet);
  OrActorField(kFieldFlags, enemy, kFlagCountedEnemy | kFlagDead);
  Frame();
  EXPECT_FALSE(Alive(enemy));
  EXPECT_EQ(GetGameVar(106), 4);
}

TEST_F(Actors, PausedAndSlowSkipFramesDrawEveryVisibleActorAndMoveNone) {
  Frame();
  const int sentinelDraws = CountActorDrawsLastUpdate();

  std::vector<int> still;
  for (int i = 0; i < 5; ++i) {
    const int a = Spawn(i % 2 ? kKindEffect : kKindEnemyBullet, 50 + i, 60);
    SetActorField(kFieldVx, a, 512);
    still.push_back(a);
  }
  OrActorField(kFieldFlags, still[1], kFlagInvisible);
  const int runner = Spawn(kKindRect, 0, 0);
  OrActorField(kFieldFlags, runner, kFlagRunsWhenPaused);
  SetActorField(kFieldVy, runner, 256);
  const int unlisted = Spawn(kKindEffect);
  SetActorField(kFieldSprite, unlisted, 112);   // an empty entry draws nothing
  const int negative = Spawn(kKindEffect);
  SetActorField(kFieldSprite, negative, -5);
  const int dying = Spawn(kKindEffect);
  OrActorField(kFieldFlags, dying, kFlagDead);

  SetActorsPaused(1);
  EXPECT_TRUE(IsActorsPaused());
  Frame();
  // Five visible actors less the invisible one, the runner, and the dying one: drawn and removed.
  EXPECT_EQ(CountActorDrawsLastUpdate(), sentinelDraws + 4 + 1 + 1);
  EXPECT_FALSE(Alive(dying));
  for (int a : still) {
    EXPECT_EQ(GetActorField(kFieldX, a), GetActorField(kFieldSubX, a) / 256);
    EXPECT_EQ(GetActorField(kFieldSubX, a), (50 + a - still[0]) * 256);
    EXPECT_EQ(GetActorField(kFieldAge, a), 0);
  }
  EXPECT_EQ(GetActorField(kFieldY, runner), 1);
  EXPECT_EQ(GetActorField(kFieldAge, runner), 1);
  SetActorsPaused(0);
  Frame();
  EXPECT_EQ(GetActorField(kFieldSubX, still[0]), 50 * 256 + 512);

  // Slow mode skips every third frame of the session's own count (its age).
  const int session = Spawn(kKindEffect);
  OrActorField(kFieldFlags, session, kFlagRunsWhenPaused);
  SetSessionActor(session);
  SetSlowMode(1);
  EXPECT_TRUE(IsSlowMode());
  int moved = 0;
  for (int i = 0; i < 6; ++i) {
    const int before = GetActorField(kFieldSubX, still[0]);
    EXPECT_EQ(IsSlowSkipFrame(), GetGameVar(4) % 3 == 0);
    Frame();
    moved += GetActorField(kFieldSubX, still[0]) != before;
    EXPECT_EQ(CountActorDrawsLastUpdate(), sentinelDraws + 4 + 1 + 1);   // the session is drawn too
  }
  EXPECT_EQ(moved, 4);   // counts 0 and 3 were skipped
  SetSlowMode(0);
  EXPECT_FALSE(IsSlowMode());
  EXPECT_FALSE(IsSlowSkipFrame());
}

TEST_F(Actors, QueriesWalkTheListAndStopOnADamagedOne) {
  const int a = Spawn(kKindEnemyBullet, 100, 100);
  const int b = Spawn(kKindEffect, 110, 100);
  const int c = Spawn(0x30000005, 300, 300);
  const int d = Spawn(0x30000006, 0, 0);
  const int e = Spawn(0x30000007, 600, 600);
  for (int x : {a, b}) {
    SetActorField(kFieldRadius, x, 4);
    OrActorField(kFieldFlags, x, 0x100000);
  }
  OrActorField(kFieldFlags, c, kFlagCountedEnemy);
  OrActorField(kFieldFlags, e, kFlagCountedEnemy);

  EXPECT_EQ(CountActorsOfKind(kKindSentinel), 10);
  EXPECT_EQ(CountActorsOfKind(kKindEnemyBullet), 1);
  EXPECT_EQ(CountActorsWithFlags(0x100000 | kFlagCountedEnemy), 4);
  // Both within reach: the later in list order wins; the reach is strict.
  EXPECT_EQ(FindActorHitAt(105, 100, 2, 0x100000), b);
  EXPECT_EQ(FindActorHitAt(100, 106, 2, 0x100000), -1);   // 36 is not below (4 + 2)^2
  EXPECT_EQ(FindActorHitAt(100, 105, 2, 0x100000), a);
  EXPECT_EQ(FindActorHitAt(105, 100, 2, 0x1), -1);
  EXPECT_EQ(FindGroupActorHitAt(105, 100, 2, 0x100000, 4), a);
  EXPECT_EQ(FindGroupActorHitAt(105, 100, 2, 0x100000, 5), -1);
  EXPECT_EQ(FindGroupActorHitAt(105, 100, 2, 0x100000, 8), -1);
  // Only counted enemies of group 3; an equal distance keeps the earlier one.
  EXPECT_EQ(FindNearestEnemy(0, 0), c);
  EXPECT_EQ(FindNearestEnemy(450, 450), c);
  EXPECT_EQ(FindNearestEnemy(451, 451), e);
  OrActorField(kFieldFlags, d, kFlagCountedEnemy);
  EXPECT_EQ(FindNearestEnemy(1, 1), d);
  EXPECT_EQ(GetActorDistanceSq(a, b), 100);
  EXPECT_EQ(GetAngleBetweenActors(a, b), 0);

  // A list that loops on itself cannot hang a walk.
  for (int x : {c, d, e}) FreeActor(x);
  SetActorField(kFieldNext, b, b);
  EXPECT_LE(CountActorsOfKind(kKindEffect), kActorWalkLimit);
  EXPECT_GT(CountActorsOfKind(kKindEffect), 1000);
  EXPECT_LE(CountActorsWithFlags(0x100000), kActorWalkLimit);
  EXPECT_EQ(FindActorHitAt(105, 100, 2, 0x100000), b);
  UpdateAllActors();
  ResetActors();
  EXPECT_EQ(ListOrder().size(), 10u);
}

TEST_F(Actors, ChildLinksFollowSerialsAndKinds) {
  const int parent = Spawn(kKindEffect);   // serial 0: a freed slot shows the same serial
  const int other = Spawn(kKindEffect);
  const int child = Spawn(kKindEffect);
  const int second = Spawn(kKindEnemyBullet);
  EXPECT_EQ(LinkChildActor(child, parent, 0), 0);
  EXPECT_EQ(LinkChildActor(second, other, 15), 15);
  // Slots outside 0-15 would land on the kinds or past them: refused.
  EXPECT_EQ(LinkChildActor(second, parent, 16), -1);
  EXPECT_EQ(LinkChildActor(second, parent, -1), -1);
  EXPECT_EQ(GetChildActor(parent, 0), child);
  EXPECT_EQ(GetChildActor(parent, 16), 0);
  EXPECT_EQ(GetParentActor(child), parent);
  EXPECT_EQ(GetChildActor(other, 15), second);

  // The child's kind changed: the link no longer holds.
  SetActorField(kFieldKind, second, kKindEffect);
  EXPECT_EQ(GetChildActor(other, 15), 0);
  SetActorField(kFieldKind, second, kKindEnemyBullet);
  UnlinkChildActor(other, 15);
  EXPECT_EQ(GetChildActor(other, 15), 0);
  EXPECT_EQ(GetActorField(kFieldParent, second), 0);

  // Children that die with their parent: one of the serial-0 parent, one of a parent with a
  // later serial. Freeing both parents ends only the second child, since a free slot also
  // reads serial 0.
  EXPECT_EQ(LinkChildActor(second, other, 1), 1);
  OrActorField(kFieldFlags, child, kFlagDiesWithParent);
  OrActorField(kFieldFlags, second, kFlagDiesWithParent);
  Frame();
  EXPECT_TRUE(Alive(child));
  EXPECT_TRUE(Alive(second));
  FreeActor(parent);
  FreeActor(other);
  EXPECT_EQ(GetParentActor(child), parent);
  EXPECT_EQ(GetParentActor(second), 0);
  Frame();
  EXPECT_TRUE(Alive(child));
  EXPECT_FALSE(Alive(second));

  // KillChildActors marks the confirmed children; the update removes them.
  const int boss = Spawn(kKindEffect);
  const int part1 = Spawn(kKindEffect);
  const int part2 = Spawn(kKindEffect);
  LinkChildActor(part1, boss, 3);
  LinkChildActor(part2, boss, 4);
  KillChildActors(boss);
  EXPECT_TRUE(GetActorField(kFieldFlags, part1) & int32_t(kFlagDead));
  Frame();
  EXPECT_FALSE(Alive(part1));
  EXPECT_FALSE(Alive(part2));
  EXPECT_TRUE(Alive(boss));
}

TEST_F(Actors, ClearsKeepWhatTheyAreToKeep) {
  const int keep = Spawn(kKindEffect);
  OrActorField(kFieldFlags, keep, 0x2);
  const int gone = Spawn(kKindEffect);
  const int bullet = Spawn(kKindEnemyBullet);
  const int menu = Spawn(0x10000001);
  const int enemy = Spawn(0x30000001);
  AddActorCommand(menu, kCmdAddField, 100, 0, 40, 1);
  AddActorCommand(keep, kCmdAddField, 100, 0, 40, 1);

  ClearActorGroup(0);
  ClearActorGroup(8);
  ClearActorGroup(-1);
  EXPECT_EQ(ListOrder().size(), 15u);
  ClearActorGroup(6);
  EXPECT_TRUE(Alive(keep));
  EXPECT_FALSE(Alive(gone));
  EXPECT_TRUE(Alive(bullet));
  EXPECT_EQ(CountActorCommands(), 2);

  ClearStageActors();
  EXPECT_TRUE(Alive(menu));
  EXPECT_TRUE(Alive(keep));
  EXPECT_FALSE(Alive(bullet));
  EXPECT_FALSE(Alive(enemy));
  EXPECT_EQ(CountActorCommands(), 0);
  EXPECT_EQ(ListOrder(), (std::vector<int>{1, 3, menu, 4, 5, 6, 7, 8, keep, 9, 10, 2}));

  // Keeping the groups with kind bit 28: scene tasks, enemies, primitives and the sentinels.
  const int enemy2 = Spawn(0x30000002);
  const int rect = Spawn(kKindRect);
  Spawn(kKindEnemyBullet);
  SetActorsPaused(1);
  FreeActorsExcept(0x10000000);
  EXPECT_TRUE(IsActorsPaused());
  EXPECT_EQ(ListOrder(), (std::vector<int>{1, 3, menu, 4, 5, enemy2, 6, 7, rect, 8, 9, 10, 2}));
}

}  // namespace
