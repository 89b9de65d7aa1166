// The game variables (the session actor's fields), the player index and the shared scoring rules:
// score with its 1,500,000 reward, the phase level with its caps and banners, the chain timer,
// the boss gauge reset and the spirit rating.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/game_math.h"
#include "game/framework/settings.h"
#include "game/framework/spawn.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"

namespace {

int g_sessionActor = 0;
int g_playerActor = 0;
int32_t g_playerSerial = 0;

constexpr int32_t kScoreReward = 1500000;
constexpr uint32_t kBannerColour = 0xCFFFFFFF;
constexpr uint32_t kNumberColour = 0xFFCF7FFF;
constexpr int kPopBannerLayer = 28;

}  // namespace

int GetSessionActor() { return g_sessionActor; }
void SetSessionActor(int actor) { g_sessionActor = actor; }
int32_t GetGameVar(int n) { return g_sessionActor > 0 ? GetActorField(n, g_sessionActor) : 0; }
void SetGameVar(int n, int32_t value) {
  if (g_sessionActor > 0) SetActorField(n, g_sessionActor, value);
}
void AddGameVar(int n, int32_t amount) {
  if (g_sessionActor > 0) AddActorField(n, g_sessionActor, amount);
}

int32_t IncGameVarUpTo(int n, int32_t maximum) {
  int32_t v = GetGameVar(n);
  if (v < maximum) SetGameVar(n, ++v);
  return v;
}

void DecGameVarToZero(int n) {
  int32_t v = GetGameVar(n);
  if (v >= 1) SetGameVar(n, v - 1);
}

void IncGameVar(int n) { AddGameVar(n, 1); }

// The stored index is checked against the slot's serial, so a player freed by a clear of the
// stage reads as no player rather than as whatever took its slot.
int GetPlayerActor() {
  if (g_playerActor < 1 || g_playerActor >= kActorCount) return 0;
  if (GetActorField(kFieldKind, g_playerActor) == 0) return 0;
  if (GetActorField(kFieldSerial, g_playerActor) != g_playerSerial) return 0;
  return g_playerActor;
}

void SetPlayerActor(int actor) {
  g_playerActor = actor > 0 ? actor : 0;
  g_playerSerial = g_playerActor > 0 ? GetActorField(kFieldSerial, g_playerActor) : 0;
}

int32_t GetPlayerField(int field) {
  int p = GetPlayerActor();
  return p > 0 ? GetActorField(field, p) : 0;
}

void SetPlayerField(int field, int32_t value) {
  int p = GetPlayerActor();
  if (p > 0) SetActorField(field, p, value);
}

void AddPlayerField(int field, int32_t amount) {
  int p = GetPlayerActor();
  if (p > 0) AddActorField(field, p, amount);
}

int GetAngleToPlayer(int x, int y) {
  int p = GetPlayerActor();
  if (p < 1) return 10800;
  return AngleBetween(x, y, GetActorField(kFieldX, p), GetActorField(kFieldY, p));
}

int GetDistanceSqToPlayer(int x, int y) {
  int p = GetPlayerActor();
  if (p < 1) return 0x3FFFFFFF;
  return DistanceSq(x, y, GetActorField(kFieldX, p), GetActorField(kFieldY, p));
}

int RewardHeading() {
  int p = GetPlayerActor();
  if (p < 1) return 2700;
  return GetActorField(kFieldY, p) <= 240 ? 2700 : -2700;
}

uint32_t ActorFlags(int actor) { return static_cast<uint32_t>(GetActorField(kFieldFlags, actor)); }

bool PhaseRunning() { return (GetGameVar(kVarSessionFlags) & kSessionPhaseIdle) == 0; }

bool ShiftRunning() { return GetGameVar(kVarShiftTimer) >= 1; }

void SpawnRewardItem(int kind) {
  const int heading = RewardHeading();
  SpawnItem(640, 240, heading, 512, kind);
}

void SlideBanner(int x, int y, int layer, int textId, uint32_t colour, int speed) {
  int label = SpawnLabelActor(x, y, layer, 3, textId, colour);
  StartBannerSlide(label, speed);
}

