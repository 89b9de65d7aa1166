// The player characters' shared rules: creation, the common update (input, movement, the demonic
// shift, bounds), the hit window with its counter bomb, the manual bomb, the bullet collision
// and graze, and the hit itself.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/input.h"
#include "game/framework/replay.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"
#include "game/framework/sprites.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"
#include "game/play/player_internal.h"

namespace {

uint32_t g_prevInput = 0;

constexpr int kAutoCounterText = 181;
constexpr uint32_t kBannerColour = 0xCFFFFFFF;
constexpr int kGroupEnemyBullets = 4;

int SpawnPlayerActor(int x, int y, int character, bool preview) {
  int p = SpawnActor(x, y, 20, 8 + character, kKindPlayerA + character);
  if (p < 0) return -1;
  if (preview) {
    OrActorField(kFieldFlags, p, kPlayerPreviewFlag);
  } else {
    AddActorCommand(p, kCmdSetVelocity, 0, 1, 4096, 256);
    AddActorCommand(p, kCmdAddVelocity, 0, 40, -128, 0);
    AddActorCommand(p, kCmdSetVelocity, 41, 1, 0, 0);
  }
  SetActorField(kPlayerPrevInput, p, 16);
  SetActorField(kPlayerPower, p, 1);
  SetGameVar(kVarMana, 99);
  if (character == 1) {
    int32_t loadout = GetGameVar(kVarLoadout);
    SetActorField(kPlayerShotType, p, (loadout >> 4) & 3);
    SetActorField(kPlayerSubWeapon, p, (loadout >> 2) & 3);
    SetActorField(kPlayerBombType, p, loadout & 3);
    SetActorField(kFieldSpeed, p, CalcLoadoutSpeed((loadout >> 4) & 3, (loadout >> 2) & 3, loadout & 3));
  } else {
    SetActorField(kFieldSpeed, p, 6);
  }
  SetActorField(kPlayerCharacter, p, character);
  SetPlayerActor(p);
  return p;
}

// The preview player of the character menu plays a fixed script instead of the pad.
uint32_t PreviewScript(int n) {
  uint32_t w = 0;
  if (n < 600) {
    int c = n % 240;
    if (c >= 120 && c < 180) w |= kButtonShot;
    if (n > 240) {
      if (GetCurField(kPlayerSubWeapon) == 0) {
        if (c == 30 || c == 90) w |= kButtonMAction;
        if (c == 30) SetGameVar(kVarMana, 99);
      } else if (c >= 30 && c < 60) {
        w |= kButtonMAction;
        SetGameVar(kVarMana, 99);
      }
    }
  }
  if (n == 600) {
    SetGameVar(kVarBombs, 1);
    w |= kButtonBomber;
  }
  DecGameVarToZero(kVarInvulnerable);
  return w;
}

void StartDemonicShift(int x, int y) {
  AddGameVar(kVarLives, -1);
  int32_t mana = GetGameVar(kVarMana);
  SetGameVar(kVarShiftTimer, mana * 10);
  SetGameVar(kVarMana, 0);
  SetCurField(kPlayerShotTimer, 0);
  PlaySe(25);
  if (GetGameVar(kVarBombCooldown) == 0) CancelBulletsToItems(2);
  SpawnItem(640, y, y <= 240 ? 8100 : 13500, 512, 6);
  SetGameVar(kVarShiftSavedLevel, GetGameVar(kVarPhaseLevel));
  ChangePhaseLevel(0);
  SetGameVar(kVarShake, 30);
  SetCurField(kPlayerShiftFrames, 0);
  SwapEnemyBulletSprites(1);
  SpawnParticleRing(x, y, 26, 904 | kSpriteAdditive, 128, 2400);
  AddGameVar(kVarShifts, 1);
  if (GetGameVar(kVarShifts) == 10) SpawnRewardItem(37);
}

}  // namespace

uint32_t GetPlayerPrevInput() { return g_prevInput; }

int CreatePlayer(int x, int y, int character) { return SpawnPlayerActor(x, y, character, false); }
int CreatePreviewPlayer(int x, int y, int character) {
  return SpawnPlayerActor(x, y, character, true);
}

int CalcLoadoutSpeed(int shot, int sub, int /*bomb*/) {
  static const int kShot[4] = {-2, 1, 1, 0};
  static const int kSub[4] = {0, -1, 1, 0};
  return std::clamp(5 + kShot[shot & 3] + kSub[sub & 3], 4, 7);
}

