// Waves: the script of the area's waves, the controller that spawns a wave's formation, counts
// its kills, ends it by quota or time and pays the onslaught bonus, and the leader of the
// escort wave. Divisions and remainders truncate toward zero (formation slots take negative
// operands too).
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"
#include "game/play/enemies.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"

const uint32_t WaveScriptTable[kWaveScriptEntries] = {
    // Area 0, phase 0.
    14, 10, 2, 7, 20, 3, 2, 9, 4, 9, 21, 20, 9, 2, 50, 20,
    // Area 0, phase 1.
    2, 5, 21, 9, 12, 2, 9, 4, 20, 9, 2, 9, 4, 9, 20, 9,
    // Area 0, phase 2.
    14, 8, 19, 9, 4, 13, 20, 9, 2, 50, 20, 9, 4, 20, 9, 50,
    // Area 0, phase 3: the boss; the last entry is never started.
    16, 0,
};

const int32_t WavePhaseOffsetTable[kWavePhaseOffsets] = {0, 16, 32, 48};

namespace {

constexpr int kWaveLayer = 8;
constexpr uint32_t kEndlessBit = 0x10000;
constexpr int32_t kEndlessQuota = 999999;
constexpr int kControllerId = 1;
constexpr int kEscortDrawSlot = 35;   // the draw routine of id 19
constexpr int kFighterDrawSlot = 18;  // the draw routine of id 2

// The script entry of a wave, or -1 when the index or the entry lies outside the tables or
// names no enemy.
int FindWaveEntry(int index, int n) {
  if (index < 0 || index >= kWavePhaseOffsets) return -1;
  const int64_t entry = static_cast<int64_t>(WavePhaseOffsetTable[index]) + n;
  if (entry < 0 || entry >= kWaveScriptEntries) return -1;
  if (!FindEnemyDef(static_cast<int>(WaveScriptTable[entry] & 0xFFFF))) return -1;
  return static_cast<int>(entry);
}

void AddVelocity(int e, int from, int to, int dx, int dy) {
  AddActorCommand(e, kCmdAddVelocity, from, to - from, dx, dy);
}
void SetVelocityAt(int e, int frame, int vx, int vy) {
  AddActorCommand(e, kCmdSetVelocity, frame, 0, vx, vy);
}

// The fighters' two formations (ids 2 and 20): the fan-in from the right and its variant.
void FighterVariant0(int e, int k, int variant) {
  SetActorField(kFieldVx, e, -2560);
  SetActorField(kFieldVariant, e, variant);
  AddVelocity(e, 0, 40, 64, (k & 1) * 16 - 8);
  AddVelocity(e, 60, 100, 64, 0);
}
void FighterVariant1(int e, int k) {
  SetActorField(kFieldVx, e, -2048);
  AddVelocity(e, 0, 40, 64, (k & 1) * 16 - 8);
  AddVelocity(e, 60, 100, -64, 0);
}

void SpawnFighters(int id, int age, int k, int variant) {
  if (variant == 2 && id == 2) {
    if (age % 75 >= 40) return;
    const int side = (age / 75) & 1;
    const int e = SpawnEnemy(520, 640 * side - 80, kWaveLayer, id);
    if (e < 1) return;
    const int d = 2 * side - 1;
    SetActorField(kFieldVy, e, -1024 * d);
    SetActorField(kFieldVx, e, 512);
    AddVelocity(e, 24, 120, -64, 16 * d);
    return;
  }
  if (age % 450 >= 400) return;
  const int s7 = static_cast<int>(static_cast<int64_t>(k) * 7 % 5);
  if (variant == 1) {
    const int e = SpawnEnemy(672 - 4 * s7, 136 + 64 * s7, kWaveLayer, id);
    if (e > 0) FighterVariant1(e, k);
    return;
  }
  int s = s7;
  if (id == 20) {
    const int s3 = static_cast<int>(static_cast<int64_t>(k) * 7 % 3);
    s = GetPlayerField(kFieldY) < 240 ? s3 + 2 : s3;
  }
  const int e = SpawnEnemy(672 - 4 * s, 96 + 72 * s, kWaveLayer, id);
  if (e > 0) FighterVariant0(e, k, variant);
}

void SpawnFormation(int controller, int id, int age, int k, bool spawnFrame, int level) {
  const int variant = GetActorField(kFieldVariant, controller);
  const int k7 = static_cast<int>(static_cast<int64_t>(k) * 7 % 5);
  switch (id) {
    case 2:
    case 20:
      if (spawnFrame) SpawnFighters(id, age, k, variant);
      return;
    case 3: {
      if (!spawnFrame || age >= 64) return;
      static constexpr int kSlots[4] = {3, 1, 4, 2};
      const int s = kSlots[k & 3] % 4;
      const int e = SpawnEnemy(656, 72 + 116 * s, kWaveLayer + 2 * s, id);
      if (e < 1) return;
      SetActorField(kFieldVx, e, -1024);
      SetActorField(kFieldScratch0, e, age);
      AddVelocity(e, 4, 11, 128, 0);
      return;
    }
    case 4:
    case 14:
      if (spawnFrame) SpawnEnemy(720, 80 + 88 * k7, kWaveLayer + k7, id);
      return;
    case 5:
      if (variant == 1) {
        if (age % 40 != 0) return;
        const int j = static_cast<int>(((static_cast<int64_t>(age) / 40 + level) * 13 + 7) % 16);
        int h = 10800;
        if (j / 4 < 2) h = j % 4 >= 2 ? 16200 : 5400;
        int dx, dy;
        PolarToXY(&dx, &dy, h, 2048);
        const int e = SpawnEnemy((j / 4) * 96 + 256 - dx * 20 / 256, (j % 4) * 96 + 96 - dy * 20 / 256,
                                 kWaveLayer, id);
        if (e < 1) return;
        FadeInActor(e, 0);
        SetActorField(kFieldVx, e, dx);
        SetActorField(kFieldVy, e, dy);
        SetVelocityAt(e, 20, 0, 0);
        SetVelocityAt(e, 120, -dx, -dy);
      } else if (variant == 0) {
        const int interval = std::max(GetActorField(kFieldWaveInterval, controller), 1);
        if (!spawnFrame || age % 108 >= static_cast<int64_t>(3) * interval) return;
        const int e = SpawnEnemy(640, 80 + 88 * k7, kWaveLayer, id);
        if (e < 1) return;
        FadeInActor(e, 0);
        SetActorField(kFieldVx, e, -1024);
        AddVelocity(e, 4, 19, 64, 0);
        AddVelocity(e, 120, 140, 128, 0);
      }
      return;
    case 7:
    case 8: {
      if (!spawnFrame) return;
      const int e = SpawnEnemy(720, 240, kWaveLayer, id);
      if (e > 0) {
        SetActorField(kFieldVx, e, -6144);
        AddVelocity(e, 0, 23, 256, 0);
        SetVelocityAt(e, 24, 0, 0);
      }
      PlaySe(27);
      return;
    }
    case 9: {
      if (!spawnFrame) return;
      const int y = GameRandom(400) + 40;
      const int e = SpawnEnemy(720, y, kWaveLayer, id);
      PlaySe(16);
      SpawnParticleBurst(640, y, 26, 0x2000380, 8, 800);
      if (e < 1) return;
      SetActorField(kFieldRotation, e, 10800);
      SetActorField(kFieldVx, e, WrapMul(-256, level));
      SetActorField(kFieldVariant, e, variant);
      return;
    }
    case 10: {
      if (!spawnFrame) return;
      const int e = SpawnEnemy(-80, 240, kWaveLayer, id);
      if (e < 1) return;
      SetActorField(kFieldVx, e, 1536);
      AddVelocity(e, 80, 104, -64, 0);
      SetVelocityAt(e, 104, 0, 0);
      return;
    }
    case 12: {
      if (!spawnFrame) return;
      const int e = SpawnEnemy(720, 120, kWaveLayer, id);
      if (e > 0) SetActorField(kFieldVx, e, -4096);
      return;
    }
    case 13: {
      if (!spawnFrame) return;
      const int e = SpawnEnemy(720, 360, kWaveLayer, id);
      if (e < 1) return;
      SetActorField(kFieldVx, e, -3584);
      AddVelocity(e, 0, 27, 128, 0);
      return;
    }
    case 16: {
      if (!spawnFrame) return;
      if (GetGameVar(kVarArea) == kMissionArea) {
        SpawnEnemy(720, 240, kWaveLayer, id);
        return;
      }
      int bx = 0, by = 0;
      const int bg = GetGameVar(kVarBackground);
      if (bg > 0) GetActorPos(&bx, &by, bg);
      const int e = SpawnEnemy(672 - bx / 250, 88 + by / 4, kWaveLayer, id);
      if (e > 0) SetActorField(kFieldLayer, e, 1);
      return;
    }
    case 17:
      if (spawnFrame) SpawnEnemy(560, 240, kWaveLayer, id);
      return;
    case 19:
      if (age == 0) SetActorField(kFieldSprite, controller, kEscortDrawSlot);
      Wave19LeaderBehaviour(controller);
      return;
    case 21: {
      if (!spawnFrame) return;
      const int s = static_cast<int>(static_cast<int64_t>(k) * 2 % 3);
      const int e = SpawnEnemy(720, 144 + 136 * s, kWaveLayer + s, id);
      if (e < 1) return;
      SetActorField(kFieldVx, e, -2048);
      AddVelocity(e, 20, 33, 128, 0);
      return;
    }
    case 50: {
      if (!spawnFrame) return;
      const int y = GameRandom(400) + 40;
      const int e = SpawnEnemy(720, y, kWaveLayer, id);
      if (e < 1) return;
      SetActorField(kFieldHeading, e, 10800);
      // The height was drawn first, the spin only for a spinner that was made.
      const int spin = GameRandom(600) - 300;
      SetActorField(kFieldSpin, e, spin);
      SetActorField(kFieldVx, e, WrapMul(-256, level / 2 + 8));
      return;
    }
    default:
      if (spawnFrame) SpawnEnemy(480, 240, kWaveLayer, id);
      return;
  }
}

void PayOnslaughtBonus(int level) {
  PopBanner(140, WrapMul(level, 1000), 8);
  AddScore(WrapMul(level, 100));
  PlaySe(33);
  SetGameVar(kVarWaveCountdown, -1);
  AddGameVar(kVarOnslaughts, 1);
  if (GetGameVar(kVarOnslaughts) == 100) SpawnRewardItem(34);
}

}  // namespace