void PopBanner(int textId, int32_t number, int speed) {
  SlideBanner(640, 464, kPopBannerLayer, textId, kBannerColour, 20);
  int label = SpawnLabelActor(640, 464, kPopBannerLayer, 5, number, kNumberColour);
  StartBannerSlide(label, speed);
}

void AddScore(int32_t units) {
  int32_t old = GetGameVar(kVarScore);
  int32_t now = static_cast<int32_t>(static_cast<uint32_t>(old) + static_cast<uint32_t>(units));
  if (old < kScoreReward && now >= kScoreReward) SpawnRewardItem(33);
  SetGameVar(kVarScore, now);
}

void ChangePhaseLevel(int delta) {
  int32_t old = GetGameVar(kVarPhaseLevel);
  int64_t now = static_cast<int64_t>(old) + delta;
  if (GetGameVar(kVarShiftSavedLevel) > 0 || GetGameVar(kVarArea) == kMissionArea) {
    now = 11;
  } else {
    switch (GetGameVar(kVarDifficulty)) {
      case kNovice: now = std::min<int64_t>(now, 2); break;
      case kRevised: now = std::min<int64_t>(now, 5); break;
      case kDemonic: now = 11; break;
      default: now = std::min<int64_t>(now, INT32_MAX); break;
    }
  }
  now = std::max<int64_t>(now, 1);
  bool preview = (GetPlayerField(kFieldFlags) & kPlayerPreviewFlag) != 0;
  if (!preview && now != old && delta != 0) {
    SlideBanner(-192, 48, 29, now > old ? 182 : 180, kBannerColour, -13);
  }
  SetGameVar(kVarLevelTimer, 60);
  SetGameVar(kVarPhaseLevel, static_cast<int32_t>(now));
}

void ClearBonusDisplay() {
  SetGameVar(kVarBossGauge, 0);
  SetGameVar(kVarBossId, 0);
  SetGameVar(kVarBossDigit, 0);
  SetGameVar(kVarGaugeSlide, 0);
}

void AddChainTime(int frames) {
  int64_t t = static_cast<int64_t>(GetGameVar(kVarChainTimer)) + frames;
  SetGameVar(kVarChainTimer, static_cast<int32_t>(std::min<int64_t>(t, 60)));
}

int CalcSpiritRating() {
  int64_t m = GetGameVar(kVarArea) + 1;
  if (GetGameVar(kVarContinues) >= 1) m = 1;
  int64_t frames = std::max<int32_t>(GetGameVar(kVarLevelFrames), 1);
  int64_t average = GetGameVar(kVarLevelSum) / frames;
  int64_t rating = average * m + GetGameVar(kVarOnslaughts) + GetGameVar(kVarScore) / 100000 -
                   GetGameVar(kVarTimesHit) - GetGameVar(kVarBombsLaunched) / 2;
  return static_cast<int>(std::clamp<int64_t>(rating, 0, INT32_MAX));
}

int32_t GetPlayMode() { return GetSettingsSlot(kSlotPlayMode); }
bool IsReplayPlayback() { return (GetPlayMode() & kPlayReplay) != 0; }

int ReadPlaySlot(int slot) {
  switch (slot) {
    case kSlotStartLives: return GetSettingsSlotClamped(slot, 0, 4);
    case kSlotContinues: return GetSettingsSlotClamped(slot, 0, 999);
    case kSlotDifficulty: return GetSettingsSlotClamped(slot, 0, 3);
    case kSlotCharacter: return GetSettingsSlotClamped(slot, 0, 1);
    case kSlotStartArea: {
      // Area 5 has no start path and 7 no area; the mission area keeps its own start.
      int32_t a = GetSettingsSlot(slot);
      return (a >= 0 && a <= 4) || a == kMissionArea ? a : 0;
    }
    case kSlotRigChoice: return GetSettingsSlotClamped(slot, 0, 3);
    case kSlotReplayLoadout: return GetSettingsSlotClamped(slot, 0, 63);
    default:
      if (slot >= kSlotRigs && slot < kSlotRigs + 12) return GetSettingsSlotClamped(slot, 0, 3);
      return GetSettingsSlot(slot);
  }
}
