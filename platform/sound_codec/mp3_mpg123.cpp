// MP3 through libmpg123 in feed mode. Every frame is decoded to its full length, the information
// frame included, so the output length is frames x samples per frame, as the engine counts it.
#include <mpg123.h>

#include <algorithm>
#include <mutex>
#include <new>

#include "platform/sound_codec/codec.h"

namespace plat {

namespace {

struct Mp3State {
  mpg123_handle* h;
  WaveFormat pcm;
  uint32_t frameBytes;     // bytes of the first frame, for the size estimate
};

bool LibraryReady() {
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] { ok = mpg123_init() == MPG123_OK; });
  return ok;
}

int Suggest(const uint8_t* f, uint32_t size, WaveFormat* pcm) {
  if (size < 18) return -1;
  uint16_t channels = CodecU16(f + 2);
  uint32_t rate = CodecU32(f + 4);
  static const uint32_t kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
  if (channels < 1 || channels > 2 || std::find(std::begin(kRates), std::end(kRates), rate) == std::end(kRates)) {
    return -1;
  }
  pcm->formatTag = WAVE_TAG_PCM;
  pcm->channels = channels;
  pcm->samplesPerSec = rate;
  pcm->blockAlign = (uint16_t)(channels * 2);
  pcm->avgBytesPerSec = rate * pcm->blockAlign;
  pcm->bitsPerSample = 16;
  pcm->extraSize = 0;
  return 0;
}

void* Open(const uint8_t* f, uint32_t size) {
  WaveFormat pcm;
  if (Suggest(f, size, &pcm) != 0 || !LibraryReady()) return nullptr;
  auto* s = new (std::nothrow) Mp3State{};
  if (!s) return nullptr;
  s->pcm = pcm;
  s->frameBytes = size >= 26 ? CodecU16(f + 24) : 0;   // block size of the layer-3 record
  int err = 0;
  s->h = mpg123_new(nullptr, &err);
  if (!s->h) {
    delete s;
    return nullptr;
  }
  mpg123_param(s->h, MPG123_FLAGS, MPG123_QUIET | MPG123_IGNORE_INFOFRAME, 0.0);
  mpg123_param(s->h, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
  mpg123_format_none(s->h);
  if (mpg123_format(s->h, (long)pcm.samplesPerSec, pcm.channels == 2 ? MPG123_STEREO : MPG123_MONO,
                    MPG123_ENC_SIGNED_16) != MPG123_OK ||
      mpg123_open_feed(s->h) != MPG123_OK) {
    mpg123_delete(s->h);
    delete s;
    return nullptr;
  }
  return s;
}

void Close(void* state) {
  auto* s = static_cast<Mp3State*>(state);
  mpg123_delete(s->h);
  delete s;
}

uint32_t Size(void* state, uint32_t sourceBytes) {
  auto* s = static_cast<Mp3State*>(state);
  // Frames are at least this long (minus padding), each gives at most 1152 frames of PCM.
  uint32_t frame = std::max<uint32_t>(s->frameBytes, 96) - 1;
  uint64_t frames = (uint64_t)(sourceBytes / frame + 1) * 1152;
  return (uint32_t)std::min<uint64_t>(frames * s->pcm.blockAlign, 0x7FFFFFFF);
}

int Convert(void* state, const uint8_t* src, uint32_t srcLen, uint32_t* srcUsed, uint8_t* dst,
            uint32_t dstLen, uint32_t* dstUsed) {
  auto* s = static_cast<Mp3State*>(state);
  const unsigned char* in = srcLen ? src : nullptr;
  size_t inSize = srcLen;
  *srcUsed = srcLen;   // the decoder takes all input into its own buffer
  while (*dstUsed < dstLen) {
    size_t done = 0;
    int r = mpg123_decode(s->h, in, inSize, dst + *dstUsed, dstLen - *dstUsed, &done);
    in = nullptr;
    inSize = 0;
    *dstUsed += (uint32_t)done;
    if (r == MPG123_NEW_FORMAT) {
      long rate = 0;
      int channels = 0, enc = 0;
      mpg123_getformat(s->h, &rate, &channels, &enc);
      if ((uint32_t)rate != s->pcm.samplesPerSec || channels != s->pcm.channels) return -1;
      continue;
    }
    if (r == MPG123_OK) continue;
    if (r == MPG123_NEED_MORE || r == MPG123_DONE) break;
    if (r == MPG123_ERR) return *dstUsed ? 0 : -1;
    if (done == 0) break;
  }
  return 0;
}

uint32_t BlockAlignOf(void*) { return 1; }

}  // namespace

const CodecOps kMp3Ops = {Suggest, Open, Close, Size, Convert, BlockAlignOf};

}  // namespace plat
