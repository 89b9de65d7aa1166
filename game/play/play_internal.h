// Shared inside game/play: the play's own state that is not a game variable, and small helpers of
// the session, player and status display.
#pragma once
#include <cstdint>

// The replay's end word (or an unusable area block) ends the play; the actor walk only notes it,
// and the session update ends the play once the walk is over.
void NotePlayEnd();
bool IsPlayEndNoted();
void ClearPlayEndNote();

// Whether this frame's actor walk held the actors back (paused, or a slow-skip frame). Taken when
// the walk reaches the session, before the session ages, so the session update after the walk
// sees the walk's own answer.
void NoteFrameClass();
bool IsFrameHeld();

// The processed input word of the player's previous frame, as the common update found it: the
// character tasks test new presses against it.
uint32_t GetPlayerPrevInput();

// PlayModeWord and its replay-playback bit.
int32_t GetPlayMode();
bool IsReplayPlayback();

// Heading of a reward item entering from the right edge: up-left (2700) when the player is in the
// upper half or absent, else down-left.
int RewardHeading();
// A reward item of that kind entering from the right edge at mid height.
void SpawnRewardItem(int kind);

// A sprite-font label sliding in as a banner.
void SlideBanner(int x, int y, int layer, int textId, uint32_t colour, int speed);
// A caption with a number under it popping up at the bottom right; the number slides in at speed.
void PopBanner(int textId, int32_t number, int speed);

// The flags word (field 24) of an actor.
uint32_t ActorFlags(int actor);
// Whether the phase runs: spawns, bombs and sub weapons are not refused.
bool PhaseRunning();
// Whether a shift is running.
bool ShiftRunning();

// Items: the sprite of kind 0 (kind k draws sprite + k), and the first of the kinds that award a
// play order.
constexpr int kItemFirstSprite = 1184;
constexpr int kFirstPlayOrderKind = 8;

// The background actor's pattern field: area + 1; 16 and above: a menu's background.
constexpr int kBackgroundPattern = 31;

// The settings slot a play starts from, clamped to what a play can use.
int ReadPlaySlot(int slot);
