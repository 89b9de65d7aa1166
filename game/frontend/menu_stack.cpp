// The menu stack: the cursor and code of each open level, the current task (the top window, whose
// field 116 the frame loop polls), the path saved for reopening after a replay, and the hand-back
// to the parent window when a window dies.
#include <algorithm>
#include <iterator>

#include "game/framework/actors.h"
#include "game/framework/settings.h"
#include "game/frontend/frontend.h"

namespace {

MenuStack g_stack = [] {
  MenuStack s{};
  s.depth = -1;
  s.savedDepth = -1;
  for (int i = 0; i < kMenuLevels; ++i) s.levels[i] = s.saved[i] = {-1, -1};
  return s;
}();

bool InLevels(int level) { return level >= 0 && level < kMenuLevels; }

// The task whose fields the current-task accessors use: the current task while it is a live
// scene task, else actor 0, which no allocation hands out and every pool reset clears, so that an
// exit code written with no window open is still seen, and one from an earlier scene never is.
int FieldTask() { return IsLiveSceneTask(g_stack.currentTask) ? g_stack.currentTask : 0; }

}  // namespace

const MenuStack& GetMenuStack() { return g_stack; }

void ResetMenuStack() {
  for (MenuStackLevel& l : g_stack.levels) l = {-1, -1};
  g_stack.depth = -1;
}

void ClearSavedMenuPath() {
  for (MenuStackLevel& l : g_stack.saved) l = {-1, -1};
  g_stack.savedDepth = -1;
}

void SaveMenuPath() {
  std::copy(std::begin(g_stack.levels), std::end(g_stack.levels), std::begin(g_stack.saved));
  g_stack.savedDepth = g_stack.depth;
}

void RestoreMenuPath() {
  std::copy(std::begin(g_stack.saved), std::end(g_stack.saved), std::begin(g_stack.levels));
  g_stack.depth = g_stack.savedDepth;
}

int PushMenuLevel() {
  if (g_stack.depth < kMenuLevels - 1) ++g_stack.depth;
  return g_stack.depth;
}

int PopMenuLevel() {
  if (g_stack.depth > -1) {
    g_stack.levels[g_stack.depth] = {-1, -1};
    --g_stack.depth;
  }
  return g_stack.depth;
}

void SetMenuLevelCursor(int32_t /*kind*/, int cursor) {
  if (InLevels(g_stack.depth)) g_stack.levels[g_stack.depth].cursor = cursor;
}

void SetMenuLevelCursorAt(int level, int cursor) {
  if (InLevels(level)) g_stack.levels[level].cursor = cursor;
}

void SetMenuLevelCode(int level, int32_t code) {
  if (InLevels(level)) g_stack.levels[level].code = code;
}

int GetMenuLevelCursor() { return GetMenuLevelCursorAt(g_stack.depth); }

int GetMenuLevelCursorAt(int level) { return InLevels(level) ? g_stack.levels[level].cursor : -1; }

int GetMenuDepth() { return g_stack.depth; }

int GetCurrentMenuTask() { return g_stack.currentTask; }

void SetCurrentMenuTask(int task) { g_stack.currentTask = task; }

bool IsLiveSceneTask(int task) {
  if (task < 1 || task >= kActorCount) return false;
  const int32_t kind = GetActorField(kFieldKind, task);
  return kind > 0 && (kind >> 28) == 1;
}

int32_t GetMenuTaskField(int n) {
  if (n < 0 || n >= kActorFieldCount) return 0;
  return GetActorField(n, FieldTask());
}

void SetMenuTaskField(int n, int32_t value) {
  if (n < 0 || n >= kActorFieldCount) return;
  SetActorField(n, FieldTask(), value);
}

void ReturnToParentMenu(int task) {
  if (task != g_stack.currentTask) return;
  const int parent = GetActorField(kFieldParent, task);
  // A parent that has died (its scene ended, or its slot went to a later actor of any group)
  // cannot take the menu back: no window is current then.
  if (IsLiveSceneTask(parent) &&
      GetActorField(kFieldSerial, parent) == GetActorField(kFieldParentSerial, task)) {
    SetCurrentMenuTask(parent);
    PopMenuLevel();
    return;
  }
  SetActorField(kFieldExitCode, 0, GetActorField(kFieldExitCode, task));
  SetCurrentMenuTask(0);
}

int CloseMenuLevels(int n) {
  for (int i = 0; i < n; ++i) {
    const int task = g_stack.currentTask;
    if (IsLiveSceneTask(task)) OrActorField(kFieldFlags, task, kFlagDead);
    ReturnToParentMenu(task);
  }
  return g_stack.currentTask;
}

void CloseWindowTask(int /*task*/) {
  if (IsLiveSceneTask(g_stack.currentTask)) OrActorField(kFieldFlags, g_stack.currentTask, kFlagDead);
}

int32_t MenuSlotDifficulty() { return GetSettingsSlotClamped(kSlotLastDifficulty, 0, 3); }
int32_t MenuSlotCharacter() { return GetSettingsSlotClamped(kSlotLastCharacter, 0, 1); }
int32_t MenuSlotArea() { return GetSettingsSlotClamped(kSlotLastArea, 0, 4); }
int32_t MenuSlotRig() { return GetSettingsSlotClamped(kSlotRigChoice, 0, 3); }
int MenuRigPickSlot(int rig, int part) { return kSlotRigs + 3 * (rig & 3) + std::clamp(part, 0, 2); }
int32_t MenuRigPick(int rig, int part) { return GetSettingsSlotClamped(MenuRigPickSlot(rig, part), 0, 3); }
