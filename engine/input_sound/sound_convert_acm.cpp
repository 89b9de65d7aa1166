// Compressed WAV and MP3 sources: the whole compressed data range is held in memory and converted
// by the platform's compressed-sound streams. A second (standby) stream creeps towards the loop
// start so that seeking back to it costs little decoding.
#include "engine/input_sound/sound.h"

#include <algorithm>
#include <cstring>

#include "engine/base/memory.h"

namespace {

constexpr int kChunk = 2048;           // compressed bytes per conversion call
constexpr int kStandbyLead = 10240;    // the standby stream waits this many bytes short of its target

// Compressed bytes per conversion call: at least one whole block, or a block-aligned codec could
// never convert anything.
uint32_t ChunkFor(plat::CodecStream* s) {
  return std::max<uint32_t>(kChunk, plat::CodecStreamBlockAlign(s));
}

// One chunk from *srcPos through stream s into dst; output bytes. Input that gives nothing yet (an
// MP3 decoder waiting for a whole frame) is followed by more until output comes or the data ends;
// at the end the decoder is drained.
int ConvertChunk(SoundConvert* c, plat::CodecStream* s, int32_t* srcPos, uint8_t* dst, uint32_t dstLen) {
  SoundConvertAcm& a = c->acm;
  if (dstLen == 0) return 0;
  while (*srcPos < a.dataSize) {
    uint32_t len = std::min<uint32_t>(ChunkFor(s), (uint32_t)(a.dataSize - *srcPos));
    uint32_t used = 0, out = 0;
    if (plat::CodecStreamConvert(s, a.data + *srcPos, len, &used, dst, dstLen, &out) != 0) return 0;
    *srcPos += (int32_t)used;
    if (out > 0) return (int)out;
    if (used == 0) return 0;
  }
  uint32_t used = 0, out = 0;
  if (plat::CodecStreamConvert(s, nullptr, 0, &used, dst, dstLen, &out) != 0) return 0;
  return (int)out;
}

plat::CodecStream* OpenStream(SoundConvert* c) {
  return plat::CodecStreamOpen(c->acm.sourceFormat, c->acm.sourceFormatSize, &c->outFormat);
}

// Everything of the ACM attempt after the source format is known; on failure releases it all.
int FinishAcmOpen(SoundConvert* c) {
  SoundConvertAcm& a = c->acm;
  plat::WaveFormat pcm{};
  pcm.formatTag = 1;
  if (plat::CodecSuggestFormat(a.sourceFormat, a.sourceFormatSize, &pcm) != 0 || pcm.blockAlign == 0 ||
      pcm.avgBytesPerSec == 0) {
    CloseAcm(c);
    return -1;
  }
  c->outFormat = pcm;
  a.dataSize = c->dataSize;
  a.data = static_cast<uint8_t*>(TRACKED_ALLOC(a.dataSize > 0 ? (size_t)a.dataSize : 1));
  if (!a.data) {
    CloseAcm(c);
    return -1;
  }
  // No read of zero items: a memory stream would hand over its tail as one short item.
  if (c->source.fn.seek(c->source.handle, c->dataStart, 0) != 0 ||
      (a.dataSize > 0 &&
       c->source.fn.read(a.data, 1, (size_t)a.dataSize, c->source.handle) != (size_t)a.dataSize)) {
    CloseAcm(c);
    return -1;
  }
  c->source.fn.seek(c->source.handle, c->dataStart, 0);
  a.mainSourcePos = 0;
  a.main = OpenStream(c);
  a.standby = OpenStream(c);
  c->blockSize = (int32_t)pcm.avgBytesPerSec;
  a.standbyOutput = static_cast<uint8_t*>(TRACKED_ALLOC((size_t)c->blockSize));
  if (!a.main || !a.standby || !a.standbyOutput) {
    CloseAcm(c);
    return -1;
  }
  c->method = SOUND_CONVERT_ACM;
  return 0;
}

// ---- MP3 frame headers ----

const uint16_t kBitRates[5][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},   // MPEG-1 layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},      // MPEG-1 layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},       // MPEG-1 layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},      // MPEG-2 layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},           // MPEG-2 layers II, III
};

