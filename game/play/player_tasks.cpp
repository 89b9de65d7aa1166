// The two characters' own tasks: the first character's twin guns with their heat and torpedo, and
// the second character's loadout of shot, sub weapon and overdrive.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/input.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"
#include "game/framework/sprites.h"
#include "game/play/enemies.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"
#include "game/play/player_internal.h"
#include "game/play/weapons_internal.h"

namespace {

constexpr int32_t kParticle = 896 | kSpriteAdditive;
constexpr int32_t kCasing = 1154;

bool NewPress(uint32_t w, uint32_t button) {
  return (w & button) && !(GetPlayerPrevInput() & button);
}

void SpawnMuzzleParticle(int x, int y) { SpawnParticle(x, y, 26, kParticle, 0, 0, 1000); }

void SpawnCasing(int x, int y, int layer, int headingBase, int headingSpread, int speed = 3200) {
  int heading = headingBase;
  if (headingSpread > 0) heading += GameRandom(headingSpread);
  SpawnDebrisPiece(x, y, layer, kCasing, heading, speed);
}

void FireGun(int x, int y, int g) {
  SpawnMuzzleParticle(x + 40, y + 8 * g);
  SpawnPlayerShot(x + 40, y + 8 * g, 0, 0);
  SpawnCasing(x + 8, y + 8 * g - 4, 19 + 2 * g, 13500, 1800);
}

void RunTwinGuns(uint32_t w, int x, int y) {
  DecCurField(kPlayerMuzzle0);
  DecCurField(kPlayerMuzzle1);
  if (w & kButtonShot) {
    if (GetCurField(kPlayerShotTimer) < 10) {
      int g = GetCurField(kPlayerNextGun) & 1;
      SetCurField(kPlayerMuzzle0 + g, 16);
      SetCurField(kPlayerNextGun, 1 - g);
      SetCurField(kPlayerShotTimer, 16);
    } else if (NewPress(w, kButtonShot)) {
      SetCurField(kPlayerMuzzle0, 16);
      SetCurField(kPlayerMuzzle1, 16);
      SetCurField(kPlayerShotTimer, 16);
      AddGameVar(kVarHeat, 12);
    }
  }
  for (int g = 0; g < 2; ++g) {
    if (GetCurField(kPlayerMuzzle0 + g) == 16) FireGun(x, y, g);
  }
  if (GetCurField(kPlayerShotTimer) == 16) PlaySeAtX(x, 5);
}

void Overheat(int x, int y) {
  SpawnParticleBurst(x, y, 26, kParticle, 16, 800);
  SetGameVar(kVarHeat, 400);
  SetCurField(kPlayerShotTimer, 400);
  PlaySe(41);
  PlaySe(37);
  int flash = SpawnEffect(x, y, 28, 187);
  if (flash < 1) return;
  SetActorField(kFieldScale, flash, 0);
  static const int kPulse[6][3] = {{0, 16, 100},  {16, 6, -100}, {22, 6, 100},
                                   {28, 6, -100}, {34, 6, 100},  {40, 16, -100}};
  for (const auto& c : kPulse) AddActorCommand(flash, kCmdAddScale, c[0], c[1], c[2], 0);
  AddActorCommandAt(flash, kCmdDelete, 57);
}

void RiseSmoke(int x, int y, int n) {
  uint32_t un = static_cast<uint32_t>(n);
  int heading = 15900 + static_cast<int>((un * 257u) % 600u);
  int speed = 500 + static_cast<int>((un * 239u) % 400u);
  int smoke = SpawnMovingEffect(x + 32, y + 32, 26, 792, heading, speed);
  if (smoke < 1) return;
  SetActorField(kFieldScale, smoke, 500);
  OrActorField(kFieldFlags, smoke, kFlagOffPlayfieldDies);
  AddActorCommandAt(smoke, kCmdDelete, 32);
}

// The sub-weapon cooldown runs down with the mana; true when it has run out.
bool SubCooldownDone() {
  if (GetGameVar(kVarSubCooldown) > 0) {
    AddGameVar(kVarSubCooldown, -1);
    AddGameVar(kVarMana, -1);
    return false;
  }
  return true;
}

void SetShotLook(int shot, uint32_t colour, int damage) {
  if (shot < 1) return;
  SetActorField(kFieldColour, shot, static_cast<int32_t>(colour));
  SetActorField(kShotDamage, shot, damage);
}

void FireLoadoutShot(uint32_t w, int x, int y, int n) {
  bool overdrive = GetCurField(kPlayerOverdrive) > 0;
  int32_t timer = GetCurField(kPlayerShotTimer);
  switch (GetCurField(kPlayerShotType) & 3) {
    case 0:
      if (!(w & kButtonShot) || timer != 0) break;
      for (int i = 0; i < 5; ++i) {
        int shot = SpawnPlayerShot(x + 24, y + 16, -1200 + 600 * i, 2);
        if (i != 2) {
          SetShotLook(shot, 0xFFFFFF40, 1);
        } else {
          SetShotLook(shot, 0xFFFFFFFF, overdrive ? 20 : 8);
          if (overdrive && shot > 0) AddActorCommand(shot, kCmdAddScale, 0, 10, 100, 0);
        }
      }
      SpawnCasing(x - 24, y + 16, 19, 13500, 0, 2400);
      PlaySeAtX(x, 5);
      SetCurField(kPlayerShotTimer, 8);
      break;
    case 1: {
      if (!(w & kButtonShot) || timer >= 2) break;
      int heading = (w & kButtonDown) ? 600 : (w & kButtonUp) ? -600 : 0;
      for (int dy : {-6, 6}) {
        SpawnPlayerShot(x + 40, y + dy, heading, 3);
        SpawnMuzzleParticle(x + 40, y + dy);
        SpawnCasing(x + 8, y + dy - 4, 19, 12600, 1800);
      }
      SetCurField(kPlayerMuzzle0, 4);
      SetCurField(kPlayerMuzzle1, 4);
      PlaySeAtX(x, 5);
      SetCurField(kPlayerShotTimer, overdrive ? 5 : 7);
      break;
    }
    case 2:
      if (w & kButtonShot) {
        if (timer == 0 && NewPress(w, kButtonShot)) PlaySeAtX(x, 44);
        SetCurField(kPlayerShotTimer, 4);
      }
      if (GetCurField(kPlayerShotTimer) > 0) {
        AddDrawSprite(x - 4, y - 13, 26, static_cast<uint32_t>(1556 + (n & 3)) | kSpriteAdditive);
        int beam = SpawnPlayerShot(x + 11, y, 0, 4);
        if (beam > 0) SetActorField(kBeamChainPhase, beam, overdrive ? 0 : n);
      }
      break;
    default:
      if (!(w & kButtonShot) || timer != 0) break;
      SpawnPlayerShot(x + 40, y, 0, 5);
      SpawnMuzzleParticle(x + 40, y);
      SpawnCasing(x + 8, y - 4, 19, 12600, 1800);
      SetCurField(kPlayerMuzzle0, 4);
      PlaySeAtX(x, 5);
      SetCurField(kPlayerShotTimer, overdrive ? 8 : 30);
      break;
  }
}

void UseLoadoutSub(uint32_t w, int x, int y) {
  int32_t mana = GetGameVar(kVarMana);
  int cooldown = 0;
  switch (GetCurField(kPlayerSubWeapon) & 3) {
    case 0:
      if (!NewPress(w, kButtonMAction) || GetCurField(kPlayerOverdrive) != 0 || mana < 33) return;
      SetCurField(kPlayerOverdrive, 1);
      PlaySe(26);
      cooldown = 33;
      break;
    case 1:
      if (!NewPress(w, kButtonMAction) || mana < 33) return;
      SpawnPlayerShot(x, y, 0, 6);
      PlaySe(9);
      cooldown = 33;
      break;
    case 2: {
      int32_t width = GetCurField(kPlayerSpreadWidth);
      if (mana <= 0 || (width == 0 && mana <= 33)) return;
      if (width == 0) PlaySe(42);
      width = std::min(width + 2, 12);
      SetCurField(kPlayerSpreadWidth, width);
      AddGameVar(kVarMana, -1);
      int beam = SpawnPlayerShot(x, y, 0, 4);
      if (beam > 0) {
        AddActorField(kBeamPierce, beam, 1);
        SetActorField(kShotDamage, beam, 1);
        SetActorField(kBeamWidthStep, beam, width);
      }
      return;
    }
    default: {
      if (!NewPress(w, kButtonMAction) || mana < 99) return;
      int burst = SpawnPlayerShot(x, y, 0, 7);
      if (burst > 0) {
        SetActorField(kFieldLayer, burst, 19);
        AddActorCommand(burst, kCmdAddScale, 0, 8, 125, 0);
        AddActorCommand(burst, kCmdAddScale, 16, 8, -250, 0);
        if (GetGameVar(kVarArea) == kMissionArea) SetActorField(kShotDamage, burst, 16);
      }
      SpawnParticleBurst(x + 32, y, 26, kParticle, 32, 800);
      PlaySe(20);
      cooldown = 99;
      break;
    }
  }
  SetGameVar(kVarSubCooldown, cooldown);
}

// The first counted enemy within 48 px takes the overdrive's touch.
int FindOverdriveTarget(int x, int y) {
  return WalkActorGroups(3, 3, [x, y](int node) {
    return (static_cast<uint32_t>(GetActorField(kFieldFlags, node)) & kFlagCountedEnemy) &&
           DistanceSq(x, y, GetActorField(kFieldX, node), GetActorField(kFieldY, node)) < 48 * 48;
  });
}

void RunOverdrive(uint32_t w, int x, int y) {
  int32_t frames = GetCurField(kPlayerOverdrive);
  if (frames <= 0) return;
  bool cooled = GetGameVar(kVarSubCooldown) == 0;
  if (GetGameVar(kVarPhaseTimer) >= 2400 || GetGameVar(kVarMana) == 0 ||
      (NewPress(w, kButtonMAction) && cooled)) {
    PlaySe(26);
    SetCurField(kPlayerOverdrive, 0);
    return;
  }
  SetGameVar(kVarSlowGauge, 40);
  if (cooled && frames % 4 == 0) AddGameVar(kVarMana, -1);
  SetCurField(kPlayerOverdrive, frames + 1);
  int target = FindOverdriveTarget(x, y);
  if (target < 1) return;
  DamageTarget(target, 2);
  AddHitChain(2, 0);
  AddScore(10);
  int tx = GetActorField(kFieldX, target);
  int ty = GetActorField(kFieldY, target);
  SpawnParticleBurst((x + tx) / 2, (y + ty) / 2, 26, kParticle, 4, 800);
}

}  // namespace

