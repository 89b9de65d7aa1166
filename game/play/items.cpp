// Items and gems: gems that drift left and then home in on the player, bouncing items that give a
// life, a bomb or a play order, their pay-outs, the rewards that enter from the right edge, the
// cancelling of every enemy bullet into gems, and the falling debris that weapons throw off.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/engine_entries.h"
#include "game/framework/frame_loop.h"
#include "game/framework/game_math.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"
#include "game/framework/sprites.h"
#include "game/play/enemies.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"

namespace {

constexpr int32_t kKindItem = 0x20000006;
constexpr int kItemKind = 32;
constexpr int kItemBounces = 33;
constexpr int kItemDrawSlot = 14;
constexpr int kLastPlayOrderKind = 39;

constexpr uint32_t kLabelPhaseGem = 0x7FCFFFFFu;
constexpr uint32_t kLabelCapped = 0xFF3F3FFFu;
constexpr uint32_t kLabelGem = 0xFFFF7FFFu;
constexpr uint32_t kLabelBonus = 0xFF7F7FFFu;

constexpr int kMaxLives = 5;
constexpr int kMaxBombs = 5;
constexpr int kMaxMana = 99;
constexpr int kLabelLayer = 20;

bool IsGem(int32_t kind) { return kind >= 1 && kind <= 3; }
bool Bounces(int32_t kind) {
  return (kind >= 4 && kind <= 6) || (kind >= kFirstPlayOrderKind && kind <= kLastPlayOrderKind);
}

void RisingScore(int x, int y, int32_t units, uint32_t colour) {
  SpawnRisingLabel(x, y, kLabelLayer, 5, static_cast<int32_t>(static_cast<uint32_t>(units) * 10u), colour);
}

void BonusScore(int x, int y) {
  AddScore(5000);
  RisingScore(x, y, 5000, kLabelBonus);
}

// Mana comes from gems only while the second character's overdrive is off.
void GemMana() {
  if (GetPlayerField(kPlayerOverdrive) == 0) IncGameVarUpTo(kVarMana, kMaxMana);
}

void PayGem(int32_t kind, int x, int y) {
  AddGameVar(kVarGemsTaken, 1);
  if (kind != 2) GemMana();
  int32_t worth;
  uint32_t colour;
  if (kind == 2) {
    worth = GetGameVar(kVarPhaseLevel);
    colour = kLabelPhaseGem;
  } else {
    const int32_t cap = GetGameVar(kVarGemCap);
    int32_t v = GetGameVar(kVarGemValue) + (kind == 1 ? 1 : -1);
    colour = kLabelGem;
    if (v >= cap) {
      v = cap;
      colour = kLabelCapped;
    } else if (v < 1) {
      v = 1;
    }
    SetGameVar(kVarGemValue, v);
    worth = v;
  }
  if (kind != 3) {
    AddGameVar(kVarPhaseGems, 1);
    if (GetGameVar(kVarPhaseGems) == 1000) SpawnRewardItem(31);
  }
  AddScore(worth);
  RisingScore(x, y, worth, colour);
}

void PayExtraLife(int y) {
  const int32_t maximum = std::min(GetGameVar(kVarMaxLives) + 1, kMaxLives);
  SetGameVar(kVarMaxLives, maximum);
  if (GetGameVar(kVarDifficulty) == kNovice) {
    SetGameVar(kVarLives, maximum);
  } else {
    SetGameVar(kVarLives, std::min(GetGameVar(kVarLives) + 1, kMaxLives));
  }
  PlaySe(32);
  AddGameVar(kVarLifeItems, 1);
  if (GetGameVar(kVarLifeItems) == 4) SpawnItem(640, 240, y <= 240 ? 2700 : -2700, 512, 26);
}

void PayItem(int32_t kind, int x, int y) {
  if (IsGem(kind)) {
    PayGem(kind, x, y);
  } else if (kind == 4) {
    PayExtraLife(y);
  } else if (kind == 6) {
    if (GetGameVar(kVarBombs) < kMaxBombs) AddGameVar(kVarBombs, 1);
    else BonusScore(x, y);
  } else if (kind >= kFirstPlayOrderKind) {
    if (!IsReplayPlayback()) AwardPlayOrder(kind - kFirstPlayOrderKind);
    BonusScore(x, y);
    if (GetGameVar(kVarShiftTimer) >= 1) SetGameVar(kVarShiftTimer, 999);
    else SetGameVar(kVarMana, kMaxMana);
  }
}

// Reverses a component moving out of the box; true when it did.
bool Bounce(int pos, int lo, int hi, int* v) {
  if ((pos < lo && *v < 0) || (pos >= hi && *v > 0)) {
    *v = -*v;
    return true;
  }
  return false;
}

}  // namespace

