// Sound source conversion: opening a source as PCM WAV, compressed WAV, Ogg Vorbis or MP3 (tried in
// that order), then reading PCM block by block and seeking by sample frame. The PCM WAV method and
// the RIFF walk live here; the compressed methods in their own files.
#include "engine/input_sound/sound.h"

#include <algorithm>
#include <cstring>

#include "engine/base/log.h"
#include "engine/base/memory.h"

namespace {

// Format records above this are not sound formats (the largest real one, Microsoft ADPCM with 256
// predictor pairs, is about 1 KB).
constexpr uint32_t kMaxFormatChunk = 4096;

uint32_t Le32(const uint8_t* p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}
uint16_t Le16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }

bool ReadExact(const StreamSource* s, void* dst, size_t n) {
  return s->fn.read(dst, 1, n, s->handle) == n;
}

int OpenPcmWave(SoundConvert* c) {
  uint8_t* fmt = nullptr;
  uint32_t fmtSize = 0;
  if (ReadRiffWave(c, &fmt, &fmtSize) != 0) return -1;
  plat::WaveFormat f{};
  bool ok = Le16(fmt) == 1;
  if (ok) {
    std::memcpy(&f, fmt, fmtSize >= 18 ? 18 : 16);
    if (fmtSize < 18) {
      f.extraSize = 0;
      if (f.channels != 0) f.bitsPerSample = (uint16_t)(f.blockAlign / f.channels * 8);
    }
    // The bytes-per-second field is redundant and often wrong in files written by other tools;
    // the ring and every rate figure come from rate x block align. Fields that disagree beyond
    // that are refused.
    f.avgBytesPerSec = f.samplesPerSec * f.blockAlign;
    ok = IsPlayablePcmFormat(&f);
  }
  TrackedFree(fmt);
  if (!ok) return -1;
  c->outFormat = f;
  c->blockSize = (int32_t)std::min<uint32_t>(f.avgBytesPerSec, 0x7FFFFFF);
  c->method = SOUND_CONVERT_PCM;
  return 0;
}

int ReadPcmBlock(SoundConvert* c) {
  int64_t pos = c->source.fn.tell(c->source.handle);
  int64_t left = (int64_t)c->dataSize - (pos - c->dataStart);
  if (left <= 0) return 0;
  size_t want = (size_t)std::min<int64_t>(left, c->blockSize);
  size_t got = c->source.fn.read(c->block, 1, want, c->source.handle);
  return (int)got;
}

int ReadBlock(SoundConvert* c) {
  switch (c->method) {
    case SOUND_CONVERT_PCM: return ReadPcmBlock(c);
    case SOUND_CONVERT_ACM: return ReadAcmBlock(c);
    default: return ReadOggBlock(c);
  }
}

void ResetConvert(SoundConvert* c) {
  std::memset(&c->acm, 0, sizeof c->acm);
  std::memset(&c->ogg, 0, sizeof c->ogg);
  c->dataStart = c->dataSize = 0;
}

}  // namespace

int IsPlayablePcmFormat(const plat::WaveFormat* f) {
  return f->formatTag == 1 && (f->channels == 1 || f->channels == 2) &&
         (f->bitsPerSample == 8 || f->bitsPerSample == 16) && f->samplesPerSec >= 100 &&
         f->samplesPerSec <= 200000 && f->blockAlign == f->channels * f->bitsPerSample / 8 &&
         f->avgBytesPerSec == f->samplesPerSec * f->blockAlign;
}

int64_t StreamSizeOf(const StreamSource* s) {
  int64_t here = s->fn.tell(s->handle);
  if (s->fn.seek(s->handle, 0, 2) != 0) return -1;
  int64_t size = s->fn.tell(s->handle);
  s->fn.seek(s->handle, here, 0);
  return size;
}

