// Shared by the player's weapons, bombs and items: the weapon table, the fields of shots and
// beams, the flags of the enemies they hit, and the hit test they all use.
#pragma once
#include <cstdint>

#include "game/play/enemies.h"

// One row of the weapon table: what a shot of that row is made of.
struct WeaponDef {
  int32_t kind, sprite, power, radius, speed, slowGain;
};
constexpr int kWeaponRows = 8;
extern const WeaponDef WeaponDefTable[kWeaponRows];

// Fields of the weapon actors.
enum WeaponField : int {
  kShotDamage = 28,
  kShotSlowGain = 32,
  kShotRow = 33,          // plain shots
  kBeamHits = 33,         // beams: hits this frame
  kShotContacts = 34,     // plain shots: frames with a hit
  kBeamChainPhase = 34,   // beams: the chain counts when this is a multiple of 4
  kBeamPierce = 35,       // beams: pierce, and wide drawing
  kBeamWidthStep = 37,
  kBeamEndX = 64,
  kDeviceRecoil = 66,
  kDeviceShots = 67,
};

constexpr uint32_t kShotFromBomb = 0x2000000u;

// Flags of the enemies that weapons read.
constexpr uint32_t kTargetFlagHealedByBombs = 0x8u;
constexpr int kGroupEnemies = 3;

// The last counted enemy whose radius plus r reaches (x, y), or -1.
int FindWeaponTarget(int x, int y, int r);
// The sparkles of a hit that heals its target.
void SpawnHealSparkles(int x, int y);
