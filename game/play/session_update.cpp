// The session's per-frame logic after the actor walk: slow motion, the chain timer, the phase
// timer through the intro strips, the waves and the phase end with its tally, extends, the screen
// shake, the game over and the boss gauge's slide; the preview's slow motion and the mission
// records.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/framework/replay.h"
#include "game/framework/settings.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"
#include "game/framework/sprites.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"

namespace {

constexpr uint32_t kCyan = 0xCFFFFFFF;
constexpr uint32_t kYellow = 0xFFFF7FFF;

// Timer values that carry an event of their own: on a frame whose stage logic is held back the
// timer waits on them, so the event still happens on the next stepped frame.
bool IsEventTime(int32_t t) { return t == 0 || t == 2400 || t == 2580 || t == 2600 || t == 2680; }

// Slow motion starts once the gauge passes 39 on a frame that runs, and ends on a held frame once
// it has fallen below 20.
void SwitchSlowMode(int32_t gauge, bool held) {
  if (held) {
    if (gauge < 20) SetSlowMode(0);
  } else if (gauge > 39) {
    SetSlowMode(1);
  }
}

void DrawIntroStrips(int32_t t, int32_t age, int p, int a) {
  bool boss = (a <= 2 && p == 3) || (a >= 3 && p == 2);
  if (a >= 3 && p == 3) return;
  int o = static_cast<int>(static_cast<uint32_t>(age) * 5u % 318u);
  int d = std::max(0, 4 * t + 96);
  int alpha = t < -160 ? 4 * t + 832 : 192 - 2 * d;
  uint32_t colour = 0xFFFFFF00u | static_cast<uint32_t>(std::clamp(alpha, 0, 255));
  uint32_t sprite = (boss ? 140u : 139u) | kSpriteAdditive;
  if (boss && (t < 0 ? -t : t) % 60 == 0) PlaySe(43);
  for (int x = -o; x < 640; x += 318) SetDrawColor(AddDrawSprite(x, 64 - d, 27, sprite), colour);
  for (int x = o - 318; x < 640; x += 318) {
    SetDrawColor(AddDrawSprite(x, 384 + d, 27, sprite), colour);
  }
}

void RunWaveStart(int p, int a) {
  int32_t c = GetGameVar(kVarWaveCountdown);
  int alive = CountActorsWithFlags(kFlagCountedEnemy);
  if ((alive == 0 && c > 0) || c < 0) {
    --c;
    SetGameVar(kVarWaveCountdown, c);
    if (c <= 0) {
      if (a == 0) StartWave(p, GetGameVar(kVarWavesDone) & 15);
      else if (a == kMissionArea) StartWave(17, 2 * GetGameVar(kVarDifficulty));
      SetGameVar(kVarWaveCountdown, 0);
    }
  }
  AddGameVar(kVarLevelSum, GetGameVar(kVarPhaseLevel));
  AddGameVar(kVarLevelFrames, 1);
  SetGameVar(kVarBestChain, std::max(GetGameVar(kVarBestChain), GetGameVar(kVarPhaseBestChain)));
}

int32_t ClampToInt(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// The tally rows: 0 when a row is empty; the basic bonus B is returned apart.
void TallyRows(bool boss, int64_t rows[10], int64_t* basic) {
  int64_t level = GetGameVar(kVarPhaseLevel);
  for (int r = 0; r < 10; ++r) rows[r] = 0;
  int64_t b;
  if (boss) {
    rows[1] = GetGameVar(kVarBombs);
    rows[2] = GetGameVar(kVarTimeLeft);
    rows[3] = level;
    b = rows[1] * rows[2] * rows[3] / 10;
  } else {
    rows[2] = level;
    rows[3] = static_cast<int64_t>(GetGameVar(kVarPhaseKills)) * 100 /
              std::max(GetGameVar(kVarPhaseSpawned), 1);
    b = rows[2] * rows[2] * rows[3] / 100;
  }
  if (b < 1) b = level;
  rows[4] = b * 10;
  rows[5] = GetGameVar(kVarPhaseBestChain);
  rows[6] = GetGameVar(kVarPhaseGems);
  rows[7] = GetGameVar(kVarGrazes);
  rows[8] = rows[5] + rows[6] + rows[7];
  rows[9] = ClampToInt(rows[4] * rows[8]);
  *basic = b;
}

void RunTally(int32_t t, bool boss) {
  static const int kNormalText[10] = {0, -1, 128, 129, 132, 133, 134, 135, 136, 137};
  static const int kBossText[10] = {0, 130, 131, 128, 132, 133, 134, 135, 136, 137};
  int k = std::min((t - 2400) / 20, 10);
  int64_t rows[10], basic;
  TallyRows(boss, rows, &basic);
  for (int r = 1; r <= std::min(k, 9); ++r) {
    int text = boss ? kBossText[r] : kNormalText[r];
    if (text < 0) continue;
    SetDrawColor(AddDrawTextGlyph(360, 24 * r + 40, 28, text), kCyan);
    SetDrawColor(AddDrawNumber(440, 24 * r + 52, 28, ClampToInt(rows[r]), 9, 0), kYellow);
  }
  if (t == 2580) {
    SetGameVar(kVarGemCap, ClampToInt(std::min<int64_t>(GetGameVar(kVarGemCap) + basic, 1000)));
    AddScore(ClampToInt(rows[9] / 10));
  }
  if (t % 20 == 0 && k >= 1 && k <= 9) PlaySe(19);
  if (t == 2600) {
    PopBanner(142, GetGameVar(kVarGemCap) * 10, 10);
    PlaySe(33);
  }
}

void RunPhaseEnd(int32_t t, int32_t age, int p, int a) {
  bool mission = a == kMissionArea;
  bool last = p > 2 || a == 4 || mission;
  bool boss = last || (p == 2 && a == 3);
  if (!mission) {
    RunTally(t, boss);
  } else if (age % 8 < 4) {
    bool complete = (GetGameVar(kVarSessionFlags) & kSessionMissionTarget) != 0;
    AddDrawTextGlyph(240, 200, 28, complete ? 420 : 422);
  }
  if (t == 2400) {
    CancelBulletsToItems(2);
    SetGameVar(kVarInvulnerable, 300);
    SetBulletsEnabled(0);
    OrActorField(kFieldFlags, GetSessionActor(), kSessionPhaseIdle);
    if (mission && (GetGameVar(kVarSessionFlags) & kSessionMissionTarget)) RecordMissionResult();
  }
  if (t == 2680) {
    PlaySe(27);
    if (!last) {
      SetGameVar(kVarPhase, p + 1);
      SetupAreaPhase();
      return;
    }
    SetPlayerField(kFieldVx, 4096);
  }
  if (t > 2680 && GetPlayerActor() > 0 && GetPlayerField(kFieldX) > 759) EndArea();
}

void RunPhaseStage(int32_t t, int32_t age, int p, int a, bool alive) {
  if (t < 0) {
    DrawIntroStrips(t, age, p, a);
  } else if (t < 2400) {
    if (t == 0) {
      SetBulletsEnabled(1);
      ClearActorFieldBits(kFieldFlags, GetSessionActor(), kSessionPhaseIdle);
    }
    RunWaveStart(p, a);
  } else if (alive) {
    RunPhaseEnd(t, age, p, a);
  }
}

void RunExtend() {
  if (GetGameVar(kVarScore) < GetGameVar(kVarNextExtend)) return;
  AddGameVar(kVarNextExtend, 100000);
  if (GetGameVar(kVarLives) >= GetGameVar(kVarMaxLives)) {
    ChangePhaseLevel(-1);
    PlaySe(31);
  } else {
    if (GetGameVar(kVarLives) == 0) SpawnRewardItem(38);
    AddGameVar(kVarLives, 1);
    SetPlayerField(kFieldVy, 0);
    PlaySe(32);
  }
  SlideBanner(-192, 32, 29, 139, kCyan, -13);
}

void RunGameOver() {
  int32_t g = GetGameVar(kVarGameOver);
  if (g == 60) {
    SetActorVelocityPolar(GetGameVar(kVarBackground), 0, 0, 0);
    SetActorsPaused(1);
  }
  uint32_t alpha = static_cast<uint32_t>(std::clamp(4 * g, 0, 240));
  SetDrawColor(AddDrawSprite(152, 176, 28, 141), 0xFFFFFF00u | alpha);
  if (g >= 120) {
    RecordAreaResult(IsReplayPlayback(), GetGameVar(kVarArea));
    ShowGameResult();
    return;
  }
  SetGameVar(kVarGameOver, g + 1);
}

}  // namespace

void UpdateGameSession() {
  if (IsPlayEndNoted()) {
    ClearPlayEndNote();
    // Only a recording closed by a tool meets the end tag while recording: its area is recorded as
    // a game over records it, so the replay names the area it holds (playback records nothing).
    RecordAreaResult(IsReplayPlayback(), GetGameVar(kVarArea));
    ShowGameResult();
    return;
  }
  int32_t t = GetGameVar(kVarPhaseTimer);
  int32_t age = GetGameVar(kVarFrame);
  int p = GetGameVar(kVarPhase) & 3;
  int a = GetGameVar(kVarArea);
  bool alive = GetGameVar(kVarLives) > 0;
  bool held = IsFrameHeld() || IsActorsPaused();

  if (alive) {
    int32_t g = GetGameVar(kVarSlowGauge);
    SwitchSlowMode(g, held);
    if (g > 0) SetGameVar(kVarSlowGauge, std::min(g, 60) - 1);
  }
  DecGameVarToZero(kVarLevelTimer);
  if (!held && GetGameVar(kVarChainTimer) > 0) {
    AddGameVar(kVarChainTimer, -1);
    if (GetGameVar(kVarChainTimer) == 0) SetGameVar(kVarHitChain, 0);
  }
  if (!held && t < kPhaseTimerIntroCard) RunPhaseStage(t, age, p, a, alive);
  RunExtend();
  DecGameVarToZero(kVarShake);
  if (alive) {
    int32_t now = GetGameVar(kVarPhaseTimer);
    if ((GetPlayMode() & kPlayFrames) && !(held && IsEventTime(now))) {
      SetGameVar(kVarPhaseTimer, now + 1);
    }
  } else if (GetPlayerActor() > 0) {
    RunGameOver();
  }
  if (GetGameVar(kVarBossGauge) > 0 && GetGameVar(kVarGaugeSlide) < 16) {
    AddGameVar(kVarGaugeSlide, 1);
  }
}

void UpdateSlowMotion() {
  bool skip = IsSlowSkipFrame();
  if (GetGameVar(kVarLives) > 0) {
    SwitchSlowMode(GetGameVar(kVarSlowGauge), skip);
  }
  if (!IsActorsPaused() && !skip) {
    DecGameVarToZero(kVarLevelTimer);
    DecGameVarToZero(kVarSlowGauge);
  }
}

void RecordMissionResult() {
  if (IsReplayPlayback()) return;
  int base = 64 + 8 * GetGameVar(kVarDifficulty);
  int64_t score = static_cast<int64_t>(GetGameVar(kVarScore)) * 10;
  if (score > GetSettingsSlot(base)) SetSettingsSlot(base, ClampToInt(score));
  int clears = base + 2 + 2 * GetGameVar(kVarCharacter);
  if (GetSettingsSlot(clears) < 1000000) AddSettingsSlot(clears, 1);
  if (GetGameVar(kVarCharacter) == 1) SetSettingsSlot(base + 7, GetGameVar(kVarLoadout));
}