uint32_t UpdatePlayerCommon(int actor) {
  SetCurrentActor(actor);
  uint32_t w = GetFrameInput();
  // The previous frame's processed word: the character tasks store it in field 22 when they end.
  g_prevInput = static_cast<uint32_t>(GetCurField(kPlayerPrevInput));
  SetCurField(kPlayerPrevInput, static_cast<int32_t>(w));
  bool preview = (GetCurField(kFieldFlags) & kPlayerPreviewFlag) != 0;
  int n = GetCurField(kFieldAge);
  int32_t timer = GetGameVar(kVarPhaseTimer);
  int x, y;
  GetCurPos(&x, &y);
  int tiltX = 0, tiltY = 0;

  if (!preview && w == kReplayEndWord) {
    NotePlayEnd();
    return 0;
  }
  if (preview) {
    w = PreviewScript(n);
  } else {
    if (GetGameVar(kVarLives) == 0) AddCurField(kFieldVy, 256);

    if (GetGameVar(kVarHitTimer) == 0) {
      int v = GetCurField(kFieldSpeed);
      if (w & kButtonSlow) v /= 2;
      int dx = 0, dy = 0;
      if (w & kButtonLeft) dx = -1, tiltX = -2;
      if (w & kButtonRight) dx = 1, tiltX = 2;
      if (w & kButtonUp) dy = -1, tiltY = -2;
      if (w & kButtonDown) dy = 1, tiltY = 2;
      if (dx != 0 && dy != 0 && v >= 2) v -= v >= 6 ? 2 : 1;
      x += dx * v;
      y += dy * v;
    }

    int32_t s = GetGameVar(kVarShiftTimer);
    if ((w & kButtonRapid) || ((w & kButtonShot) && s >= 1)) {
      w &= ~kButtonShot;
      if (n % 4 == 0) w |= kButtonShot;
    }
    if (w & kButtonDShift) w |= kButtonMAction | kButtonBomber;
    if (n < 30) w &= ~kButtonShot;

    bool running = PhaseRunning();
    int32_t mana = GetGameVar(kVarMana);
    if (s >= 1) {
      s = running ? s - 1 : 0;
      if (s >= 1) mana = 0;
      else RestoreShiftPhaseLevel();
      SetGameVar(kVarHeat, 0);
      if (GetCurField(kPlayerShiftFrames) < 30) AddCurField(kPlayerShiftFrames, 1);
      if ((w & kButtonBomber) && !(g_prevInput & kButtonBomber) && !(w & kButtonMAction)) {
        PlaySe(19);
        EndDemonicShift(2);
        s = 1;
        mana = GetGameVar(kVarMana);
      }
    } else if (running && GetGameVar(kVarBombCooldown) < 20 && (w & kButtonBomber) &&
               (w & kButtonMAction) && GetGameVar(kVarLives) > 1 && mana > 32 &&
               GetGameVar(kVarDifficulty) != kNovice) {
      StartDemonicShift(x, y);
      s = GetGameVar(kVarShiftTimer);
      mana = GetGameVar(kVarMana);
    }
    SetGameVar(kVarShiftTimer, s);
    SetGameVar(kVarMana, mana);
    if ((timer < -140 || timer >= 2680) && timer % 16 == 0) {
      SpawnTrail(x, y, 136 | kSpriteAdditive, 0, -2048, 200);
    }
  }

  x = std::max(x, 20);
  if (timer < 2680) x = std::min(x, 620);
  y = std::clamp(y, 20, 460);
  SetCurPos(x, y);
  SetCurField(kPlayerMoveX, tiltX);
  SetCurField(kPlayerMoveY, tiltY);
  return w;
}

bool RunHitWindow(uint32_t w) {
  int32_t h = GetGameVar(kVarHitTimer);
  if (h >= 1 && GetGameVar(kVarLives) > 0) {
    int32_t window = GetGameVar(kVarPhaseLevel) + 20;
    int x, y;
    GetCurPos(&x, &y);
    if (h > window) {
      SpawnParticleBurst(x, y, 26, 896 | kSpriteAdditive, 4, 800);
      if (GetGameVar(kVarBombs) > 0) {
        bool pressed = (w & kButtonBomber) && !(g_prevInput & kButtonBomber);
        bool automatic = GetGameVar(kVarDifficulty) == kNovice && h == window + 1;
        if (automatic && !pressed) {
          int bannerY = GetCurField(kPlayerCharacter) == 0 ? 432 : 448;
          SlideBanner(-192, bannerY, 30, kAutoCounterText, kBannerColour, -13);
        }
        if (pressed || automatic) {
          h = 1;
          SetGameVar(kVarHitTimer, h);
          if (GetCurField(kPlayerCharacter) == 0) LaunchBombA();
          else LaunchBombB();
          UseCounterBomb();
        }
      }
    }
    if (h == window) {
      CancelBulletsToItems(0);
      AddGameVar(kVarLives, -1);
      if (GetGameVar(kVarLives) == 0) SetGameVar(kVarInvulnerable, 0);
      else if (GetGameVar(kVarBombs) < 5) AddGameVar(kVarBombs, 1);
    }
    SetGameVar(kVarHitTimer, h - 1);
  }
  return GetGameVar(kVarHitTimer) == 0;
}

