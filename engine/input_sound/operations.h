// Operations of the input and sound folder that stand behind public entries (engine/engine.h).
#pragma once
#include "engine/engine.h"

int GetMouseButtonBits();
int IsKeyDown(int keyCode);
int GetPadCount();
int GetPadInputBits(int pad);

int LoadSoundFile(const char* fileName, int bufferCount, int shareHandle);
int PlaySoundHandle(int sound, int playType, int fromTop);
int StopSoundHandle(int sound);
int IsSoundHandlePlaying(int sound);
int SetSoundHandleVolume(int volume, int sound);
int SetStreamLoopMilliseconds(int milliseconds, int sound);
int SetSoundCreateType(int type);
int IsSoundSystemRunning();
