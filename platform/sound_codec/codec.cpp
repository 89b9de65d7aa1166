// Dispatch of the compressed-sound operations by format tag.
#include <new>

#include "platform/sound_codec/codec.h"

namespace plat {

struct CodecStream {
  const CodecOps* ops;
  void* state;
  WaveFormat pcm;
};

namespace {

const CodecOps* OpsFor(const uint8_t* source, uint32_t sourceSize) {
  if (!source || sourceSize < 16) return nullptr;
  switch (CodecU16(source)) {
    case WAVE_TAG_IMAADPCM: return &kImaAdpcmOps;
    case WAVE_TAG_MSADPCM: return &kMsAdpcmOps;
    case WAVE_TAG_MPEGLAYER3: return &kMp3Ops;
    default: return nullptr;
  }
}

}  // namespace

int CodecSuggestFormat(const uint8_t* source, uint32_t sourceSize, WaveFormat* pcm) {
  const CodecOps* ops = OpsFor(source, sourceSize);
  if (!ops || !pcm) return -1;
  return ops->suggest(source, sourceSize, pcm);
}

CodecStream* CodecStreamOpen(const uint8_t* source, uint32_t sourceSize, const WaveFormat* pcm) {
  const CodecOps* ops = OpsFor(source, sourceSize);
  WaveFormat want;
  if (!ops || !pcm || ops->suggest(source, sourceSize, &want) != 0) return nullptr;
  if (want.formatTag != pcm->formatTag || want.channels != pcm->channels ||
      want.samplesPerSec != pcm->samplesPerSec || want.bitsPerSample != pcm->bitsPerSample ||
      want.blockAlign != pcm->blockAlign) {
    return nullptr;
  }
  void* state = ops->open(source, sourceSize);
  if (!state) return nullptr;
  auto* s = new (std::nothrow) CodecStream{ops, state, want};
  if (!s) ops->close(state);
  return s;
}

void CodecStreamClose(CodecStream* s) {
  if (!s) return;
  s->ops->close(s->state);
  delete s;
}

uint32_t CodecStreamSize(CodecStream* s, uint32_t sourceBytes) {
  return s ? s->ops->size(s->state, sourceBytes) : 0;
}

int CodecStreamConvert(CodecStream* s, const uint8_t* src, uint32_t srcLen, uint32_t* srcUsed,
                       uint8_t* dst, uint32_t dstLen, uint32_t* dstUsed) {
  if (!s || !srcUsed || !dstUsed || (srcLen && !src) || (dstLen && !dst)) return -1;
  *srcUsed = 0;
  *dstUsed = 0;
  return s->ops->convert(s->state, src, srcLen, srcUsed, dst, dstLen, dstUsed);
}

uint32_t CodecStreamBlockAlign(CodecStream* s) { return s ? s->ops->blockAlign(s->state) : 0; }

}  // namespace plat