int StartWave(int index, int n) {
  // An index past the offset table (the mission's), or an entry past the script or without an
  // enemy, starts nothing.
  const int entry = FindWaveEntry(index, n);
  if (entry < 0) return -1;
  const int c = SpawnEnemy(0, 0, kWaveLayer, kControllerId);
  const uint32_t e = WaveScriptTable[entry];
  const int id = static_cast<int>(e & 0xFFFF);
  if (c > 0) {
    const EnemyDef& def = *FindEnemyDef(id);
    SetActorField(kFieldVariant, c, static_cast<int32_t>((e & 0xFF0000) >> 16));
    SetActorField(kFieldWaveId, c, id);
    SetActorField(kFieldWaveQuota, c, def.killQuota);
    SetActorField(kFieldWaveOnslaught, c, def.onslaughtLimit);
    SetActorField(kFieldWaveDuration, c, def.waveDuration);
    SetActorField(kFieldWaveInterval, c, def.spawnInterval);
    SetActorField(kFieldWaveLevel, c, GetGameVar(kVarPhaseLevel));
  }
  SetGameVar(kVarWaveKills, 0);
  SetGameVar(kVarWaveLeader, kKindEnemy | id);
  if (c > 0 && (e & kEndlessBit)) SetActorField(kFieldWaveQuota, c, kEndlessQuota);
  return c;
}

