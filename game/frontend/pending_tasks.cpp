// Tasks of the configuration, key assignment, records and replay list windows until they are
// built on the menu stack: each window can only be left again with M ACTION.
#include "game/framework/actors.h"
#include "game/frontend/frontend.h"

namespace {

void LeaveOnCancel(int task) {
  if (task == GetCurrentMenuTask() && IsCancelPressed()) {
    OrActorField(kFieldFlags, task, kFlagDead);
    KillChildActors(task);
  }
}

}  // namespace

void GameConfigTask(int task) { LeaveOnCancel(task); }
void KeyAssignTask(int task) { LeaveOnCancel(task); }
void PlayOrdersTask(int task) { LeaveOnCancel(task); }
void ScoreBoardTask(int task) { LeaveOnCancel(task); }
void ReplayModeTask(int task) { LeaveOnCancel(task); }