void RunManualBomb(uint32_t w, bool free) {
  bool running = PhaseRunning();
  if (GetGameVar(kVarShiftTimer) >= 1 || !running) return;
  if (GetGameVar(kVarBombCooldown) > 0) {
    AddGameVar(kVarBombCooldown, -1);
    return;
  }
  if (!free || GetGameVar(kVarBombs) <= 0) return;
  if (!(w & kButtonBomber) || (g_prevInput & kButtonBomber) || (w & kButtonMAction)) return;
  AddGameVar(kVarBombs, -1);
  SetGameVar(kVarBombCooldown, 1000);
  ChangePhaseLevel(-1);
  if (GetCurField(kPlayerCharacter) == 0) LaunchBombA();
  else LaunchBombB();
  PlaySe(24);
  AddGameVar(kVarBombsLaunched, 1);
}

void RunIdleScore() {
  if (GetCurField(kPlayerShotTimer) > 0) {
    AddCurField(kPlayerShotTimer, -1);
    return;
  }
  int32_t t = GetGameVar(kVarPhaseTimer);
  if (t >= 0 && t < 2400 && GetGameVar(kVarGameOver) == 0) AddScore(1);
}

void PlayerTaskC(int actor) { UpdatePlayerCommon(actor); }

void UpdatePlayerCollision() {
  int player = GetPlayerActor();
  if (player < 1 || GetGameVar(kVarLives) <= 0) return;
  int px = GetActorField(kFieldX, player);
  int py = GetActorField(kFieldY, player);
  int candidate = 0;
  WalkActorGroups(kGroupEnemyBullets, kGroupEnemyBullets, [&](int node) {
    uint32_t flags = static_cast<uint32_t>(GetActorField(kFieldFlags, node));
    // A bullet cancelled earlier in this frame (a bomb, a graze milestone) no longer hits or
    // grazes.
    if ((flags & kBulletFlag) && !(flags & kFlagDead)) {
      int bx = GetActorField(kFieldX, node);
      int by = GetActorField(kFieldY, node);
      int d = DistanceSq(px, py, bx, by);
      int64_t reach = static_cast<int64_t>(GetActorField(kFieldRadius, node)) + 8;
      if (d < reach * reach) candidate = node;
      if (!(flags & kBulletGrazed) && d < 3600) {
        if (!(flags & kBulletGrazeArmed)) {
          OrActorField(kFieldFlags, node, kBulletGrazeArmed);
        } else {
          OrActorField(kFieldFlags, node, kBulletGrazed);
          int heading = 10800 + GameRandom(600);
          int dy = GameRandom(16) - 8;
          int dx = GameRandom(16) - 8;
          int spark = SpawnMovingEffect((px + bx) / 2 + dx, (py + by) / 2 + dy, 26, 772, heading, 512);
          if (spark > 0) {
            OrActorField(kFieldFlags, spark, kFlagAnimates);
            AddActorCommandAt(spark, kCmdDelete, 16);
          }
          IncGameVarUpTo(kVarMana, 100);
          AddGameVar(kVarGrazes, 1);
          AddChainTime(10);
          PlaySe(21);
          if (GetGameVar(kVarGrazes) % 500 == 0) {
            ChangePhaseLevel(1);
            CancelBulletsToItems(2);
            AddGameVar(kVarGrazeMilestones, 1);
            if (GetGameVar(kVarGrazeMilestones) == 4) SpawnRewardItem(35);
          }
        }
      }
    }
    return false;
  });
  if (GetGameVar(kVarInvulnerable) > 0) {
    AddGameVar(kVarInvulnerable, -1);
  } else if (candidate > 0) {
    OrActorField(kFieldFlags, candidate, kFlagDead);
    StartPlayerHit();
  }
}

void StartPlayerHit() {
  int player = GetPlayerActor();
  if (player < 1 || GetGameVar(kVarHitTimer) != 0) return;
  SetGameVar(kVarInvulnerable, 180);
  SetGameVar(kVarPhaseBestChain, 0);
  SetGameVar(kVarHitChain, 0);
  AddActorCommand(player, kCmdSetVelocity, 0, 1, -2048, 0);
  AddActorCommand(player, kCmdAddVelocity, 20, 16, 128, 0);
  AddActorCommand(player, kCmdSetVelocity, 36, 1, 0, 0);
  AddGameVar(kVarTimesHit, 1);
  AddGameVar(kVarHitsKept, 1);
  PlaySe(37);
  if (GetGameVar(kVarShiftTimer) < 1) {
    SetGameVar(kVarHitTimer, 40);
    ChangePhaseLevel(-1);
  } else {
    PlaySe(12);
    SetGameVar(kVarHitTimer, 18);
    SetGameVar(kVarMana, GetGameVar(kVarShiftTimer) / 10);
    EndDemonicShift(3);
    RestoreShiftPhaseLevel();
  }
}

void EndDemonicShift(int mode) {
  SetGameVar(kVarMana, GetGameVar(kVarShiftTimer) / 10);
  SetGameVar(kVarShiftTimer, 0);
  SetGameVar(kVarShake, 20);
  CancelBulletsToItems(mode);
}

void RestoreShiftPhaseLevel() {
  SetGameVar(kVarPhaseLevel, GetGameVar(kVarShiftSavedLevel));
  SetGameVar(kVarShiftSavedLevel, 0);
  SwapEnemyBulletSprites(0);
}
