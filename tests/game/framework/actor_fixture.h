// A fresh actor pool per test, and actors of the groups the framework handles itself (4-7), drawn
// by the empty draw entry 1, so no gameplay routine takes part.
#pragma once
#include <gtest/gtest.h>

#include <vector>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_hooks.h"
#include "game/framework/game_math.h"
#include "game/framework/sprites.h"

class ActorPool : public ::testing::Test {
protected:
  void SetUp() override {
    ResetEngineEntries();
    ResetActors();
    ResetSpriteTable();
    SetSessionActor(0);
    SetPlayfieldBounds(-8, -8, 648, 488);
  }
  void TearDown() override {
    SetSessionActor(0);
    ResetActors();
    ResetSpriteTable();
  }
  static int Spawn(int32_t kind, int x = 100, int y = 100, int32_t sprite = 1) {
    const int a = AllocActor();
    if (a < 0) return a;
    SetCurrentActor(a);
    SetCurPos(x, y);
    InitCurActor(kind, 10, sprite);
    return a;
  }
  static void Frame() {
    UpdateAllActors();
    UpdateActorCommands();
  }
  // The master list from head to tail (at most 4001 nodes).
  static std::vector<int> ListOrder() {
    std::vector<int> order;
    int node = kActorHead;
    for (int i = 0; i < kActorWalkLimit; ++i) {
      order.push_back(node);
      if (node == kActorTail) break;
      node = GetActorField(kFieldNext, node);
    }
    return order;
  }
  static bool Alive(int a) { return GetActorField(kFieldKind, a) != 0; }
};
