// Which menu or scene a scripted run is looking at.
#pragma once
#include <cstdint>

#include "game/framework/actors.h"
#include "game/frontend/frontend.h"

// The kind of the scene task `task` (by default the current menu task), 0 when it does not run.
inline int32_t MenuKind(int task = GetCurrentMenuTask()) {
  return IsLiveSceneTask(task) ? GetActorField(kFieldKind, task) : 0;
}
