// The sound operations the game calls: loading a file as a memory or a stream sound, playing
// (waiting, in the background or looping), stopping, and asking whether a sound plays. Memory
// sounds overlap themselves by playing their buffers in turn.
#include "engine/input_sound/operations.h"

#include <algorithm>
#include <cstring>

#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "engine/base/operations.h"
#include "engine/input_sound/sound.h"
#include "platform/clock.h"
#include "platform/sync.h"

namespace {

void ResetStreamProgress(SoundRecord* r) {
  r->allDone = 0;
  r->sourcePosition = 0;
  r->playedBytes = 0;
  r->looped = 0;
  r->repeatCounter = 0;
  r->currentSource = 0;
  r->prepared = 0;
}

bool SlotPlaying(SoundBufferSlot* slot) {
  uint32_t status = 0;
  return GetBufferSlotStatus(slot, &status) == 0 && (status & plat::SBSTATUS_PLAYING) != 0;
}

int PlayMemorySound(int handle, SoundRecord* r, int playType, int fromTop) {
  if (r->bufferCount < 1) return -1;
  uint32_t cursor = 0;
  if (r->nextBuffer >= 0 && r->nextBuffer < kSoundBufferMax && r->buffers[r->nextBuffer].valid) {
    GetBufferSlotPosition(&r->buffers[r->nextBuffer], &cursor);
  }
  int next = r->nextBuffer + 1;
  if (next >= r->bufferCount || next < 0) next = 0;
  r->nextBuffer = next;
  SoundBufferSlot* slot = &r->buffers[next];
  uint32_t status = 0;
  if (GetBufferSlotStatus(slot, &status) != 0) return -1;
  if (status & plat::SBSTATUS_PLAYING) {
    if (!fromTop) return 0;
    StopBufferSlot(slot);
  }
  SetBufferSlotPosition(slot, fromTop ? 0 : cursor);
  if (PlayBufferSlot(slot, playType == SOUND_PLAY_LOOP) != 0) return -1;
  r->playType = playType;
  r->startTime = plat::MillisecondClock();
  if (playType == SOUND_PLAY_WAIT) {
    while (ProcessMessage() == 0 && IsSoundHandlePlaying(handle) == 1) plat::Sleep(1);
  }
  return 0;
}

}  // namespace

int PlayStreamSound(int handle, int playType, int fromTop) {
  SoundRecord* r = GetSoundRecord(handle);
  if (!r) return -1;
  SoundBufferSlot* ring = nullptr;
  if (ClaimStreamRing(handle, 1, &ring) != 0) return -1;
  if (!fromTop && SlotPlaying(ring)) return 0;
  StopStreamSound(handle);
  if (((playType ^ r->playType) & 2) && r->allDone) ResetStreamProgress(r);
  if (fromTop) {
    r->allDone = 0;
    if (r->playedBytes != 0) ResetStreamProgress(r);
  }
  r->playType = playType;
  PrepareStreamSound(handle);
  // The ring always loops; the refill finds the end and stops it.
  if (PlayBufferSlot(ring, 1) != 0) return -1;
  r->startTime = plat::MillisecondClock();
  if (playType == SOUND_PLAY_WAIT) {
    while (ProcessMessage() == 0 && IsSoundHandlePlaying(handle) == 1) {
    }
  }
  return 0;
}

int PlaySoundHandle(int sound, int playType, int fromTop) {
  SoundRecord* r = GetSoundRecord(sound);
  if (!r) return -1;
  if (r->kind == SOUND_KIND_STREAM) return PlayStreamSound(sound, playType, fromTop);
  return PlayMemorySound(sound, r, playType, fromTop);
}

int StopSoundHandle(int sound) {
  SoundRecord* r = GetSoundRecord(sound);
  if (!r) return -1;
  if (r->kind == SOUND_KIND_STREAM) return StopStreamSound(sound);
  for (int i = 0; i < r->bufferCount && i < kSoundBufferMax; ++i) {
    uint32_t status = 0;
    if (GetBufferSlotStatus(&r->buffers[i], &status) != 0) return -1;
    if (status & plat::SBSTATUS_PLAYING) StopBufferSlot(&r->buffers[i]);
  }
  return 0;
}

int IsSoundHandlePlaying(int sound) {
  SoundRecord* r = GetSoundRecord(sound);
  if (!r) return -1;
  if (r->kind == SOUND_KIND_STREAM) return IsStreamSoundPlaying(sound);
  for (int i = 0; i < r->bufferCount && i < kSoundBufferMax; ++i) {
    if (SlotPlaying(&r->buffers[i])) return 1;
  }
  return 0;
}