int SpawnItem(int x, int y, int heading, int speed, int kind) {
  const int item = SpawnMovingActor(x, y, 19, kItemFirstSprite + kind, heading, speed, kKindItem);
  if (item < 1) return item;
  if (kind == 1) {
    SetActorField(kFieldScale, item, std::min(GetGameVar(kVarGemValue) + 1500, 3000));
    SetActorField(kFieldSpin, item, 300);
  } else if (kind == 2 || kind == 3) {
    SetActorField(kFieldScale, item, 1000);
    SetActorField(kFieldSpin, item, 300);
  } else if (kind >= 4 && kind <= 6) {
    SetActorField(kFieldRotation, item, 0);
  }
  if (kind > 3) SetActorField(kFieldSprite, item, kItemDrawSlot);
  SetActorField(kItemKind, item, kind);
  SetActorField(kFieldFlags, item, kind == 3 ? static_cast<int32_t>(kItemHomingFlag) : 0);
  return item;
}

void ItemTask(int actor) {
  SetCurrentActor(actor);
  const int32_t kind = GetCurField(kItemKind);
  const int n = GetCurField(kFieldAge);
  int x, y, vx, vy;
  GetCurPosVel(&x, &y, &vx, &vy);
  const bool homing = static_cast<uint32_t>(GetCurField(kFieldFlags)) & kItemHomingFlag;

  if (IsGem(kind)) {
    if (x < -32) {
      OrCurField(kFieldFlags, kFlagDead);
      return;
    }
    if (!homing && n >= 17) {
      if (vx > -4096) vx -= 256;
      vy = 0;
    }
  }
  if (Bounces(kind) && GetCurField(kItemBounces) < 8) {
    int bounces = GetCurField(kItemBounces);
    if (Bounce(x, 32, 608, &vx)) ++bounces;
    if (Bounce(y, 32, 448, &vy)) ++bounces;
    SetCurField(kItemBounces, bounces);
    if (bounces >= 8) OrCurField(kFieldFlags, kFlagOffPlayfieldDies);
  }
  if (n >= 17) {
    if (homing) {
      int hx, hy;
      PolarToXY(&hx, &hy, GetAngleToPlayer(x, y), 8192);
      vx = (7 * vx + hx) / 8;
      vy = (7 * vy + hy) / 8;
    }
    const int d = GetDistanceSqToPlayer(x, y);
    const int reach = GetGameVar(kVarCharacter) == 0 ? 25600 : 16900;
    if (d < reach) OrCurField(kFieldFlags, kItemHomingFlag);
    if (d < 1024) {
      PlaySeAtX(x, 1);
      AddChainTime(120);
      OrCurField(kFieldFlags, kFlagDead);
      PayItem(kind, x, y);
      return;
    }
  }
  SetCurPosVel(x, y, vx, vy);
}

int CancelBulletsToItems(int mode) {
  const int saved = GetCurrentActor();
  const int itemKind = mode & 15;
  int count = 0;
  int node = kActorHead;
  for (int visited = 0; node != kActorTail && node > 0 && visited < kActorWalkLimit; ++visited) {
    const int next = GetActorField(kFieldNext, node);
    const uint32_t flags = static_cast<uint32_t>(GetActorField(kFieldFlags, node));
    // A bullet already cancelled (or spent) earlier in this frame gives nothing a second time.
    if ((flags & kBulletFlag) && !(flags & kFlagDead)) {
      OrActorField(kFieldFlags, node, kFlagDead);
      const int x = GetActorField(kFieldX, node);
      const int y = GetActorField(kFieldY, node);
      SpawnParticle(x, y, 26, 896 | kSpriteAdditive, 0, 0, 2000);
      if (mode & 16) ++count;
      if (itemKind != 0) {
        const int heading = GameRandom(21600);
        SpawnItem(x, y, heading, 1024, itemKind);
      }
      if (count > 1) {
        const int figure = SpawnEffect(x, y, 28, 585 + std::min(count, 16));
        if (figure > 0) {
          SetActorField(kFieldScale, figure, 0);
          AddActorCommand(figure, kCmdAddScale, count / 8, 10, 100, 0);
          AddActorCommand(figure, kCmdAddScale, count / 8 + 20, 10, -100, 0);
          AddActorCommandAt(figure, kCmdDelete, count / 8 + 31);
        }
      }
    }
    node = next;
  }
  SetCurrentActor(saved);
  return count;
}

int SpawnDebrisPiece(int x, int y, int layer, int32_t sprite, int heading, int speed) {
  const int piece = SpawnMovingEffect(x, y, layer, sprite, heading, speed);
  if (piece < 0) return -1;
  const int spin = GameRandom(1200) + 600;
  SetActorField(kFieldSpin, piece, spin);
  OrActorField(kFieldFlags, piece, kFlagOffPlayfieldDies);
  AddActorCommand(piece, kCmdAddVelocity, 0, 60, 0, 128);
  return piece;
}
