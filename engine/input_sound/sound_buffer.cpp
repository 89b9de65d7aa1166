// The buffer layer between sound records and the mixer's buffers, and the making of a handle's
// buffers: several duplicates for a memory sound, one six-second ring for a stream sound.
#include "engine/input_sound/sound.h"

#include "engine/base/log.h"

int CreateBufferSlot(SoundBufferSlot* slot, const plat::SoundBufferDesc* desc) {
  if (slot->valid) return -1;
  plat::SoundBuffer* b = plat::SoundBufferCreate(desc);
  if (!b) return -1;
  slot->buffer = b;
  slot->valid = 1;
  return 0;
}

int DuplicateBufferSlot(SoundBufferSlot* slot, SoundBufferSlot* source) {
  if (slot->valid || !source->valid) return -1;
  plat::SoundBuffer* b = plat::SoundBufferDuplicate(source->buffer);
  if (!b) return -1;
  slot->buffer = b;
  slot->valid = 1;
  return 0;
}

int ReleaseBufferSlot(SoundBufferSlot* slot) {
  if (!slot->valid) return -1;
  plat::SoundBufferRelease(slot->buffer);
  slot->buffer = nullptr;
  slot->valid = 0;
  return 0;
}

int PlayBufferSlot(SoundBufferSlot* slot, int loop) {
  if (!slot->valid) return -1;
  return plat::SoundBufferPlay(slot->buffer, loop ? (uint32_t)plat::SBPLAY_LOOPING : 0u);
}

int StopBufferSlot(SoundBufferSlot* slot) {
  if (!slot->valid) return -1;
  return plat::SoundBufferStop(slot->buffer);
}

int GetBufferSlotStatus(SoundBufferSlot* slot, uint32_t* status) {
  if (!slot->valid) return -1;
  return plat::SoundBufferGetStatus(slot->buffer, status);
}

int LockBufferSlot(SoundBufferSlot* slot, uint32_t offset, uint32_t bytes, void** area1, uint32_t* size1,
                   void** area2, uint32_t* size2) {
  if (!slot->valid) return -1;
  return plat::SoundBufferLock(slot->buffer, offset, bytes, area1, size1, area2, size2);
}

int UnlockBufferSlot(SoundBufferSlot* slot, void* area1, uint32_t size1, void* area2, uint32_t size2) {
  if (!slot->valid) return -1;
  return plat::SoundBufferUnlock(slot->buffer, area1, size1, area2, size2);
}

int SetBufferSlotVolume(SoundBufferSlot* slot, int32_t volume) {
  if (!slot->valid) return -1;
  return plat::SoundBufferSetVolume(slot->buffer, volume);
}

int SetBufferSlotPosition(SoundBufferSlot* slot, uint32_t offset) {
  if (!slot->valid) return -1;
  return plat::SoundBufferSetPosition(slot->buffer, offset);
}

int GetBufferSlotPosition(SoundBufferSlot* slot, uint32_t* play) {
  if (!slot->valid) return -1;
  return plat::SoundBufferGetPosition(slot->buffer, play, nullptr);
}

int CreateSoundBuffers(const plat::WaveFormat* format, int bytes, int kind, int count, int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (!r || !gSoundSystem.started || bytes <= 0) return -1;
  // What a file described is checked here, so that only a device that cannot make a sound buffer
  // ends the program; a bad file's load fails.
  if (!format || !IsPlayablePcmFormat(format) || bytes % format->blockAlign != 0) {
    return LogWrite("サウンドバッファの形式が不正です\n");
  }
  plat::SoundBufferDesc desc{36, 0, (uint32_t)bytes, format};
  if (kind == SOUND_KIND_MEMORY) {
    if (count < 1) count = 1;
    if (count > kSoundBufferMax) count = kSoundBufferMax;
    desc.flags = SOUND_BUFFER_FLAGS_MEMORY;
    if (CreateBufferSlot(&r->buffers[0], &desc) != 0) {
      desc.flags = SOUND_BUFFER_FLAGS_MEMORY_RETRY;
      if (CreateBufferSlot(&r->buffers[0], &desc) != 0) {
        ErrorExit("DirectSoundBuffer の作成に失敗しました");
        return -1;
      }
    }
    int made = 1;
    while (made < count && DuplicateBufferSlot(&r->buffers[made], &r->buffers[0]) == 0) made += 1;
    r->bufferCount = made;
  } else {
    desc.flags = SOUND_BUFFER_FLAGS_STREAM;
    if (CreateBufferSlot(&r->buffers[0], &desc) != 0) {
      ErrorExit("ストリーム風サウンドバッファの作成に失敗しました");
      return -1;
    }
    r->bufferCount = 1;
  }
  r->kind = kind;
  if (kind == SOUND_KIND_STREAM) SoundStreamListAdd(r, handle);
  return 0;
}
