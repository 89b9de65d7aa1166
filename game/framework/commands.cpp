// The actor command scheduler. The table starts out as ResetActorCommands leaves it.
#include "game/framework/commands.h"

#include "game/framework/actors.h"
#include "game/framework/game_math.h"

namespace {

constexpr int kCmdHead = 0;
constexpr int kCmdTail = 1;
constexpr int kCmdFirstFree = 2;
constexpr int kCmdLastFree = 7997;
constexpr int32_t kSentinelActor = 1;
constexpr int32_t kSentinelCode = 31;

int32_t g_actor[kCommandCount] = {kSentinelActor, kSentinelActor};
int32_t g_code[kCommandCount] = {kSentinelCode, kSentinelCode};
int32_t g_start[kCommandCount];
int32_t g_end[kCommandCount];
int32_t g_a1[kCommandCount];
int32_t g_a2[kCommandCount];
int32_t g_serial[kCommandCount];
int32_t g_next[kCommandCount] = {kCmdTail, 0};
int32_t g_prev[kCommandCount];
int g_cursor = kCmdFirstFree;
bool g_pauseFilter = false;
// Live commands of each actor: removing an actor that has none (most of them) skips the walk of
// the whole table.
int32_t g_liveOfActor[kActorCount];
// The slot the per-frame run visits next; a removal of that slot moves it on, so commands that
// a deletion takes out are skipped and every other command still runs once. -1 outside a run.
int g_runNext = -1;

bool LiveSlot(int slot) { return slot >= kCmdFirstFree && slot <= kCmdLastFree && g_actor[slot] != 0; }

// Colour channels: red bits 24-31, green 16-23, blue 8-15, alpha 0-7.
void SetChannel(int shift, int64_t value) {
  const uint32_t colour = static_cast<uint32_t>(GetCurField(kFieldColour));
  const uint32_t channel = static_cast<uint32_t>(ClampByte(value)) << shift;
  SetCurField(kFieldColour, static_cast<int32_t>((colour & ~(0xFFu << shift)) | channel));
}
void AddChannel(int shift, int32_t d) {
  const uint32_t colour = static_cast<uint32_t>(GetCurField(kFieldColour));
  SetChannel(shift, static_cast<int64_t>((colour >> shift) & 0xFFu) + d);
}

void SetCurFlag(uint32_t bit, bool on) {
  if (on) {
    OrCurField(kFieldFlags, bit);
  } else {
    ClearCurFieldBits(kFieldFlags, bit);
  }
}

// Code 25: one step of +1 or -1 every abs(a2) frames of the command's own time.
void StepField(int field, int32_t step, int32_t age, int32_t start) {
  if (step == 0 || field < 0 || field >= kActorFieldCount) return;
  const int64_t period = step < 0 ? -static_cast<int64_t>(step) : step;
  const int64_t elapsed = static_cast<int64_t>(age) - start;
  if (elapsed % period == period - 1) AddCurField(field, step > 0 ? 1 : -1);
}

void ApplyCode(int slot, int32_t age) {
  const int32_t a1 = g_a1[slot];
  const int32_t a2 = g_a2[slot];
  switch (g_code[slot]) {
    case kCmdSetHeading: SetCurField(kFieldHeading, a1); break;
    case kCmdAddHeading: AddCurField(kFieldHeading, a1); break;
    case kCmdSetSpeed: SetCurField(kFieldSpeed, a1); break;
    case kCmdAddSpeed: AddCurField(kFieldSpeed, a1); break;
    case kCmdSetPos: SetCurPos(a1, a2); break;
    case kCmdWorldCoords: SetCurFlag(kFlagWorldCoords, a1 != 0); break;
    case kCmdSetVelocity:
      SetCurField(kFieldVx, a1);
      SetCurField(kFieldVy, a2);
      break;
    case kCmdAddVelocity:
      AddCurField(kFieldVx, a1);
      AddCurField(kFieldVy, a2);
      break;
    case kCmdSetScale: SetCurField(kFieldScale, a1); break;
    case kCmdAddScale: AddCurField(kFieldScale, a1); break;
    case kCmdSetRed: SetChannel(24, a1); break;
    case kCmdAddRed: AddChannel(24, a1); break;
    case kCmdSetGreen: SetChannel(16, a1); break;
    case kCmdAddGreen: AddChannel(16, a1); break;
    case kCmdSetBlue: SetChannel(8, a1); break;
    case kCmdAddBlue: AddChannel(8, a1); break;
    case kCmdSetAlpha: SetChannel(0, a1); break;
    case kCmdAddAlpha: AddChannel(0, a1); break;
    case kCmdSetSprite: SetCurField(kFieldSprite, a1); break;
    case kCmdRotationFollows: SetCurFlag(kFlagRotationFollowsHeading, a1 != 0); break;
    case kCmdSetRotation: SetCurField(kFieldRotation, a1); break;
    case kCmdAddRotation: AddCurField(kFieldRotation, a1); break;
    case kCmdSetField:
      if (a1 >= 0 && a1 < kActorFieldCount) SetCurField(a1, a2);
      break;
    case kCmdAddField:
      if (a1 >= 0 && a1 < kActorFieldCount) AddCurField(a1, a2);
      break;
    case kCmdStepField: StepField(a1, a2, age, g_start[slot]); break;
    case kCmdOrFlags: OrCurField(kFieldFlags, static_cast<uint32_t>(a1)); break;
    case kCmdClearFlags: ClearCurFieldBits(kFieldFlags, static_cast<uint32_t>(a1)); break;
    case kCmdDelete: DeleteActor(g_actor[slot]); break;
    default: break;   // 10, 28 and unknown codes change nothing
  }
}

bool AsksVelocity(int32_t code) { return code >= kCmdSetHeading && code <= kCmdAddSpeed; }
bool AsksRotation(int32_t code) {
  return code == kCmdSetHeading || code == kCmdAddHeading || code == kCmdSetVelocity ||
         code == kCmdAddVelocity;
}

}  // namespace