int ReadRiffWave(SoundConvert* c, uint8_t** format, uint32_t* formatSize) {
  const StreamSource* s = &c->source;
  int64_t streamSize = StreamSizeOf(s);
  uint8_t h[12];
  if (streamSize < 0 || !ReadExact(s, h, 12)) return -1;
  if (std::memcmp(h, "RIFF", 4) != 0 || std::memcmp(h + 8, "WAVE", 4) != 0) return -1;
  uint8_t ch[8];
  if (!ReadExact(s, ch, 8) || std::memcmp(ch, "fmt ", 4) != 0) return -1;
  uint32_t fmtSize = Le32(ch + 4);
  if (fmtSize < 16 || fmtSize > kMaxFormatChunk) return -1;
  auto* fmt = static_cast<uint8_t*>(TRACKED_CALLOC(fmtSize));
  if (!fmt) return -1;
  if (!ReadExact(s, fmt, fmtSize)) {
    TrackedFree(fmt);
    return -1;
  }
  // The body is padded to an even size; a pad byte is not part of the next chunk's header.
  int64_t pos = 20 + (int64_t)fmtSize + (fmtSize & 1);
  for (;;) {
    if (pos + 8 > streamSize || s->fn.seek(s->handle, pos, 0) != 0 || !ReadExact(s, ch, 8)) {
      TrackedFree(fmt);
      return -1;
    }
    uint32_t size = Le32(ch + 4);
    if (std::memcmp(ch, "data", 4) == 0) {
      c->dataStart = (int32_t)(pos + 8);
      // A size beyond the stream (a cut file, or an unfinished recording) means what is there.
      int64_t avail = streamSize - (pos + 8);
      c->dataSize = (int32_t)std::min<int64_t>(std::min<int64_t>(size, avail), 0x7FFFFFFF);
      break;
    }
    pos += 8 + (int64_t)size + (size & 1);
  }
  *format = fmt;
  *formatSize = fmtSize;
  return 0;
}

int OpenSoundConvert(const StreamSource* source, SoundConvert* c) {
  std::memset(c, 0, sizeof *c);
  c->source = *source;
  c->standbyTarget = 0;
  int (*const attempts[])(SoundConvert*) = {OpenPcmWave, OpenAcmWave, OpenOggVorbis, OpenMp3};
  bool opened = false;
  for (auto attempt : attempts) {
    ResetConvert(c);
    if (c->source.fn.seek(c->source.handle, 0, 0) != 0) break;
    if (attempt(c) == 0) {
      opened = true;
      break;
    }
  }
  if (!opened) return -1;
  c->atEnd = 0;
  c->block = static_cast<uint8_t*>(TRACKED_ALLOC((size_t)c->blockSize));
  if (!c->block) {
    c->open = 1;
    CloseSoundConvert(c);
    return -1;
  }
  c->bytesInBlock = 0;
  c->readPosition = 0;
  c->outputPosition = 0;
  c->open = 1;
  return 0;
}

int ReadSoundConvert(SoundConvert* c, void* dst, int bytes) {
  if (!c->open) return -1;
  if (c->atEnd || bytes <= 0) return 0;
  auto* out = static_cast<uint8_t*>(dst);
  int done = 0;
  while (done < bytes) {
    if (c->bytesInBlock == 0) {
      c->readPosition = 0;
      int n = ReadBlock(c);
      // A block of nothing ends the source whatever the method says; otherwise a short or failed
      // read would be asked again for ever.
      if (n <= 0) {
        c->bytesInBlock = 0;
        c->atEnd = 1;
        return done;
      }
      c->bytesInBlock = n;
    }
    int n = std::min(bytes - done, c->bytesInBlock);
    std::memcpy(out + done, c->block + c->readPosition, (size_t)n);
    done += n;
    c->readPosition += n;
    c->bytesInBlock -= n;
    c->outputPosition += n;
  }
  return done;
}

int SoundConvertFirstBlockBytes(SoundConvert* c) {
  if (!c->open) return -1;
  if (c->bytesInBlock == 0 && !c->atEnd) {
    c->readPosition = 0;
    int n = ReadBlock(c);
    if (n <= 0) {
      c->atEnd = 1;
      return 0;
    }
    c->bytesInBlock = n;
  }
  return c->bytesInBlock;
}

int SeekSoundConvert(SoundConvert* c, int frame) {
  if (!c->open) return -1;
  if (frame < 0) frame = 0;
  int64_t target = (int64_t)frame * c->outFormat.blockAlign;
  if (target > 0x7FFFFFFF) target = 0x7FFFFFFF;
  int64_t d = target - c->outputPosition;
  if (d > -16 && d < 16) return 0;
  switch (c->method) {
    case SOUND_CONVERT_PCM: {
      int64_t t = std::min<int64_t>(target, c->dataSize);
      c->source.fn.seek(c->source.handle, c->dataStart + t, 0);
      c->bytesInBlock = 0;
      c->readPosition = 0;
      c->outputPosition = (int32_t)t;
      break;
    }
    case SOUND_CONVERT_ACM: SeekAcm(c, (int)target); break;
    default: SeekOggVorbis(c, frame); break;
  }
  c->atEnd = 0;
  return 0;
}