void WaveControllerTask(int actor) {
  const int age = GetActorField(kFieldAge, actor);
  const int level = GetGameVar(kVarPhaseLevel);
  const int interval = std::max(GetActorField(kFieldWaveInterval, actor), 1);
  const bool spawnFrame = age % interval == 0;
  const int k = static_cast<int>(static_cast<int64_t>(age) / interval + GetActorField(kFieldWaveLevel, actor));
  const int id = GetActorField(kFieldWaveId, actor);
  SpawnFormation(actor, id, age, k, spawnFrame, level);
  bool ended = false;
  if (GetGameVar(kVarArea) != kMissionArea && GetGameVar(kVarWaveKills) >= GetActorField(kFieldWaveQuota, actor)) {
    ended = true;
    if (id == 3) {
      CancelBulletsToItems(0);
      PlaySe(26);
    }
    if (level < 2 * GetGameVar(kVarDifficulty) + 1) ChangePhaseLevel(+1);
    if (age < GetActorField(kFieldWaveOnslaught, actor)) {
      PayOnslaughtBonus(level);
    } else {
      SetGameVar(kVarWaveCountdown, 60);
    }
  }
  if (age > GetActorField(kFieldWaveDuration, actor)) {
    ended = true;
    SetGameVar(kVarWaveCountdown, 30);
  }
  if (ended) {
    SetActorField(kFieldFlags, actor, static_cast<int32_t>(kFlagDead));
    AddGameVar(kVarWavesDone, 1);
  } else if (GetGameVar(kVarPhaseTimer) > 2400) {
    OrActorField(kFieldFlags, actor, kFlagDead);
  }
}

