// The mixer: secondary buffers, their cursors and the mix into 44100 Hz 16-bit stereo. Everything
// here is guarded by one mutex of its own, which is the only lock the audio thread ever takes.
// Locks hand out a staging copy that the unlock writes back under the mutex, so the engine never
// writes sample data that the audio thread is reading.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "platform/audio/mixer.h"

namespace plat {

namespace {

struct SoundData {            // sample bytes shared by a buffer and its duplicates
  int users;
  uint8_t* bytes;
  uint32_t size;
  WaveFormat format;
};

}  // namespace

struct SoundBuffer {
  bool primary;
  uint32_t flags;
  SoundData* data;            // null for the primary buffer
  WaveFormat primaryFormat;
  bool playing;
  bool looping;
  uint64_t cursor;            // source frames, 32.32 fixed point
  uint64_t step;              // cursor advance per output frame
  int32_t volume;
  int32_t gain;               // Q16 linear gain from the volume
  uint8_t* staging;           // non-null while locked
  uint32_t lockOffset;
  uint32_t lockBytes;
};

const SoundBackendOps* ActiveSoundBackend();   // device.cpp

namespace {

std::mutex gMixLock;
std::vector<SoundBuffer*> gBuffers;

uint32_t FrameCount(const SoundBuffer* b) {
  return b->data->size / b->data->format.blockAlign;
}

int32_t GainFromVolume(int32_t volume) {
  if (volume <= kSoundVolumeSilent) return 0;
  return (int32_t)std::lround(65536.0 * std::pow(10.0, volume / 2000.0));
}

bool FormatUsable(const WaveFormat* f) {
  if (!f || f->formatTag != 1) return false;
  if (f->channels < 1 || f->channels > 2) return false;
  if (f->bitsPerSample != 8 && f->bitsPerSample != 16) return false;
  if (f->samplesPerSec < 100 || f->samplesPerSec > 200000) return false;
  return f->blockAlign == f->channels * f->bitsPerSample / 8;
}

bool Known(SoundBuffer* b) {
  return b && std::find(gBuffers.begin(), gBuffers.end(), b) != gBuffers.end();
}

// One sample of channel ch at frame i, widened to the 16-bit range.
inline int32_t SampleAt(const SoundData* d, uint32_t i, int ch) {
  if (d->format.bitsPerSample == 8) {
    return ((int32_t)d->bytes[i * d->format.blockAlign + ch] - 128) * 256;
  }
  const uint8_t* p = d->bytes + i * d->format.blockAlign + ch * 2;
  return (int16_t)(uint16_t)(p[0] | p[1] << 8);
}

void MixOne(SoundBuffer* b, int32_t* acc, uint32_t frames) {
  const SoundData* d = b->data;
  uint32_t n = FrameCount(b);
  if (n == 0) {
    b->playing = false;
    return;
  }
  int channels = d->format.channels;
  for (uint32_t k = 0; k < frames; ++k) {
    uint32_t i = (uint32_t)(b->cursor >> 32);
    if (i >= n) {
      if (!b->looping) {
        b->playing = false;
        b->cursor = 0;
        return;
      }
      b->cursor -= (uint64_t)n << 32;
      i -= n;
    }
    uint32_t frac = (uint32_t)b->cursor;
    uint32_t j = i + 1;
    if (j >= n) j = b->looping ? 0 : i;
    int32_t out[2] = {0, 0};
    for (int c = 0; c < channels; ++c) {
      int64_t s0 = SampleAt(d, i, c);
      int64_t s1 = SampleAt(d, j, c);
      int64_t s = s0 + (((s1 - s0) * (int64_t)frac) >> 32);
      out[c] = (int32_t)((s * b->gain) >> 16);
    }
    if (channels == 1) out[1] = out[0];
    acc[2 * k] += out[0];
    acc[2 * k + 1] += out[1];
    b->cursor += b->step;
  }
  if ((uint32_t)(b->cursor >> 32) >= n) {
    if (b->looping) {
      b->cursor -= (uint64_t)n << 32;
    } else {
      b->playing = false;
      b->cursor = 0;
    }
  }
}

}  // namespace

void MixerRender(int16_t* out, uint32_t frames) {
  std::vector<int32_t> acc(frames * 2, 0);
  {
    std::lock_guard<std::mutex> g(gMixLock);
    for (SoundBuffer* b : gBuffers) {
      if (!b->primary && b->playing) MixOne(b, acc.data(), frames);
    }
  }
  if (!out) return;
  for (uint32_t i = 0; i < frames * 2; ++i) {
    out[i] = (int16_t)std::clamp(acc[i], -32768, 32767);
  }
}

void MixerReleaseAll() {
  std::lock_guard<std::mutex> g(gMixLock);
  for (SoundBuffer* b : gBuffers) {
    if (b->data && --b->data->users == 0) {
      std::free(b->data->bytes);
      delete b->data;
    }
    delete[] b->staging;
    delete b;
  }
  gBuffers.clear();
}

SoundBuffer* SoundBufferCreate(const SoundBufferDesc* desc) {
  if (!desc || !SoundDeviceIsOpen()) return nullptr;
  const SoundBackendOps* ops = ActiveSoundBackend();
  if (ops->failCreate && ops->failCreate()) return nullptr;
  auto* b = new SoundBuffer{};
  b->flags = desc->flags;
  b->volume = kSoundVolumeFull;
  b->gain = 65536;
  if (desc->flags & SBCAPS_PRIMARYBUFFER) {
    if (desc->bytes != 0 || desc->format) {
      delete b;
      return nullptr;
    }
    b->primary = true;
    b->primaryFormat = WaveFormat{1, 2, 22050, 88200, 4, 16, 0};
  } else {
    if (!FormatUsable(desc->format) || desc->bytes < desc->format->blockAlign ||
        desc->bytes % desc->format->blockAlign != 0) {
      delete b;
      return nullptr;
    }
    auto* d = new SoundData{};
    d->users = 1;
    d->size = desc->bytes;
    d->format = *desc->format;
    d->bytes = (uint8_t*)std::calloc(1, desc->bytes);
    if (!d->bytes) {
      delete d;
      delete b;
      return nullptr;
    }
    if (d->format.bitsPerSample == 8) std::memset(d->bytes, 128, d->size);
    b->data = d;
    b->step = ((uint64_t)d->format.samplesPerSec << 32) / kMixRate;
  }
  std::lock_guard<std::mutex> g(gMixLock);
  gBuffers.push_back(b);
  return b;
}

SoundBuffer* SoundBufferDuplicate(SoundBuffer* source) {
  const SoundBackendOps* ops = ActiveSoundBackend();
  std::lock_guard<std::mutex> g(gMixLock);
  if (!Known(source) || source->primary) return nullptr;
  if (ops && ops->failDuplicate && ops->failDuplicate()) return nullptr;
  auto* b = new SoundBuffer{};
  b->flags = source->flags;
  b->data = source->data;
  b->data->users += 1;
  b->step = source->step;
  b->volume = kSoundVolumeFull;
  b->gain = 65536;
  gBuffers.push_back(b);
  return b;
}

void SoundBufferRelease(SoundBuffer* b) {
  std::lock_guard<std::mutex> g(gMixLock);
  auto it = std::find(gBuffers.begin(), gBuffers.end(), b);
  if (it == gBuffers.end()) return;
  gBuffers.erase(it);
  if (b->data && --b->data->users == 0) {
    std::free(b->data->bytes);
    delete b->data;
  }
  delete[] b->staging;
  delete b;
}

int SoundBufferPlay(SoundBuffer* b, uint32_t flags) {
  std::lock_guard<std::mutex> g(gMixLock);
  if (!Known(b)) return -1;
  b->playing = true;
  b->looping = (flags & SBPLAY_LOOPING) != 0;
  return 0;
}

int SoundBufferStop(SoundBuffer* b) {
  std::lock_guard<std::mutex> g(gMixLock);
  if (!Known(b)) return -1;
  b->playing = false;
  return 0;
}

int SoundBufferGetStatus(SoundBuffer* b, uint32_t* status) {
  std::lock_guard<std::mutex> g(gMixLock);
  if (!Known(b) || !status) return -1;
  *status = 0;
  if (b->playing) *status = SBSTATUS_PLAYING | (b->looping ? (uint32_t)SBSTATUS_LOOPING : 0u);
  return 0;
}

int SoundBufferGetPosition(SoundBuffer* b, uint32_t* play, uint32_t* write) {
  std::lock_guard<std::mutex> g(gMixLock);
  if (!Known(b)) return -1;
  uint32_t pos = 0;
  if (!b->primary) pos = (uint32_t)(b->cursor >> 32) * b->data->format.blockAlign;
  if (play) *play = pos;
  if (write) *write = pos;
  return 0;
}

int SoundBufferSetPosition(SoundBuffer* b, uint32_t offset) {
  std::lock_guard<std::mutex> g(gMixLock);
  if (!Known(b) || b->primary || offset > b->data->size) return -1;
  uint32_t frame = offset / b->data->format.blockAlign;
  if (frame >= FrameCount(b)) frame = 0;
  b->cursor = (uint64_t)frame << 32;
  return 0;
}

int SoundBufferSetVolume(SoundBuffer* b, int32_t volume) {
  if (volume < kSoundVolumeSilent || volume > kSoundVolumeFull) return -1;
  std::lock_guard<std::mutex> g(gMixLock);
  if (!Known(b)) return -1;
  b->volume = volume;
  b->gain = GainFromVolume(volume);
  return 0;
}

int SoundBufferGetVolume(SoundBuffer* b, int32_t* volume) {
  std::lock_guard<std::mutex> g(gMixLock);
  if (!Known(b) || !volume) return -1;
  *volume = b->volume;
  return 0;
}

int SoundBufferLock(SoundBuffer* b, uint32_t offset, uint32_t bytes, void** area1, uint32_t* size1,
                    void** area2, uint32_t* size2) {
  const SoundBackendOps* ops = ActiveSoundBackend();
  std::lock_guard<std::mutex> g(gMixLock);
  if (!Known(b) || b->primary || b->staging || !area1 || !size1) return -1;
  uint32_t size = b->data->size;
  if (offset >= size || bytes == 0 || bytes > size) return -1;
  if (ops && ops->failLock && ops->failLock()) return -1;
  uint32_t first = std::min(bytes, size - offset);
  uint32_t second = bytes - first;
  b->staging = new (std::nothrow) uint8_t[bytes];
  if (!b->staging) return -1;
  std::memcpy(b->staging, b->data->bytes + offset, first);
  std::memcpy(b->staging + first, b->data->bytes, second);
  b->lockOffset = offset;
  b->lockBytes = bytes;
  *area1 = b->staging;
  *size1 = first;
  if (area2) *area2 = second ? b->staging + first : nullptr;
  if (size2) *size2 = second;
  return 0;
}

int SoundBufferUnlock(SoundBuffer* b, void* area1, uint32_t size1, void* area2, uint32_t size2) {
  std::lock_guard<std::mutex> g(gMixLock);
  if (!Known(b) || !b->staging || area1 != b->staging) return -1;
  uint32_t size = b->data->size;
  uint32_t first = std::min(b->lockBytes, size - b->lockOffset);
  uint32_t second = b->lockBytes - first;
  // Only what the caller says it wrote goes back.
  uint32_t w1 = std::min(size1, first);
  uint32_t w2 = (area2 == b->staging + first) ? std::min(size2, second) : 0;
  std::memcpy(b->data->bytes + b->lockOffset, b->staging, w1);
  std::memcpy(b->data->bytes, b->staging + first, w2);
  delete[] b->staging;
  b->staging = nullptr;
  return 0;
}

int SoundBufferSetFormat(SoundBuffer* b, const WaveFormat* format) {
  std::lock_guard<std::mutex> g(gMixLock);
  if (!Known(b) || !b->primary || !FormatUsable(format)) return -1;
  b->primaryFormat = *format;
  return 0;
}

int SoundBufferGetFormat(SoundBuffer* b, WaveFormat* format) {
  std::lock_guard<std::mutex> g(gMixLock);
  if (!Known(b) || !format) return -1;
  *format = b->primary ? b->primaryFormat : b->data->format;
  return 0;
}

uint32_t SoundBufferSize(SoundBuffer* b) {
  std::lock_guard<std::mutex> g(gMixLock);
  if (!Known(b) || b->primary) return 0;
  return b->data->size;
}

}  // namespace plat