int ReadWholeFile(const char* fileName, uint8_t** image, int* size) {
  FileHandle fh = FileOpen(fileName, 0);
  if (!fh) return LogPrintf("右記のファイルのオープンに失敗しました：%s", fileName);
  FileSeek(fh, 0, 2);
  int64_t n = FileTell(fh);
  FileSeek(fh, 0, 0);
  auto* p = n >= 0 && n <= SOUND_WHOLE_LIMIT ? static_cast<uint8_t*>(TRACKED_ALLOC(n > 0 ? (size_t)n : 1)) : nullptr;
  if (!p) {
    FileClose(fh);
    return LogPrintf("右記のファイルのロードに必要なメモリの確保に失敗しました：%s", fileName);
  }
  size_t got = n > 0 ? FileRead(p, 1, (size_t)n, fh) : 0;
  FileClose(fh);
  // A file that gives less than its size would leave the rest of the image undefined.
  if ((int64_t)got != n) {
    TrackedFree(p);
    return -1;
  }
  *image = p;
  *size = (int)n;
  return 0;
}

int CreateMemorySoundFromImage(const uint8_t* image, int size, int bufferCount) {
  if (bufferCount > kSoundBufferMax) return -1;
  int handle = AddSoundData(-1);
  if (handle == -1) return -1;
  FileHandle ms = MemoryStreamOpen(image, (uint32_t)size);
  StreamSource src{*GetMemoryStreamFunctions(), ms};
  SoundConvert conv{};
  if (!ms || OpenSoundConvert(&src, &conv) != 0) {
    if (ms) MemoryStreamClose(ms);
    DeleteSoundHandle(handle);
    return LogWrite("音声ファイルのＰＣＭへの変換に失敗しました");
  }
  plat::WaveFormat fmt{};
  uint8_t* pcm = nullptr;
  int pcmSize = 0;
  int converted = ConvertSoundToPcmBuffer(&conv, &fmt, &pcm, &pcmSize);
  CloseSoundConvert(&conv);
  MemoryStreamClose(ms);
  if (converted != 0) {
    DeleteSoundHandle(handle);
    return LogWrite("音声ファイルを格納するメモリ領域の確保に失敗しました");
  }
  // A cut file can end inside a frame; the buffer holds whole frames only, and no frame at all
  // is nothing to play.
  if (fmt.blockAlign > 0) pcmSize -= pcmSize % fmt.blockAlign;
  if (pcmSize <= 0) {
    TrackedFree(pcm);
    DeleteSoundHandle(handle);
    return LogWrite("音声ファイルのＰＣＭへの変換に失敗しました");
  }
  if (CreateSoundBuffers(&fmt, pcmSize, SOUND_KIND_MEMORY, bufferCount, handle) != 0) {
    TrackedFree(pcm);
    DeleteSoundHandle(handle);
    return -1;
  }
  SoundRecord* r = GetSoundRecord(handle);
  r->format = fmt;
  r->pcm = pcm;
  r->pcmSize = pcmSize;
  for (int i = 0; i < r->bufferCount; ++i) {
    void* a1 = nullptr;
    void* a2 = nullptr;
    uint32_t s1 = 0, s2 = 0;
    if (LockBufferSlot(&r->buffers[i], 0, (uint32_t)pcmSize, &a1, &s1, &a2, &s2) != 0) {
      DeleteSoundHandle(handle);
      return LogWrite("サウンドデータの転送に失敗しました_1");
    }
    std::memcpy(a1, pcm, s1);
    if (a2) std::memcpy(a2, pcm + s1, std::min<uint32_t>(s2, (uint32_t)pcmSize - s1));
    UnlockBufferSlot(&r->buffers[i], a1, s1, a2, s2);
  }
  return handle;
}

int LoadSoundFile(const char* fileName, int bufferCount, int shareHandle) {
  if (!gSoundSystem.started || !fileName) return -1;
  // Outside 1..10 the rotation would run onto slots that hold no buffer.
  bufferCount = std::clamp(bufferCount, 1, kSoundBufferMax);
  if (gSoundSystem.createType == 0) {
    uint8_t* image = nullptr;
    int size = 0;
    if (ReadWholeFile(fileName, &image, &size) != 0) {
      return LogPrintf("右記の音声ファイルのロードに失敗しました_1：%s", fileName);
    }
    int handle = CreateMemorySoundFromImage(image, size, bufferCount);
    TrackedFree(image);
    if (handle == -1) return LogPrintf("右記の音声ファイルのロードに失敗しました_2：%s", fileName);
    return handle;
  }
  int handle = AddSoundData(-1);
  if (handle == -1) return -1;
  if (AddStreamSoundFile(fileName, 0, handle, gSoundSystem.createType, shareHandle) != 0) {
    DeleteSoundHandle(handle);
    return -1;
  }
  PrepareStreamSound(handle);
  return handle;
}