void PlayerTaskA(int actor) {
  uint32_t w = UpdatePlayerCommon(actor);
  if (IsPlayEndNoted()) return;
  bool free = RunHitWindow(w);
  RunManualBomb(w, free);
  int x, y;
  GetCurPos(&x, &y);
  int n = GetCurField(kFieldAge);
  int32_t timer = GetGameVar(kVarPhaseTimer);

  if (timer < -140 || timer >= 2680) {
    SpawnParticle(x - 52, y + 48, 19, 897 | kSpriteAdditive, 10800, 2400, 2000);
  }
  bool canShoot = free && GetCurField(kPlayerShotTimer) < 16;
  if (canShoot) RunTwinGuns(w, x, y);
  if (GetGameVar(kVarHeat) >= 400) Overheat(x, y);
  if (GetCurField(kPlayerShotTimer) > 16 && !canShoot) RiseSmoke(x, y, n);

  if (GetGameVar(kVarShiftTimer) < 1 && SubCooldownDone() && free && PhaseRunning() &&
      (w & kButtonMAction) && !(GetPlayerPrevInput() & kButtonBomber) &&
      GetGameVar(kVarMana) >= 33) {
    SetGameVar(kVarSubCooldown, 33);
    SpawnPlayerShot(x, y, 0, 1);
    PlaySe(9);
  }
  RunIdleScore();
  if (GetGameVar(kVarHeat) > 0) AddGameVar(kVarHeat, -1);
  if (GetGameVar(kVarHeat) > 299 && n % 16 == 0) PlaySe(10);
  SetCurField(kPlayerPrevInput, static_cast<int32_t>(w));
  UpdatePlayerCollision();
}