int AllocActorCommand() {
  const int stop = g_cursor - 1;
  bool firstPass = true;
  while (g_cursor < stop || firstPass) {
    if (g_actor[g_cursor] == 0) return g_cursor;
    ++g_cursor;
    if (g_cursor > kCmdLastFree) {
      g_cursor = kCmdFirstFree;
      firstPass = false;
    }
  }
  return -1;
}

int AddActorCommand(int actor, int code, int delay, int duration, int32_t a1, int32_t a2) {
  // A command needs a live actor; the list's head, tail and sentinels take none.
  if (actor < kActorFirstFree || actor >= kActorCount || GetActorField(kFieldKind, actor) == 0) return 0;
  const int slot = AllocActorCommand();
  if (slot < 0) return -1;
  const int32_t age = GetActorField(kFieldAge, actor);
  g_actor[slot] = actor;
  ++g_liveOfActor[actor];
  g_code[slot] = code;
  g_start[slot] = WrapAdd(age, delay);
  g_a1[slot] = a1;
  g_a2[slot] = a2;
  g_serial[slot] = GetActorField(kFieldSerial, actor);
  const int last = g_prev[kCmdTail];
  g_next[last] = slot;
  g_prev[slot] = last;
  g_next[slot] = kCmdTail;
  g_prev[kCmdTail] = slot;
  if (delay >= 0) {
    g_end[slot] = WrapAdd(g_start[slot], duration);
    return slot;
  }
  g_end[slot] = 0;
  RunActorCommand(slot);
  return slot;
}

int AddActorCommandArg(int actor, int code, int delay, int duration, int32_t a1) {
  return AddActorCommand(actor, code, delay, duration, a1, 0);
}
int AddActorCommandSpan(int actor, int code, int delay, int duration) {
  return AddActorCommand(actor, code, delay, duration, 0, 0);
}
int AddActorCommandAt(int actor, int code, int delay) { return AddActorCommand(actor, code, delay, 1, 0, 0); }
int RunActorCommandNow2(int actor, int code, int32_t a1, int32_t a2) {
  return AddActorCommand(actor, code, -1, 0, a1, a2);
}
int RunActorCommandNow1(int actor, int code, int32_t a1) { return AddActorCommand(actor, code, -1, 0, a1, 0); }
int RunActorCommandNow(int actor, int code) { return AddActorCommand(actor, code, -1, 0, 0, 0); }

void FadeInActor(int actor, int delay) {
  if (GetActorField(kFieldKind, actor) < 0) return;
  ClearActorFieldBits(kFieldColour, actor, 0xFFu);
  AddActorCommand(actor, kCmdAddAlpha, delay, 32, 8, 0);
}