int CloseSoundConvert(SoundConvert* c) {
  if (!c->open) return -1;
  if (c->block) TrackedFree(c->block);
  c->block = nullptr;
  if (c->method == SOUND_CONVERT_ACM) CloseAcm(c);
  if (c->method == SOUND_CONVERT_OGG) CloseOggVorbis(c);
  c->open = 0;
  return 0;
}

void GetSoundConvertFormat(const SoundConvert* c, plat::WaveFormat* out) { *out = c->outFormat; }

int GetSoundConvertSize(SoundConvert* c) {
  switch (c->method) {
    case SOUND_CONVERT_PCM: return c->dataSize;
    case SOUND_CONVERT_ACM: return GetAcmConvertSize(c);
    default: return GetOggConvertSize(c);
  }
}

int ConvertSoundToPcmBuffer(SoundConvert* c, plat::WaveFormat* format, uint8_t** pcm, int* size) {
  if (!c->open) return -1;
  int expected = GetSoundConvertSize(c);
  if (expected < 0) expected = 0;
  // The expected size comes from the file and may be wrong: start with at most 16 MB and grow as
  // the data really arrives.
  int capacity = std::max(std::min(expected, 16 << 20), 4096);
  if (c->method == SOUND_CONVERT_PCM && c->dataSize > SOUND_WHOLE_LIMIT) return -1;
  auto* buf = static_cast<uint8_t*>(TRACKED_ALLOC((size_t)capacity));
  if (!buf) return -1;
  SeekSoundConvert(c, 0);
  if (c->method == SOUND_CONVERT_PCM) {
    // Straight from the stream: the whole data range.
    c->source.fn.seek(c->source.handle, c->dataStart, 0);
    c->bytesInBlock = 0;
    c->outputPosition = 0;
  }
  int got = 0;
  for (;;) {
    if (got == capacity) {
      if (capacity >= SOUND_WHOLE_LIMIT) {
        TrackedFree(buf);
        return -1;
      }
      int grown = (int)std::min<int64_t>((int64_t)capacity * 2, SOUND_WHOLE_LIMIT);
      auto* nb = static_cast<uint8_t*>(TRACKED_ALLOC((size_t)grown));
      if (!nb) {
        TrackedFree(buf);
        return -1;
      }
      std::memcpy(nb, buf, (size_t)got);
      TrackedFree(buf);
      buf = nb;
      capacity = grown;
    }
    int n;
    if (c->method == SOUND_CONVERT_PCM) {
      int left = c->dataSize - got;
      if (left <= 0) break;
      n = (int)c->source.fn.read(buf + got, 1, (size_t)std::min(left, capacity - got), c->source.handle);
      c->outputPosition += n > 0 ? n : 0;
    } else {
      n = ReadSoundConvert(c, buf + got, capacity - got);
    }
    if (n <= 0) break;
    got += n;
  }
  *format = c->outFormat;
  *pcm = buf;
  *size = got;
  return 0;
}

int BuildWaveImage(uint8_t** image, int* size, const void* format, int formatSize, const void* data,
                   int dataSize) {
  if (formatSize < 0 || dataSize < 0 || (int64_t)formatSize + dataSize + 28 > 0x7FFFFFFF) return -1;
  int total = formatSize + dataSize + 28;
  auto* p = static_cast<uint8_t*>(TRACKED_ALLOC((size_t)total));
  if (!p) return -1;
  auto put32 = [](uint8_t* q, uint32_t v) {
    q[0] = (uint8_t)v;
    q[1] = (uint8_t)(v >> 8);
    q[2] = (uint8_t)(v >> 16);
    q[3] = (uint8_t)(v >> 24);
  };
  std::memcpy(p, "RIFF", 4);
  put32(p + 4, (uint32_t)(total - 8));
  std::memcpy(p + 8, "WAVEfmt ", 8);
  put32(p + 16, (uint32_t)formatSize);
  std::memcpy(p + 20, format, (size_t)formatSize);
  std::memcpy(p + 20 + formatSize, "data", 4);
  put32(p + 24 + formatSize, (uint32_t)dataSize);
  if (dataSize) std::memcpy(p + 28 + formatSize, data, (size_t)dataSize);
  *image = p;
  *size = total;
  return 0;
}