void PlayerTaskB(int actor) {
  uint32_t w = UpdatePlayerCommon(actor);
  if (IsPlayEndNoted()) return;
  bool free = RunHitWindow(w);
  RunManualBomb(w, free);
  int x, y;
  GetCurPos(&x, &y);
  int n = GetCurField(kFieldAge);

  int32_t moveX = GetCurField(kPlayerMoveX), moveY = GetCurField(kPlayerMoveY);
  int32_t bank = GetCurField(kPlayerBank);
  if (moveX == 0 && moveY == 0) bank += bank > 0 ? -1 : bank < 0 ? 1 : 0;
  else bank = std::clamp(bank + moveX + moveY, -30, 30);
  SetCurField(kPlayerBank, bank);
  int32_t flame = GetCurField(kPlayerFlame);
  if (GetCurField(kPlayerPower) > 1 || GetCurField(kFieldVx) > 0 || GetGameVar(kVarPhaseTimer) < 0) {
    flame = std::min(flame + 1, 20);
  } else {
    flame = std::max(flame - 1, 0);
  }
  SetCurField(kPlayerFlame, flame);

  DecCurField(kPlayerMuzzle0);
  DecCurField(kPlayerMuzzle1);
  if (free && GetCurField(kPlayerShotTimer) < 16 && GetCurField(kPlayerSpreadWidth) == 0) {
    FireLoadoutShot(w, x, y, n);
  }
  if (GetGameVar(kVarShiftTimer) < 1 && SubCooldownDone() && free && PhaseRunning() &&
      (w & kButtonMAction) && !(GetPlayerPrevInput() & kButtonBomber)) {
    UseLoadoutSub(w, x, y);
  }
  DecCurField(kPlayerSpreadWidth);
  RunOverdrive(w, x, y);
  RunIdleScore();
  SetCurField(kPlayerPrevInput, static_cast<int32_t>(w));
  UpdatePlayerCollision();
}
