// The sound source opener and reader over arbitrary bytes: every method is tried in turn, then a
// bounded amount of PCM is read, with a seek back and forth.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/base/file_access.h"
#include "engine/input_sound/sound.h"

namespace {

// A read-only stream over the input, with the memory-stream rules of the file layer.
struct Input {
  const uint8_t* p;
  int64_t size, pos;
  int eof;
};
Input* In(FileHandle h) { return reinterpret_cast<Input*>(h); }
int64_t Tell(FileHandle h) { return In(h)->pos; }
int Seek(FileHandle h, int64_t off, int origin) {
  Input* m = In(h);
  int64_t base = origin == 0 ? 0 : origin == 1 ? m->pos : m->size;
  m->pos = std::clamp<int64_t>(base + off, 0, m->size);
  m->eof = 0;
  return 0;
}
size_t Read(void* dst, size_t size, size_t count, FileHandle h) {
  Input* m = In(h);
  int64_t left = m->size - m->pos;
  if (size == 0 || count == 0) return 0;
  if (left <= 0) {
    m->eof = 1;
    return 0;
  }
  size_t k = std::min<size_t>(count, (size_t)left / size);
  size_t n = k ? k * size : (size_t)left;
  std::memcpy(dst, m->p + m->pos, n);
  m->pos += (int64_t)n;
  return k ? k : 1;
}
int Eof(FileHandle h) { return In(h)->eof; }
int Idle(FileHandle) { return 1; }
int Close(FileHandle) { return 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  gSoundSystem.bytesPerSample = 2;
  Input in{data, (int64_t)size, 0, 0};
  StreamSource src{{Tell, Seek, Read, Eof, Idle, Close}, reinterpret_cast<FileHandle>(&in)};
  SoundConvert c{};
  if (OpenSoundConvert(&src, &c) == 0) {
    plat::WaveFormat f;
    GetSoundConvertFormat(&c, &f);
    GetSoundConvertSize(&c);
    std::vector<uint8_t> buf(1 << 16);
    for (int i = 0; i < 64; ++i) {
      if (ReadSoundConvert(&c, buf.data(), (int)buf.size()) <= 0) break;
    }
    c.standbyTarget = 4096;
    SeekSoundConvert(&c, 100);
    ReadSoundConvert(&c, buf.data(), 4096);
    SeekSoundConvert(&c, 0);
    ReadSoundConvert(&c, buf.data(), 4096);
    CloseSoundConvert(&c);
  }
  return 0;
}
