// Sound creation over arbitrary bytes, as the loads make it: the first byte picks a memory sound
// or a stream of kind 0, 2 or 3 (and, for streams, a loop point and a looping play); the sound is
// then played on the manual device for a while, stopped and deleted. Tracked memory must come back.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/base/memory.h"
#include "engine/input_sound/operations.h"
#include "engine/input_sound/sound.h"
#include "platform/audio/manual/manual_audio.h"

namespace {

struct Input {
  const uint8_t* p;
  int64_t size, pos;
  int eof;
};
Input* In(FileHandle h) { return reinterpret_cast<Input*>(h); }
int64_t Tell(FileHandle h) { return In(h)->pos; }
int Seek(FileHandle h, int64_t off, int origin) {
  Input* m = In(h);
  const int64_t base = origin == 0 ? 0 : origin == 1 ? m->pos : m->size;
  m->pos = std::clamp<int64_t>(base + off, 0, m->size);
  m->eof = 0;
  return 0;
}
size_t Read(void* dst, size_t size, size_t count, FileHandle h) {
  Input* m = In(h);
  const int64_t left = m->size - m->pos;
  if (size == 0 || count == 0) return 0;
  if (left <= 0) {
    m->eof = 1;
    return 0;
  }
  const size_t k = std::min<size_t>(count, static_cast<size_t>(left) / size);
  const size_t n = k ? k * size : static_cast<size_t>(left);
  std::memcpy(dst, m->p + m->pos, n);
  m->pos += static_cast<int64_t>(n);
  return k ? k : 1;
}
int Eof(FileHandle h) { return In(h)->eof; }
int Idle(FileHandle) { return 1; }
int Close(FileHandle) { return 0; }

void PlayFor(int handle, int rounds) {
  for (int i = 0; i < rounds; ++i) {
    plat::ManualSoundAdvance(2205);   // 50 ms at 44.1 kHz
    ProcessStreamSounds();
  }
  IsSoundHandlePlaying(handle);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  plat::ManualSoundReset();
  plat::SoundSetBackend(plat::SoundBackend::Manual);
  if (InitializeDirectSound() != 0) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  int64_t before = 0;
  GetAllocationTotals(&before, nullptr);
  const int way = data[0] & 3;
  const bool loop = (data[0] >> 2) & 1;
  Input in{data + 1, static_cast<int64_t>(size - 1), 0, 0};
  if (way == 0) {
    const int h = CreateMemorySoundFromImage(data + 1, static_cast<int>(size - 1), 1 + ((data[0] >> 3) & 3));
    if (h != -1) {
      PlaySoundHandle(h, loop ? SOUND_PLAY_LOOP : SOUND_PLAY_BACK, 1);
      PlayFor(h, 4);
      PlaySoundHandle(h, SOUND_PLAY_BACK, 0);
      StopSoundHandle(h);
      DeleteSoundHandle(h);
    }
  } else {
    const int kind = way == 1 ? 0 : way;   // 0, 2, 3
    StreamSource src{{Tell, Seek, Read, Eof, Idle, Close}, reinterpret_cast<FileHandle>(&in)};
    const int h = AddSoundData(-1);
    int copied = 0;
    if (h != -1 && AddSreamSound(&src, (data[0] >> 3) & 1 ? -1 : 1, h, kind, &copied, -1) == 0) {
      if ((data[0] >> 4) & 1) SetStreamLoopSamples(static_cast<int>(data[0]) * 97, h);
      PrepareStreamSound(h);
      PlaySoundHandle(h, loop ? SOUND_PLAY_LOOP : SOUND_PLAY_BACK, 1);
      PlayFor(h, 12);
      StopSoundHandle(h);
      PlaySoundHandle(h, SOUND_PLAY_BACK, 0);
      PlayFor(h, 2);
      StopSoundHandle(h);
    }
    if (h != -1) DeleteSoundHandle(h);
  }
  int64_t after = 0;
  GetAllocationTotals(&after, nullptr);
  if (after != before) std::abort();   // what a sound held went with it
  return 0;
}
