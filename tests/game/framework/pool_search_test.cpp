// The allocation's search of a full pool, which ends at once: it must leave the search start
// where a full walk would (one slot back per refused search) and see every way a slot is freed.
#include "game/framework/actor_fixture.h"

namespace {

using PoolSearch = ActorPool;

TEST_F(PoolSearch, RefusedSearchesStepBackOneSlotEachAndFindFreedSlotsAsAWalkWould) {
  int last = 0;
  for (int a = Spawn(kKindEffect); a > 0; a = Spawn(kKindEffect)) last = a;
  ASSERT_EQ(last, kActorLastFree);
  // The spawn that found the pool full and three more refusals: the search now starts at 3993.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(AllocActor(), -1);
  FreeActor(3992);   // just before the start: passed over once more, then found
  EXPECT_EQ(AllocActor(), -1);
  EXPECT_EQ(AllocActor(), 3992);
  SetCurrentActor(3992);
  InitCurActor(kKindEffect, 10, 1);

  // A kind cleared through the field accessors frees the slot as FreeActor does.
  SetActorField(kFieldKind, 700, 0);
  EXPECT_EQ(AllocActor(), 700);
  SetActorField(kFieldKind, 700, kKindEffect);
  EXPECT_EQ(AllocActor(), -1);

  // Near the bottom the start never goes below slot 3.
  ResetActors();
  for (int a = Spawn(kKindEffect); a > 0; a = Spawn(kKindEffect)) {
  }
  FreeActor(11);
  EXPECT_EQ(Spawn(kKindEffect), 11);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(AllocActor(), -1);
  FreeActor(3997);
  EXPECT_EQ(AllocActor(), 3997);
}

}  // namespace
