// Stand-ins for the scene set-ups, the scene tasks of the opening and the title, the pause menu and
// the current task's fields until the front end provides them. Each is one small function,
// deleted when its real one lands.
#include "game/framework/scene_hooks.h"

#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/framework/frame_loop.h"
#include "game/framework/game_hooks.h"
#include "game/framework/settings.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"

namespace {

int g_standinTask = 0;   // the current scene task of the stand-ins (0: none)

int StandinTask(int32_t kind) {
  const int task = SpawnActor(0, 0, 28, 0, kind);
  if (task > 0) {
    OrActorField(kFieldFlags, task, kFlagRunsWhenPaused);
    g_standinTask = task;
  }
  return task;
}

// The opening picture on white; at age 120 the scene ends for the title.
void StandinOpeningTask(int task) {
  AddDrawRect(0, 0, 640, 480, 0, 1);
  AddDrawSpriteRot(328, 240, 26, 191, 1000, 0);
  if (GetActorField(kFieldAge, task) == 120) {
    CaptureScreenToBuffer();
    StartScreenCrossfade();
    SetActorField(kFieldSceneExit, task, kExitTitle);
  }
}

// On black: the title picture fading in, the side picture, the edition label and the first menu
// item in the sprite font, blinking.
void StandinTitleTask(int task) {
  const int age = GetActorField(kFieldAge, task);
  SetDrawColor(AddDrawRect(0, 0, 640, 480, 0, 1), 0x000000FFu);
  const uint32_t alpha = age * 4 + 15 > 255 ? 255u : static_cast<uint32_t>(age * 4 + 15);
  SetDrawColor(AddDrawSpriteRot(320, 240, 1, 194, 1000, 5400), 0xFFFFFF00u | alpha);
  AddDrawSprite(8, 232, 25, 193);
  AddDrawTextString(1, 1, 28, 432);
  if (age % 60 < 40) AddDrawTextGlyph(272, 400, 28, 8);
}

}  // namespace

int RunOpeningState() {
  const int task = StandinTask(0x1000001E);
  if (task < 1) return -1;
  CaptureScreenToBuffer();
  StartScreenCrossfade();
  PlayBgm(0);
  return task;
}

int RunTitleState() {
  const int task = StandinTask(0x1000001F);
  if (task < 1) return -1;
  SetSettingsSlot(kSlotPlayMode, 0);
  PlayBgmWithTitle(0);
  return task;
}

void DispatchSceneTask(int task) {
  switch (GetActorField(kFieldKind, task) & 0xFFFF) {
    case 0x1E: StandinOpeningTask(task); break;
    case 0x1F: StandinTitleTask(task); break;
    default: break;
  }
}

int OpenPauseMenu() {
  const int window = StandinTask(0x1000000F);
  if (window > 0) SetActorField(65, window, 1);
  return window;
}

int32_t GetMenuTaskField(int n) { return GetActorField(n, g_standinTask); }

void SetMenuTaskField(int n, int32_t value) { SetActorField(n, g_standinTask, value); }
