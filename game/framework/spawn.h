// Spawners: actors built in one call (plain and moving effects, actors of any kind, labels,
// rectangles) and the effect families with their motion and scripted fade and deletion; the
// screen crossfade, the banner slide and the music change with its title. Every random choice is
// a GameRandom draw, in the order listed by each spawner (part of the replay format).
#pragma once
#include <cstdint>

int SpawnEffect(int x, int y, int layer, int32_t sprite);
int SpawnMovingEffect(int x, int y, int layer, int32_t sprite, int heading, int speed);
int SpawnActor(int x, int y, int layer, int32_t sprite, int32_t kind);
int SpawnMovingActor(int x, int y, int layer, int32_t sprite, int heading, int speed, int32_t kind);

void SetActorFadeOutDeath(int actor, int n, int fade);
void RetireActor(int actor);
int RetireActorsOnLayer(int layer);
void StartBannerSlide(int actor, int speed);

// Label draw slots: 3 sprite-font text id, 4 library-font text id, 5 number, 6 zero-padded number.
int SpawnLabelActorEx(int x, int y, int layer, int drawSlot, int32_t value, uint32_t colour, int digits);
int SpawnLabelActor(int x, int y, int layer, int drawSlot, int32_t value, uint32_t colour);
int SpawnRisingLabel(int x, int y, int layer, int drawSlot, int32_t value, uint32_t colour);
int SpawnRectActor(int x, int y, int x2, int y2, int layer, uint32_t colour);

void StartScreenCrossfade();
void PlayBgmWithTitle(int track);

int SpawnParticle(int x, int y, int layer, int32_t sprite, int heading, int speed, int scale);
int SpawnSpark(int x, int y, int layer, int32_t sprite, int heading, int speed);
int SpawnDebris(int x, int y, int layer, int32_t sprite, int scale);
void SpawnParticleBurst(int x, int y, int layer, int32_t sprite, int n, int v);
void SpawnDebrisBurst(int x, int y, int layer, int32_t sprite, int n, int v);
void SpawnParticleRing(int x, int y, int layer, int32_t sprite, int n, int speed);
void SpawnDebrisRing(int x, int y, int layer, int32_t sprite, int n, int speed);
int SpawnTrail(int x, int y, int32_t sprite, int heading, int speed, int growth);
int SpawnShockwave(int x, int y, int layer, int32_t sprite, int size);
void SpawnSpinningDebris(int x, int y, int layer, int32_t firstSprite, int variants, int n, int speed,
                         int dvx, int dvy);
void SpawnGridSparkles(int x, int y, int layer, int32_t sprite, int n);
