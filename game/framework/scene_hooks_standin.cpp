// Stand-ins for the scene set-ups, the pause menu and the current task's fields until the front
// end and play provide them. Each is one small function, deleted when its real one lands.
#include "game/framework/scene_hooks.h"

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/drawlist.h"
#include "game/framework/settings.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"
#include "game/frontend/frontend.h"

namespace {

int StandinTask(int32_t kind) {
  const int task = SpawnActor(0, 0, 28, 0, kind);
  if (task > 0) {
    OrActorField(kFieldFlags, task, kFlagRunsWhenPaused);
    SetCurrentMenuTask(task);
  }
  return task;
}

}  // namespace

// The opening picture on white; the scene ends for the title after 120 frames.
int RunOpeningState() {
  const int task = StandinTask(0x1000001E);
  if (task < 1) return -1;
  SpawnRectActor(0, 0, 640, 480, 0, 0xFFFFFFFFu);
  SpawnEffect(328, 240, 26, 191);
  AddActorCommand(task, kCmdSetField, 120, 0, 116, 80);
  CaptureScreenToBuffer();
  StartScreenCrossfade();
  PlayBgm(0);
  return task;
}

// The title picture, the side picture, the edition label and the menu's first item in the sprite
// font; the scene runs until the program is closed.
int RunTitleState() {
  const int task = StandinTask(0x1000001F);
  if (task < 1) return -1;
  const int title = SpawnEffect(320, 240, 1, 194);
  if (title > 0) SetActorField(kFieldRotation, title, 5400);
  SpawnEffect(8 + 56, 232 + 120, 25, 193);
  SpawnLabelActor(1, 1, 28, 4, 432, 0xFFFFFFFFu);
  SpawnLabelActor(272, 400, 28, 3, 8, 0xFFFFFFFFu);
  SetSettingsSlot(kSlotPlayMode, 0);
  PlayBgmWithTitle(0);
  return task;
}

int OpenPauseMenu() {
  const int window = StandinTask(0x1000000F);
  if (window > 0) SetActorField(65, window, 1);
  return window;
}
