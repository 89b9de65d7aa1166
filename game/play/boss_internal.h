// Shared by the bosses' behaviours and draw routines: the scratch fields each boss keeps (the draw
// routines read them, so their meaning and values are fixed), the ids they spawn, and small helpers.
#pragma once
#include <cstdint>

#include "game/framework/actors.h"
#include "game/play/draw_internal.h"
#include "game/play/enemies.h"
#include "game/play/play.h"

// Scratch fields by boss.
enum BossField : int {
  kBoss07Turning = 64,     // direction of the sweeping aim (0/1)
  kBoss07BeamAngle = 65,   // base heading of the three beams, also the arms' angle
  kBoss07Charge = 66,      // counts while the beams charge (arm sprite)
  kBoss07Glow = 67,        // the beams' aiming glow

  kBoss08Spin = 64,        // +120 per frame
  kBoss08Sway = 65,        // the ring of orbs' angle

  kBoss12Vy = 64,          // its own vertical speed (the actual one is 0 outside the bounce)
  kBoss12RingAngle = 65,
  kBoss12Charge = 66,      // 0 none, 1-45 the charge's frame
  kBoss12SmoothVx = 67,    // the neck leans with it
  kBoss12Firing = 68,      // 1 while it holds still and fires

  kBoss13Recoil = 64,      // 1 from the heavy column until it has moved back

  kBoss16Front = 64,       // opening states 0-2 of the front
  kBoss16Jaw = 65,         // opening states 0-2 of the jaw
  kBoss16BeamGlow = 66,    // the beam's aiming glow

  kBoss17Flash = 64,       // firing flash countdown
  kBoss17Charge = 65,      // how far the guns stand out
  kBoss17Level = 71,       // its own phase level, frozen at its arrival
  kBoss17PodsLaunched = 72,
};

// The pods of the area boss: index (18), side (22).
constexpr int kPodIndexField = 64;

constexpr int kIdBeam = 6;
constexpr int kIdDrone = 11;
constexpr int kIdBossPod = 18;
constexpr int kIdFormPod = 22;

constexpr int kBossEffectLayer = 26;
constexpr uint32_t kBigSparkSprite = 0x2000388;
constexpr uint32_t kGunGlowSprite = 0x2000600;
constexpr uint32_t kAimLineSprite = 0x2000094;