struct MpegFrame {
  int mpeg1;
  int layer;           // 1, 2 or 3
  uint32_t bitRate;    // kbit/s
  uint32_t sampleRate;
  int padding;
  int channels;
  uint32_t length;     // bytes
  uint32_t samples;
};

bool ParseFrameHeader(const uint8_t h[4], MpegFrame* f) {
  if (h[0] != 0xFF || (h[1] & 0xF0) != 0xF0) return false;
  f->mpeg1 = (h[1] >> 3) & 1;
  int layerBits = (h[1] >> 1) & 3;
  if (layerBits == 0) return false;
  f->layer = 4 - layerBits;
  int rateIndex = h[2] >> 4;
  if (rateIndex == 0 || rateIndex == 15) return false;
  int table = f->mpeg1 ? f->layer - 1 : (f->layer == 1 ? 3 : 4);
  f->bitRate = kBitRates[table][rateIndex];
  int srIndex = (h[2] >> 2) & 3;
  if (srIndex == 3) return false;
  static const uint32_t kRates[2][3] = {{22050, 24000, 16000}, {44100, 48000, 32000}};
  f->sampleRate = kRates[f->mpeg1][srIndex];
  f->padding = (h[2] >> 1) & 1;
  f->channels = (h[3] >> 6) == 3 ? 1 : 2;
  if (f->layer == 1) {
    f->length = (12000 * f->bitRate / f->sampleRate + f->padding) * 4;
    f->samples = 384;
  } else if (f->layer == 2 || f->mpeg1) {
    f->length = 144000 * f->bitRate / f->sampleRate + f->padding;
    f->samples = 1152;
  } else {
    f->length = 72000 * f->bitRate / f->sampleRate + f->padding;
    f->samples = 576;
  }
  return f->length >= 4;
}

