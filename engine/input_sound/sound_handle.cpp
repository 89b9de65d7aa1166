// Sound handles: the 4096-slot sound table, making and deleting records, the create type, the
// length query and the volume.
#include "engine/input_sound/sound.h"

#include <cstring>

#include "engine/base/handle.h"
#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "engine/input_sound/operations.h"

namespace {

SoundRecord* gSoundTable[kMaxSoundHandles];
int gSoundCount;
int gSoundAreaEnd;
int gSoundNextCheck;

int MakeHandle(uint32_t check, int slot) {
  return (int)((check | 0x1000u) << 16 | (uint32_t)slot);
}

void ReleaseSource(SoundRecord* r, int i) {
  SoundStreamSource* s = &r->sources[i];
  if (s->converter.open) CloseSoundConvert(&s->converter);
  if (s->image) {
    TrackedFree(s->image);
    s->image = nullptr;
  }
  if (r->sourceOwnsStream[i] && s->kind == 3 && s->converter.source.handle &&
      s->converter.source.fn.close) {
    s->converter.source.fn.close(s->converter.source.handle);
  }
  if (s->streamHandle && s->fn.close) s->fn.close(s->streamHandle);
  s->streamHandle = 0;
}

}  // namespace

SoundRecord* GetSoundRecord(int handle) {
  if (!gSoundSystem.started || handle < 0) return nullptr;
  if (((uint32_t)handle & HANDLE_KIND_MASK) != HANDLE_KIND_SOUND) return nullptr;
  int slot = handle & 0xFFFF;
  if (slot >= kMaxSoundHandles || !gSoundTable[slot]) return nullptr;
  if ((gSoundTable[slot]->check << 16) != ((uint32_t)handle & HANDLE_CHECK_MASK)) return nullptr;
  return gSoundTable[slot];
}

int AddSoundData(int handle) {
  int slot;
  uint32_t check;
  if (handle == -1) {
    if (gSoundCount >= kMaxSoundHandles) {
      return LogWrite("サウンドの数が許容量を越えました\n");
    }
    slot = gSoundAreaEnd;
    if (slot == kMaxSoundHandles) {
      for (slot = 0; slot < kMaxSoundHandles && gSoundTable[slot]; ++slot) {
      }
    }
    check = (uint32_t)gSoundNextCheck;
  } else {
    // Re-creating under an existing handle: only into an empty slot that the handle names.
    if (handle < 0 || ((uint32_t)handle & HANDLE_KIND_MASK) != HANDLE_KIND_SOUND) return -1;
    slot = handle & 0xFFFF;
    if (slot >= kMaxSoundHandles || gSoundTable[slot]) return -1;
    check = ((uint32_t)handle >> 16) & 0x7FF;
  }
  auto* r = static_cast<SoundRecord*>(TRACKED_CALLOC(sizeof(SoundRecord)));
  if (!r) return LogWrite("メモリ領域の確保に失敗しました in AddSoundData");
  r->sourceCount = 0;
  r->ringMaster = -1;
  r->ringUser = -1;
  r->check = check;
  if (handle == -1) gSoundNextCheck = gSoundNextCheck == 2047 ? 0 : gSoundNextCheck + 1;
  gSoundTable[slot] = r;
  gSoundCount += 1;
  if (slot >= gSoundAreaEnd) gSoundAreaEnd = slot + 1;
  if (gSoundCount > gSoundAreaEnd) gSoundAreaEnd = gSoundCount;
  return handle == -1 ? MakeHandle(check, slot) : handle;
}

int DeleteSoundHandle(int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (!r) return -1;
  if (r->kind == SOUND_KIND_STREAM) {
    StopStreamSound(handle);
  } else if (r->buffers[0].valid) {
    StopSoundHandle(handle);
  }
  if (r->kind == SOUND_KIND_MEMORY) {
    for (int i = 0; i < r->bufferCount && i < kSoundBufferMax; ++i) {
      if (r->buffers[i].valid) ReleaseBufferSlot(&r->buffers[i]);
    }
    if (r->pcm) TrackedFree(r->pcm);
    r->pcm = nullptr;
  } else {
    if (r->ringMaster != -1) {
      SoundRecord* master = GetSoundRecord(r->ringMaster);
      if (master) {
        master->sharers -= 1;
        int masterHandle = r->ringMaster;
        r->ringMaster = -1;
        if (masterHandle != handle && master->deletePending == 1 && master->sharers <= 0) {
          DeleteSoundHandle(masterHandle);
        }
      }
    }
    if (r->sharers > 0) {
      r->deletePending = 1;
      return 0;
    }
    SoundStreamListRemove(r);
    for (int i = 0; i < kStreamSourceMax; ++i) ReleaseSource(r, i);
    if (r->buffers[0].valid) ReleaseBufferSlot(&r->buffers[0]);
  }
  int slot = handle & 0xFFFF;
  TrackedFree(r);
  gSoundTable[slot] = nullptr;
  gSoundCount -= 1;
  if (slot == gSoundAreaEnd - 1) {
    while (gSoundAreaEnd > 0 && !gSoundTable[gSoundAreaEnd - 1]) gSoundAreaEnd -= 1;
  }
  return 0;
}

int DeleteAllSoundHandles() {
  for (int slot = 0; slot < gSoundAreaEnd; ++slot) {
    SoundRecord* r = gSoundTable[slot];
    if (!r) continue;
    int handle = MakeHandle(r->check, slot);
    if (DeleteSoundHandle(handle) == 0 && gSoundTable[slot] == r) {
      // A ring master that waits for its sharers: the sharers go later in this walk; take it now
      // so that nothing outlives the table.
      r->sharers = 0;
      DeleteSoundHandle(handle);
    }
  }
  return 0;
}

int SetSoundCreateType(int type) {
  if (type < 0 || type > 3) return -1;
  gSoundSystem.createType = type;
  return 0;
}

int IsSoundSystemRunning() { return gSoundSystem.started ? 1 : 0; }

int GetSoundTotalSamples(int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (!r) return -1;
  if (r->kind == SOUND_KIND_STREAM) return r->totalFrames;
  if (r->format.blockAlign == 0) return 0;
  return r->pcmSize / r->format.blockAlign;
}

int SetSoundHandleVolume(int volume, int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (!r) return -1;
  int64_t v = (int64_t)volume - 10000;
  if (v < -10000) v = -10000;
  if (v > 0) v = 0;
  for (int i = 0; i < r->bufferCount && i < kSoundBufferMax; ++i) {
    SetBufferSlotVolume(&r->buffers[i], (int32_t)v);
  }
  return 0;
}

int SoundHandleCount() { return gSoundCount; }
int SoundHandleAreaEnd() { return gSoundAreaEnd; }
