// Area backgrounds: the background actor whose position is the world scroll, its replacement by
// the menus' own backgrounds, and the motes and streaks it scatters.
#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/engine_entries.h"
#include "game/framework/spawn.h"
#include "game/framework/sprites.h"
#include "game/play/play.h"
#include "game/play/play_internal.h"

namespace {

constexpr int32_t kKindMote = 0x50000000;

void SpawnMote(int background, int x) {
  int speed = GameRandom(1000) + 1000;
  int heading = GameRandom(600) + 10500;
  int height = GameRandom(480);
  int mote = SpawnMovingActor(x + 656, height, 2, 1572 | kSpriteAdditive, heading, speed, kKindMote);
  if (mote < 1) return;
  AddActorField(kFieldVx, mote, GetActorField(kFieldVx, background));
  AddActorField(kFieldVy, mote, GetActorField(kFieldVy, background));
  OrActorField(kFieldFlags, mote, kFlagWorldCoords);
  SetActorField(kFieldColour, mote, static_cast<int32_t>(0xFFFFFF3Fu));
  SetActorField(kFieldScale, mote, 300);
  FadeOutActor(mote, 200);
}

void SpawnStreak() {
  int r = GameRandom(800);
  int speed = GameRandom(512) + 512;
  int32_t sprite = (1540 + 16 * (GetGameVar(kVarFrame) % 3)) | kSpriteAdditive;
  int streak = r % 2 == 0 ? SpawnMovingEffect(r, 0, 2, sprite, 5400, speed)
                          : SpawnMovingEffect(r, 480, 2, sprite, 16200, speed);
  if (streak < 1) return;
  SetActorField(kFieldVx, streak, -2048);
  SetActorField(kFieldColour, streak, static_cast<int32_t>(0xFFFFFF3Fu));
  AddActorCommand(streak, kCmdAddAlpha, 32, 63, -1, 0);
  AddActorCommand(streak, kCmdAddScale, 0, 95, -10, 0);
  AddActorCommandAt(streak, kCmdDelete, 96);
}

}  // namespace

int CreateAreaBackground(int area) {
  int background = SpawnActor(0, 0, 1, 15, 0x20000002);
  if (background < 0) return -1;
  SetActorField(kBackgroundPattern, background, area + 1);
  SetGameVar(kVarBackground, background);
  return background;
}

void ReplaceBackground(int actor) {
  int old = GetGameVar(kVarBackground);
  if (old > 0) AddActorCommand(old, kCmdOrFlags, 0, 32, static_cast<int32_t>(kFlagDead), 0);
  SetGameVar(kVarBackground, actor < 0 ? 0 : actor);
}

void AreaBackgroundTask(int actor) {
  if (GetActorField(kBackgroundPattern, actor) >= 16) return;
  int area = GetGameVar(kVarArea);
  int x = GetActorField(kFieldX, actor);
  int y = GetActorField(kFieldY, actor);
  // In the first two areas the view leans toward the player's height.
  if ((area == 0 || area == 1) && GetPlayerActor() > 0) y -= (GetPlayerField(kFieldY) - 240) / 16;
  SetScrollOffset(x, y);
  if (area == 0) SpawnMote(actor, x);
  else if (area == kMissionArea) SpawnStreak();
}