void FadeOutActor(int actor, int delay) {
  if (GetActorField(kFieldKind, actor) < 0) return;
  AddActorCommand(actor, kCmdAddAlpha, delay, 32, -8, 0);
  AddActorCommandAt(actor, kCmdDelete, static_cast<int>(WrapAdd(delay, 33)));
}

void RunActorCommand(int slot) {
  if (!LiveSlot(slot)) return;
  const int actor = g_actor[slot];
  if (actor == kSentinelActor) return;
  const uint32_t flags = static_cast<uint32_t>(GetActorField(kFieldFlags, actor));
  if (g_pauseFilter && (flags & kFlagRunsWhenPaused) == 0) return;
  const int32_t age = GetActorField(kFieldAge, actor);
  if (age < g_start[slot]) return;
  // A freed actor's commands are stale even when its cleared serial happens to match.
  if (GetActorField(kFieldSerial, actor) != g_serial[slot] || GetActorField(kFieldKind, actor) == 0) {
    RemoveActorCommand(slot);
    return;
  }

  SetCurrentActor(actor);
  const int32_t code = g_code[slot];
  ApplyCode(slot, age);
  if (code == kCmdDelete) return;

  const bool last = age >= g_end[slot];
  if (!last && AsksVelocity(code)) {
    int vx = 0, vy = 0;
    PolarToXY(&vx, &vy, GetCurField(kFieldHeading), GetCurField(kFieldSpeed));
    SetCurField(kFieldVx, vx);
    SetCurField(kFieldVy, vy);
  }
  if (AsksRotation(code) && (static_cast<uint32_t>(GetCurField(kFieldFlags)) & kFlagRotationFollowsHeading)) {
    SetCurField(kFieldRotation, GetCurField(kFieldHeading));
  }
  if (last) RemoveActorCommand(slot);
}

void UpdateActorCommands() {
  g_pauseFilter = IsActorsPaused() || IsSlowSkipFrame();
  int slot = g_next[kCmdHead];
  for (int visited = 0; slot != kCmdTail && visited < kCommandCount; ++visited) {
    if (slot < 0 || slot >= kCommandCount) break;
    g_runNext = g_next[slot];
    RunActorCommand(slot);
    slot = g_runNext;
  }
  g_runNext = -1;
}

void RemoveActorCommand(int slot) {
  if (!LiveSlot(slot)) return;
  const int prev = g_prev[slot];
  const int next = g_next[slot];
  if (slot == g_runNext) g_runNext = next;
  g_next[prev] = next;
  g_prev[next] = prev;
  const int actor = g_actor[slot];
  if (actor >= 0 && actor < kActorCount && g_liveOfActor[actor] > 0) --g_liveOfActor[actor];
  g_actor[slot] = 0;
  g_code[slot] = 0;
  g_start[slot] = 0;
  g_end[slot] = 0;
  g_a1[slot] = 0;
  g_a2[slot] = 0;
  g_serial[slot] = 0;
  g_next[slot] = 0;
  g_prev[slot] = 0;
}

void RemoveActorCommandsOf(int actor) {
  if (actor < 2 || actor >= kActorCount) return;   // 0 marks free slots and 1 the sentinels
  for (int slot = kCmdFirstFree; slot <= kCmdLastFree && g_liveOfActor[actor] > 0; ++slot) {
    if (g_actor[slot] == actor) RemoveActorCommand(slot);
  }
}

void ResetActorCommands() {
  for (int i = 0; i < kCommandCount; ++i) {
    g_actor[i] = g_code[i] = g_start[i] = g_end[i] = g_a1[i] = g_a2[i] = g_serial[i] = 0;
    g_next[i] = g_prev[i] = 0;
  }
  for (int32_t& n : g_liveOfActor) n = 0;
  g_actor[kCmdHead] = g_actor[kCmdTail] = kSentinelActor;
  g_code[kCmdHead] = g_code[kCmdTail] = kSentinelCode;
  g_next[kCmdHead] = kCmdTail;
  g_prev[kCmdTail] = kCmdHead;
  g_cursor = kCmdFirstFree;
  g_pauseFilter = false;
  // A reset in the middle of a run ends the run.
  if (g_runNext >= 0) g_runNext = kCmdTail;
}

int CountActorCommands() {
  int n = 0;
  for (int slot = kCmdFirstFree; slot <= kCmdLastFree; ++slot) n += g_actor[slot] != 0;
  return n;
}
