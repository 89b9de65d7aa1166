// The actor command scheduler: timed changes of one actor's fields (fades, slides, velocity
// ramps, flag changes, deletions) in a fixed FIFO table of 8000 slots, run once per frame after
// the actor update, timed by each actor's own age.
#pragma once
#include <cstdint>

constexpr int kCommandCount = 8000;

enum ActorCommandCode : int {
  kCmdSetHeading = 0, kCmdAddHeading = 1, kCmdSetSpeed = 2, kCmdAddSpeed = 3, kCmdSetPos = 4,
  kCmdWorldCoords = 5, kCmdSetVelocity = 6, kCmdAddVelocity = 7, kCmdSetScale = 8,
  kCmdAddScale = 9, kCmdNothing = 10, kCmdSetRed = 11, kCmdAddRed = 12, kCmdSetGreen = 13,
  kCmdAddGreen = 14, kCmdSetBlue = 15, kCmdAddBlue = 16, kCmdSetAlpha = 17, kCmdAddAlpha = 18,
  kCmdSetSprite = 19, kCmdRotationFollows = 20, kCmdSetRotation = 21, kCmdAddRotation = 22,
  kCmdSetField = 23, kCmdAddField = 24, kCmdStepField = 25, kCmdOrFlags = 26,
  kCmdClearFlags = 27, kCmdNothing2 = 28, kCmdDelete = 29,
};

int AddActorCommand(int actor, int code, int delay, int duration, int32_t a1, int32_t a2);
int AddActorCommandArg(int actor, int code, int delay, int duration, int32_t a1);
int AddActorCommandSpan(int actor, int code, int delay, int duration);
int AddActorCommandAt(int actor, int code, int delay);
int RunActorCommandNow2(int actor, int code, int32_t a1, int32_t a2);
int RunActorCommandNow1(int actor, int code, int32_t a1);
int RunActorCommandNow(int actor, int code);
void FadeInActor(int actor, int delay);
void FadeOutActor(int actor, int delay);
void RunActorCommand(int slot);
void UpdateActorCommands();
int AllocActorCommand();
void RemoveActorCommand(int slot);
void RemoveActorCommandsOf(int actor);
void ResetActorCommands();
int CountActorCommands();                             // live commands, for tests and benchmarks
