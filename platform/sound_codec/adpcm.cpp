// IMA ADPCM and Microsoft ADPCM as they are stored in WAV files: fixed-size blocks, each starting
// with a per-channel header, decoded to 16-bit PCM.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "platform/sound_codec/codec.h"

namespace plat {

namespace {

struct AdpcmState {
  uint16_t channels;
  uint32_t rate;
  uint32_t blockAlign;
  uint32_t samplesPerBlock;           // frames a whole block gives
  int16_t coef[256][2];               // Microsoft ADPCM predictor pairs
  uint32_t coefCount;
};

inline int16_t Clamp16(int32_t v) { return (int16_t)std::clamp(v, -32768, 32767); }
inline void Put16(uint8_t* p, int16_t v) {
  p[0] = (uint8_t)((uint16_t)v & 0xFF);
  p[1] = (uint8_t)((uint16_t)v >> 8);
}

bool ReadCommon(const uint8_t* f, uint32_t size, AdpcmState* s) {
  if (size < 18) return false;
  s->channels = CodecU16(f + 2);
  s->rate = CodecU32(f + 4);
  s->blockAlign = CodecU16(f + 12);
  uint16_t bits = CodecU16(f + 14);
  return s->channels >= 1 && s->channels <= 2 && s->rate >= 100 && s->rate <= 200000 && bits == 4;
}

void PcmFor(const AdpcmState& s, WaveFormat* pcm) {
  pcm->formatTag = WAVE_TAG_PCM;
  pcm->channels = s.channels;
  pcm->samplesPerSec = s.rate;
  pcm->blockAlign = (uint16_t)(s.channels * 2);
  pcm->avgBytesPerSec = s.rate * pcm->blockAlign;
  pcm->bitsPerSample = 16;
  pcm->extraSize = 0;
}

// ---- IMA ADPCM ----

const int16_t kImaStep[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int8_t kImaIndex[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

bool ImaRead(const uint8_t* f, uint32_t size, AdpcmState* s) {
  if (!ReadCommon(f, size, s)) return false;
  uint32_t head = 4u * s->channels;
  if (s->blockAlign <= head || (s->blockAlign - head) % head != 0) return false;
  s->samplesPerBlock = (s->blockAlign - head) * 2 / s->channels + 1;
  return true;
}

int ImaSuggest(const uint8_t* f, uint32_t size, WaveFormat* pcm) {
  AdpcmState s;
  if (!ImaRead(f, size, &s)) return -1;
  PcmFor(s, pcm);
  return 0;
}

void* ImaOpen(const uint8_t* f, uint32_t size) {
  auto* s = new (std::nothrow) AdpcmState{};
  if (s && !ImaRead(f, size, s)) {
    delete s;
    return nullptr;
  }
  return s;
}

// Decodes one block of `len` bytes (a whole block, or a short last one); returns frames written.
uint32_t ImaBlock(const AdpcmState& s, const uint8_t* in, uint32_t len, uint8_t* out) {
  int ch = s.channels;
  int32_t pred[2];
  int index[2];
  for (int c = 0; c < ch; ++c) {
    pred[c] = (int16_t)CodecU16(in + 4 * c);
    index[c] = std::min<int>(in[4 * c + 2], 88);
    Put16(out + 2 * c, (int16_t)pred[c]);
  }
  uint32_t groups = (len - 4u * ch) / (4u * ch);   // 8 frames per group
  const uint8_t* p = in + 4 * ch;
  for (uint32_t g = 0; g < groups; ++g) {
    for (int c = 0; c < ch; ++c) {
      for (int k = 0; k < 8; ++k) {
        int n = (p[k / 2] >> ((k & 1) * 4)) & 15;
        int step = kImaStep[index[c]];
        int32_t diff = step >> 3;
        if (n & 4) diff += step;
        if (n & 2) diff += step >> 1;
        if (n & 1) diff += step >> 2;
        pred[c] = (n & 8) ? pred[c] - diff : pred[c] + diff;
        pred[c] = std::clamp(pred[c], -32768, 32767);
        index[c] = std::clamp(index[c] + kImaIndex[n], 0, 88);
        uint32_t frame = 1 + g * 8 + k;
        Put16(out + (frame * ch + c) * 2, (int16_t)pred[c]);
      }
      p += 4;
    }
  }
  return 1 + groups * 8;
}

// ---- Microsoft ADPCM ----

// Larger steps only ever clamp the sample; the cap keeps the step arithmetic in range.
constexpr int64_t kMsMaxDelta = INT32_MAX / 768;
const int32_t kMsAdapt[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                              768, 614, 512, 409, 307, 230, 230, 230};

bool MsRead(const uint8_t* f, uint32_t size, AdpcmState* s) {
  if (!ReadCommon(f, size, s) || size < 22) return false;
  uint32_t head = 7u * s->channels;
  if (s->blockAlign < head) return false;
  uint32_t extra = CodecU16(f + 16);
  uint32_t count = CodecU16(f + 20);
  if (count < 1 || count > 256 || extra < 4 + 4 * count || size < 22 + 4 * count) return false;
  for (uint32_t i = 0; i < count; ++i) {
    s->coef[i][0] = (int16_t)CodecU16(f + 22 + 4 * i);
    s->coef[i][1] = (int16_t)CodecU16(f + 24 + 4 * i);
  }
  s->coefCount = count;
  s->samplesPerBlock = (s->blockAlign - head) * 2 / s->channels + 2;
  return true;
}

int MsSuggest(const uint8_t* f, uint32_t size, WaveFormat* pcm) {
  AdpcmState s;
  if (!MsRead(f, size, &s)) return -1;
  PcmFor(s, pcm);
  return 0;
}

void* MsOpen(const uint8_t* f, uint32_t size) {
  auto* s = new (std::nothrow) AdpcmState{};
  if (s && !MsRead(f, size, s)) {
    delete s;
    return nullptr;
  }
  return s;
}

uint32_t MsBlock(const AdpcmState& s, const uint8_t* in, uint32_t len, uint8_t* out) {
  int ch = s.channels;
  int32_t c1[2], c2[2], delta[2], s1[2], s2[2];
  for (int c = 0; c < ch; ++c) {
    uint32_t k = std::min<uint32_t>(in[c], s.coefCount - 1);
    c1[c] = s.coef[k][0];
    c2[c] = s.coef[k][1];
    delta[c] = (int16_t)CodecU16(in + ch + 2 * c);
    s1[c] = (int16_t)CodecU16(in + 3 * ch + 2 * c);
    s2[c] = (int16_t)CodecU16(in + 5 * ch + 2 * c);
    Put16(out + 2 * c, (int16_t)s2[c]);
    Put16(out + (ch + c) * 2, (int16_t)s1[c]);
  }
  uint32_t nibbles = (len - 7u * ch) * 2;
  uint32_t frames = nibbles / ch;
  const uint8_t* p = in + 7 * ch;
  for (uint32_t i = 0; i < frames * ch; ++i) {
    int c = (int)(i % ch);
    int n = (i & 1) ? (p[i / 2] & 15) : (p[i / 2] >> 4);
    int sn = n >= 8 ? n - 16 : n;
    // Wide sums and a capped step: crafted blocks grow the step without bound and pick predictor
    // pairs whose products add up past 32 bits.
    int64_t pred = ((int64_t)s1[c] * c1[c] + (int64_t)s2[c] * c2[c]) >> 8;
    int32_t v = Clamp16((int32_t)std::clamp<int64_t>(pred + (int64_t)sn * delta[c], -32768, 32767));
    s2[c] = s1[c];
    s1[c] = v;
    delta[c] = (int32_t)std::clamp<int64_t>(((int64_t)kMsAdapt[n] * delta[c]) >> 8, 16, kMsMaxDelta);
    Put16(out + ((2 + i / ch) * ch + c) * 2, (int16_t)v);
  }
  return 2 + frames;
}

// ---- shared ----

void Close(void* state) { delete static_cast<AdpcmState*>(state); }

uint32_t BlockAlignOf(void* state) { return static_cast<AdpcmState*>(state)->blockAlign; }

uint32_t Size(void* state, uint32_t sourceBytes) {
  const AdpcmState& s = *static_cast<AdpcmState*>(state);
  uint64_t frames = (uint64_t)(sourceBytes / s.blockAlign) * s.samplesPerBlock;
  if (sourceBytes % s.blockAlign) frames += s.samplesPerBlock;
  return (uint32_t)std::min<uint64_t>(frames * s.channels * 2, 0x7FFFFFFF);
}

template <uint32_t (*Block)(const AdpcmState&, const uint8_t*, uint32_t, uint8_t*), uint32_t HeadPerChannel>
int Convert(void* state, const uint8_t* src, uint32_t srcLen, uint32_t* srcUsed, uint8_t* dst,
            uint32_t dstLen, uint32_t* dstUsed) {
  const AdpcmState& s = *static_cast<AdpcmState*>(state);
  uint32_t frameBytes = 2u * s.channels;
  uint32_t wholeOut = s.samplesPerBlock * frameBytes;
  while (srcLen - *srcUsed >= s.blockAlign && dstLen - *dstUsed >= wholeOut) {
    Block(s, src + *srcUsed, s.blockAlign, dst + *dstUsed);
    *srcUsed += s.blockAlign;
    *dstUsed += wholeOut;
  }
  // A short block is decoded only when it is all the input there is: the end of the data.
  uint32_t left = srcLen - *srcUsed;
  if (*srcUsed == 0 && left > 0 && left < s.blockAlign && left >= HeadPerChannel * s.channels &&
      dstLen >= wholeOut) {
    *dstUsed += Block(s, src, left, dst) * frameBytes;
    *srcUsed = left;
  }
  return 0;
}

}  // namespace

const CodecOps kImaAdpcmOps = {ImaSuggest, ImaOpen, Close, Size, Convert<ImaBlock, 4>, BlockAlignOf};
const CodecOps kMsAdpcmOps = {MsSuggest, MsOpen, Close, Size, Convert<MsBlock, 7>, BlockAlignOf};

}  // namespace plat
