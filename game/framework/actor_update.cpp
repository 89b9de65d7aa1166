// The per-frame actor update and its two dispatch tables.
#include "game/framework/actors.h"
#include "game/framework/game_hooks.h"
#include "game/framework/game_math.h"
#include "game/framework/settings.h"
#include "game/framework/sprites.h"

const ActorGroupHandler ActorGroupHandlerTable[8] = {
    NoHandler, DispatchSceneTask, DispatchGameTask, EnemyGroupTask,
    NoHandler, NoHandler,         NoHandler,        NoHandler,
};

// Indexed by field 17 below 128; 112-127 stay empty and draw nothing.
const ActorDrawRoutine ActorDrawTable[128] = {
    /*   0 */ NoDraw, NoDraw, DrawActorRect, DrawActorTextById,
    /*   4 */ DrawActorFontTextById, DrawActorNumber, DrawActorNumberZeroPad, DrawBeam,
    /*   8 */ DrawPlayerCharacter1, DrawPlayerCharacter2, DrawPlayerCharacter2, NoDraw,
    /*  12 */ DrawGrowingRing, DrawTimedDevice, DrawItemWithLabel, DrawAreaBackground,
    /*  16 */ NoDraw, NoDraw, DrawEnemy02, DrawEnemy03,
    /*  20 */ DrawEnemy04, DrawEnemy05, DrawEnemy06, DrawEnemy07,
    /*  24 */ DrawEnemy08, DrawActorSpriteShaken, DrawEnemy10, DrawActorSpriteShaken,
    /*  28 */ DrawEnemy12, DrawEnemy13, DrawEnemy14, NoDraw,
    /*  32 */ DrawEnemy16, DrawEnemy17, DrawActorSpriteShaken, DrawEnemy19,
    /*  36 */ DrawActorSpriteShaken, DrawEnemy21, NoDraw, NoDraw,
    /*  40 */ NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw,
    /*  48 */ NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw,
    /*  56 */ NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw,
    /*  64 */ NoDraw, NoDraw, DrawActorSpriteShaken, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw,
    /*  72 */ NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw,
    /*  80 */ NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw,
    /*  88 */ NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw,
    /*  96 */ NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw,
    /* 104 */ NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw, NoDraw,
    /* 112 */ nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    /* 120 */ nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
};

namespace {

constexpr int32_t kGameVarPhaseTimer = 95;
constexpr int32_t kGameVarEnemiesLeft = 106;

int g_drawsLastUpdate = 0;

// Position, heading and rotation move by their rates; the pixel position follows the fine one.
void MoveActor(int node) {
  static constexpr int kPairs[4][2] = {{kFieldVx, kFieldSubX}, {kFieldVy, kFieldSubY},
                                       {kFieldTurn, kFieldHeading}, {kFieldSpin, kFieldRotation}};
  for (const auto& pair : kPairs) {
    const int32_t rate = GetActorField(pair[0], node);
    if (rate != 0) AddActorField(pair[1], node, rate);
  }
  SetActorField(kFieldX, node, GetActorField(kFieldSubX, node) / 256);
  SetActorField(kFieldY, node, GetActorField(kFieldSubY, node) / 256);
}

void DrawCurrent(int32_t sprite) {
  if (sprite >= 128) {
    DrawActorSprite();
  } else if (sprite >= 0 && ActorDrawTable[sprite]) {
    ActorDrawTable[sprite]();
  } else {
    return;   // a negative number or an empty entry names no routine
  }
  ++g_drawsLastUpdate;
}

}  // namespace

void UpdateAllActors() {
  // A play session runs (game variable 0 names its kind), and its frames are played or held.
  const bool session = GetGameVar(0) == kKindGameSession;
  const bool framesPlayed = (GetSettingsSlot(kSlotPlayMode) & kPlayFrames) != 0;
  const bool inPlay = session && framesPlayed;
  const bool run = !IsActorsPaused() && !IsSlowSkipFrame();
  // While the pause menu holds play (paused, frames not played) the play session does not age:
  // its age sets the slow-skip pattern, and a playback, which never pauses, would part from the
  // recording. A game over's freeze keeps frames played and the session ageing.
  const int sessionActor = GetSessionActor();
  const bool menuHold = IsActorsPaused() && session && !framesPlayed;
  g_drawsLastUpdate = 0;

  int node = kActorHead;
  for (int visited = 0; node != kActorTail && visited < kActorWalkLimit; ++visited) {
    const int next = GetActorField(kFieldNext, node);
    const int32_t kind = GetActorField(kFieldKind, node);
    if (kind > 0) {
      SetCurrentActor(node);
      const uint32_t flags = static_cast<uint32_t>(GetActorField(kFieldFlags, node));
      if (run || (flags & kFlagRunsWhenPaused)) {
        MoveActor(node);
        if (flags & kFlagAnimates) {
          SetActorField(kFieldSprite, node,
                        StepSpriteAnimation(GetActorField(kFieldSprite, node), GetActorField(kFieldAge, node)));
        }
        const int group = kind >> 28;
        if (group >= 1) ActorGroupHandlerTable[group](node);
        // A handler that freed its own actor leaves nothing to draw, age or remove; ageing the
        // free slot would hand its next owner a wrong age.
        if (GetActorField(kFieldKind, node) <= 0) {
          node = next;
          continue;
        }
      }
      if ((flags & kFlagInvisible) == 0) DrawCurrent(GetActorField(kFieldSprite, node));

      const uint32_t after = static_cast<uint32_t>(GetActorField(kFieldFlags, node));
      if (run || ((after & kFlagRunsWhenPaused) && !(menuHold && node == sessionActor))) {
        IncActorField(kFieldAge, node);
      }
      bool dead = (after & kFlagDead) != 0;
      if ((after & kFlagOffPlayfieldDies) &&
          IsOutsidePlayfield(GetActorField(kFieldX, node), GetActorField(kFieldY, node))) {
        dead = true;
      }
      const int32_t kindNow = GetActorField(kFieldKind, node);
      if (!dead && (after & kFlagDiesWithParent) && (static_cast<uint32_t>(kindNow) & 0x60000000u) &&
          GetParentActor(node) < 1) {
        dead = true;
      }
      if (dead) {
        if (((kindNow >> 28) & 7) == 1) ReturnToParentMenu(node);
        if (after & kFlagCountedEnemy) AddGameVar(kGameVarEnemiesLeft, -1);
        DeleteActor(node);
      }
    }
    node = next;
  }

  if (inPlay) {
    if (GetGameVar(kGameVarPhaseTimer) < 100000) DrawGameHud();
    UpdateGameSession();
  }
}

int CountActorDrawsLastUpdate() { return g_drawsLastUpdate; }