// The leader of an escort wave (drawn as id 19): crosses the screen on a sine, fires a double
// stream and a wall of bullets, and sends an escort (id 19, drawn as id 2) whenever none flies.
void Wave19LeaderBehaviour(int actor) {
  const int t = GetActorField(kFieldAge, actor);
  const int level = GetGameVar(kVarPhaseLevel);
  int x = GetActorField(kFieldX, actor);
  if (t == 0) {
    x = -40;
  } else if (x < 656) {
    x += 4;
  }
  const int y = 240 + ScriptSin(t, static_cast<float>(256 - 20 * level), 80);
  SetActorPos(x, y, actor);
  int aim = 10800;
  if (level > 7) aim = 10800 + ScriptSin(t, static_cast<float>(128 - 10 * level), 300);
  if (GetGameVar(kVarWaveKills) < 4 && x >= 641 && GetChildActor(actor, 0) < 1) {
    const int escort = SpawnEnemy(672, y, kWaveLayer, 19);
    if (escort > 0) {
      SetActorVelocityPolar(escort, aim, WrapMul(2, ScaleBulletSpeed(50)), 0);
      SetActorField(kFieldSprite, escort, kFighterDrawSlot);
      LinkChildActor(escort, actor, 0);
    }
  }
  const int every = level > 7 || x < 656 ? 2 : 4;
  if (t % every == 0) {
    ResetBulletPattern(x, y - 120, 0, aim, 50);
    g_BulletPattern.muzzleSprite = 0;
    FireBulletPattern();
    ResetBulletPattern(x, y + 120, 0, aim, 50);
    g_BulletPattern.muzzleSprite = 0;
    FireBulletPattern();
  }
  if (t % 24 == 0) {
    for (int wy = y - 144; wy > -24; wy -= 24) {
      ResetBulletPattern(x, wy, 2, aim, 50);
      FireBulletPattern();
    }
    for (int wy = y + 144; wy < 504; wy += 24) {
      ResetBulletPattern(x, wy, 2, aim, 50);
      FireBulletPattern();
    }
    PlaySeAtX(x, 15);
  }
}
