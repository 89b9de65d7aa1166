// Helpers of the sound tests: a stream source over bytes held by the test, and the manual device.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/base/memory.h"
#include "engine/input_sound/sound.h"
#include "platform/audio/manual/manual_audio.h"

namespace soundtest {

struct MemFile {
  std::vector<uint8_t> bytes;
  int64_t pos = 0;
  int eof = 0;
};

inline MemFile* M(FileHandle h) { return reinterpret_cast<MemFile*>(h); }
inline int64_t Tell(FileHandle h) { return M(h)->pos; }
inline int Seek(FileHandle h, int64_t off, int origin) {
  MemFile* m = M(h);
  int64_t base = origin == 0 ? 0 : origin == 1 ? m->pos : (int64_t)m->bytes.size();
  m->pos = std::clamp<int64_t>(base + off, 0, (int64_t)m->bytes.size());
  m->eof = 0;
  return 0;
}
inline size_t Read(void* dst, size_t size, size_t count, FileHandle h) {
  MemFile* m = M(h);
  int64_t left = (int64_t)m->bytes.size() - m->pos;
  if (size == 0 || count == 0) return 0;
  if (left <= 0) {
    m->eof = 1;
    return 0;
  }
  size_t k = std::min<size_t>(count, (size_t)left / size);
  size_t n = k ? k * size : (size_t)left;
  std::memcpy(dst, m->bytes.data() + m->pos, n);
  m->pos += (int64_t)n;
  return k ? k : 1;
}
inline int Eof(FileHandle h) { return M(h)->eof; }
inline int Idle(FileHandle) { return 1; }
inline int Close(FileHandle) { return 0; }

struct Source {
  MemFile file;
  StreamSource src;
  explicit Source(std::vector<uint8_t> b) {
    file.bytes = std::move(b);
    src.fn = StreamFunctionTable{Tell, Seek, Read, Eof, Idle, Close};
    src.handle = reinterpret_cast<FileHandle>(&file);
  }
};

class SoundSystemTest : public ::testing::Test {
protected:
  void SetUp() override {
    plat::ManualSoundReset();
    plat::SoundSetBackend(plat::SoundBackend::Manual);
    ASSERT_EQ(0, InitializeDirectSound());
  }
  void TearDown() override { TerminateDirectSound(); }
};

}  // namespace soundtest