void Put16(uint8_t* p, uint32_t v) {
  p[0] = (uint8_t)v;
  p[1] = (uint8_t)(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

}  // namespace

int OpenAcmWave(SoundConvert* c) {
  uint8_t* fmt = nullptr;
  uint32_t fmtSize = 0;
  if (ReadRiffWave(c, &fmt, &fmtSize) != 0) return -1;
  if (fmt[0] == 1 && fmt[1] == 0 && fmtSize < 18) {
    uint16_t channels = (uint16_t)(fmt[2] | fmt[3] << 8);
    uint16_t align = (uint16_t)(fmt[12] | fmt[13] << 8);
    if (channels != 0) Put16(fmt + 14, (uint32_t)(align / channels * 8));
  }
  // Zero channels, rate or block align would divide by zero further on.
  uint16_t channels = (uint16_t)(fmt[2] | fmt[3] << 8);
  uint32_t rate = (uint32_t)fmt[4] | (uint32_t)fmt[5] << 8 | (uint32_t)fmt[6] << 16 | (uint32_t)fmt[7] << 24;
  uint16_t align = (uint16_t)(fmt[12] | fmt[13] << 8);
  if (channels == 0 || rate == 0 || align == 0) {
    TrackedFree(fmt);
    return -1;
  }
  c->acm.sourceFormat = fmt;
  c->acm.sourceFormatSize = fmtSize;
  c->acm.mp3TotalSamples = -1;
  return FinishAcmOpen(c);
}

// Frames are looked for this far past the tag or the last frame: a file that is no MP3 is given up
// after a look at its start, not scanned to its end.
constexpr int64_t kMp3SyncWindow = 64 << 10;
constexpr int kScanBufferSize = 64 << 10;

// The scan's reads, a buffer at a time rather than a byte per stream call.
struct ScanReader {
  ScanReader(const StreamSource* source, int64_t limit)
      : s(source), end(limit), buffer(static_cast<uint8_t*>(TRACKED_ALLOC(kScanBufferSize))) {}
  bool Get(int64_t pos, uint8_t* out) {
    if (pos < base || pos >= base + length) {
      if (pos >= end || s->fn.seek(s->handle, pos, 0) != 0) return false;
      const size_t want = (size_t)std::min<int64_t>(kScanBufferSize, end - pos);
      base = pos;
      length = (int64_t)s->fn.read(buffer, 1, want, s->handle);
      if (length <= 0) {
        length = 0;
        return false;
      }
    }
    *out = buffer[pos - base];
    return true;
  }
  const StreamSource* s;
  int64_t end;
  uint8_t* buffer;
  int64_t base = 0, length = 0;
};

int OpenMp3(SoundConvert* c) {
  const StreamSource* s = &c->source;
  int64_t size = StreamSizeOf(s);
  if (size < 4 || size > 0x7FFFFFFF) return -1;
  int64_t pos = 0;
  uint8_t id3[10];
  if (s->fn.seek(s->handle, 0, 0) == 0 && s->fn.read(id3, 1, 10, s->handle) == 10 &&
      std::memcmp(id3, "ID3", 3) == 0) {
    pos = 10 + ((((int64_t)(id3[6] & 0x7F) * 128 + (id3[7] & 0x7F)) * 128 + (id3[8] & 0x7F)) * 128 +
                (id3[9] & 0x7F));
    if (id3[3] == 4 && (id3[5] & 0x10)) pos += 10;
  }
  int64_t audioEnd = size;
  if (size > 128) {
    uint8_t tag[3];
    if (s->fn.seek(s->handle, size - 128, 0) == 0 && s->fn.read(tag, 1, 3, s->handle) == 3 &&
        std::memcmp(tag, "TAG", 3) == 0) {
      audioEnd = size - 128;
    }
  }
  ScanReader scan{s, audioEnd};
  if (!scan.buffer) return -1;
  MpegFrame first{};
  bool found = false;
  int64_t dataStart = 0, lastEnd = 0, total = 0;
  int64_t at = pos, searchFrom = pos;
  bool bad = false;
  while (at < audioEnd && at - searchFrom < kMp3SyncWindow) {
    uint8_t b;
    if (!scan.Get(at, &b)) break;
    at += 1;
    if (b != 0xFF) continue;
    uint8_t h[4] = {0xFF, 0, 0, 0};
    if (!scan.Get(at, &h[1])) break;
    at += 1;
    if ((h[1] & 0xF0) != 0xF0) continue;   // that byte is not looked at again as a 0xFF
    if (!scan.Get(at, &h[2]) || !scan.Get(at + 1, &h[3])) break;
    MpegFrame f;
    if (!ParseFrameHeader(h, &f)) {
      bad = true;
      break;
    }
    int64_t start = at - 2;
    // A frame that ends exactly at the end of the audio is whole and counts.
    if (start + f.length > audioEnd) break;
    if (!found) {
      first = f;
      dataStart = start;
      found = true;
    }
    total += f.samples;
    lastEnd = start + f.length;
    at = searchFrom = lastEnd;
    if (total > 0x7FFFFFFF) {
      bad = true;
      break;
    }
  }
  TrackedFree(scan.buffer);
  if (bad || !found) return -1;
  auto* fmt = static_cast<uint8_t*>(TRACKED_CALLOC(30));
  if (!fmt) return -1;
  Put16(fmt, plat::WAVE_TAG_MPEGLAYER3);
  Put16(fmt + 2, (uint32_t)first.channels);
  Put32(fmt + 4, first.sampleRate);
  Put32(fmt + 8, first.bitRate * 1000 / 8);
  Put16(fmt + 12, 1);
  Put16(fmt + 14, 0);
  Put16(fmt + 16, 12);
  Put16(fmt + 18, 1);
  Put32(fmt + 20, (uint32_t)first.padding);
  Put16(fmt + 24, first.length);
  Put16(fmt + 26, 1);
  Put16(fmt + 28, 700);
  c->acm.sourceFormat = fmt;
  c->acm.sourceFormatSize = 30;
  c->acm.mp3TotalSamples = (int32_t)total;
  c->dataStart = (int32_t)dataStart;
  c->dataSize = (int32_t)(lastEnd - dataStart);
  return FinishAcmOpen(c);
}

int ReadAcmBlock(SoundConvert* c) {
  SoundConvertAcm& a = c->acm;
  if (a.standbyOutputPos != c->standbyTarget) {
    if (a.standbyOutputPos > c->standbyTarget) {
      plat::CodecStreamClose(a.standby);
      a.standby = OpenStream(c);
      a.standbySourcePos = 0;
      a.standbyOutputPos = 0;
    }
    if (a.standby && a.standbyOutputPos < c->standbyTarget - kStandbyLead) {
      int n = ConvertChunk(c, a.standby, &a.standbySourcePos, a.standbyOutput,
                           (uint32_t)std::min(c->blockSize, c->standbyTarget - a.standbyOutputPos));
      a.standbyOutputPos += n;
    }
  }
  if (a.mainSourcePos >= a.dataSize) {
    // What the decoder still holds comes out before the end.
    uint32_t used = 0, out = 0;
    plat::CodecStreamConvert(a.main, nullptr, 0, &used, c->block, (uint32_t)c->blockSize, &out);
    return (int)out;
  }
  int n = ConvertChunk(c, a.main, &a.mainSourcePos, c->block, (uint32_t)c->blockSize);
  if (n <= 0) a.mainSourcePos = a.dataSize;
  return n;
}

int SeekAcm(SoundConvert* c, int target) {
  SoundConvertAcm& a = c->acm;
  if (target < c->outputPosition) {
    if (target < a.standbyOutputPos || !a.standby) {
      plat::CodecStreamClose(a.main);
      a.main = OpenStream(c);
      a.mainSourcePos = 0;
      c->outputPosition = 0;
    } else {
      plat::CodecStreamClose(a.main);
      a.main = a.standby;
      a.mainSourcePos = a.standbySourcePos;
      c->outputPosition = a.standbyOutputPos;
      a.standby = OpenStream(c);
      a.standbySourcePos = 0;
      a.standbyOutputPos = 0;
    }
    c->bytesInBlock = 0;
    c->readPosition = 0;
    if (!a.main) {
      a.mainSourcePos = a.dataSize;
      c->atEnd = 1;
      return 0;
    }
  }
  if (target < c->outputPosition + c->bytesInBlock) {
    int skip = target - c->outputPosition;
    c->readPosition += skip;
    c->bytesInBlock -= skip;
    c->outputPosition = target;
    return 0;
  }
  c->outputPosition += c->bytesInBlock;
  c->bytesInBlock = 0;
  for (;;) {
    c->readPosition = 0;
    int n = ReadAcmBlock(c);
    if (n <= 0) {
      c->bytesInBlock = 0;
      c->atEnd = 1;
      return 0;
    }
    if (target < c->outputPosition + n) {
      int skip = target - c->outputPosition;
      c->readPosition = skip;
      c->bytesInBlock = n - skip;
      c->outputPosition = target;
      return 0;
    }
    c->outputPosition += n;
  }
}

void CloseAcm(SoundConvert* c) {
  SoundConvertAcm& a = c->acm;
  plat::CodecStreamClose(a.main);
  plat::CodecStreamClose(a.standby);
  if (a.sourceFormat) TrackedFree(a.sourceFormat);
  if (a.data) TrackedFree(a.data);
  if (a.standbyOutput) TrackedFree(a.standbyOutput);
  std::memset(&a, 0, sizeof a);
}

int GetAcmConvertSize(SoundConvert* c) {
  if (c->acm.mp3TotalSamples >= 0) {
    int64_t n = (int64_t)c->acm.mp3TotalSamples * c->outFormat.blockAlign;
    return (int)std::min<int64_t>(n, 0x7FFFFFFF);
  }
  return (int)std::min<uint32_t>(plat::CodecStreamSize(c->acm.main, (uint32_t)c->acm.dataSize), 0x7FFFFFFF);
}
