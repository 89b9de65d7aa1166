// Ogg Vorbis sources: vorbisfile reads the source stream through our callbacks, and PCM comes out
// in 4096-byte blocks.
#include "engine/input_sound/sound.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>

#include "engine/base/memory.h"

namespace {

constexpr int kOggBlock = 4096;
constexpr int kMaxHoles = 64;   // holes in a row before a damaged stream is given up

size_t OggRead(void* buffer, size_t size, size_t count, void* source) {
  auto* s = static_cast<StreamSource*>(source);
  if (!s) return (size_t)-1;
  if (size == 0 || count == 0) return 0;
  return s->fn.read(buffer, size, count, s->handle);
}

int OggSeek(void* source, ogg_int64_t offset, int origin) {
  auto* s = static_cast<StreamSource*>(source);
  if (!s) return -1;
  return s->fn.seek(s->handle, (int64_t)offset, origin);
}

int OggClose(void*) { return 0; }   // the stream belongs to the caller

long OggTell(void* source) {
  auto* s = static_cast<StreamSource*>(source);
  if (!s) return -1;
  return (long)s->fn.tell(s->handle);
}

}  // namespace

int OpenOggVorbis(SoundConvert* c) {
  SoundConvertOgg& o = c->ogg;
  o.decoderOpen = 0;
  o.bytesPerSample = gSoundSystem.bytesPerSample == 1 ? 1 : 2;
  o.decoder = static_cast<OggVorbis_File*>(TRACKED_CALLOC(sizeof(OggVorbis_File)));
  if (!o.decoder) return -1;
  ov_callbacks cb{OggRead, OggSeek, OggClose, OggTell};
  if (ov_open_callbacks(&c->source, o.decoder, nullptr, 0, cb) != 0) {
    TrackedFree(o.decoder);
    o.decoder = nullptr;
    return -1;
  }
  o.decoderOpen = 1;
  vorbis_info* vi = ov_info(o.decoder, -1);
  if (!vi || vi->channels < 1 || vi->channels > 2 || vi->rate < 100 || vi->rate > 200000) {
    CloseOggVorbis(c);
    return -1;
  }
  plat::WaveFormat& f = c->outFormat;
  f.formatTag = 1;
  f.channels = (uint16_t)vi->channels;
  f.samplesPerSec = (uint32_t)vi->rate;
  f.bitsPerSample = (uint16_t)(o.bytesPerSample * 8);
  f.blockAlign = (uint16_t)(f.channels * o.bytesPerSample);
  f.avgBytesPerSec = f.blockAlign * f.samplesPerSec;
  f.extraSize = 0;
  c->blockSize = kOggBlock;
  c->method = SOUND_CONVERT_OGG;
  return 0;
}

int ReadOggBlock(SoundConvert* c) {
  SoundConvertOgg& o = c->ogg;
  if (!o.decoderOpen) return 0;
  int section = 0;
  for (int holes = 0; holes < kMaxHoles; ++holes) {
    long n = ov_read(o.decoder, reinterpret_cast<char*>(c->block), c->blockSize, 0, o.bytesPerSample,
                     o.bytesPerSample != 1, &section);
    if (n > 0) return (int)n;
    // A hole (lost pages) is skipped; any other error, like the end, ends the source.
    if (n != OV_HOLE) return 0;
  }
  return 0;
}

int SeekOggVorbis(SoundConvert* c, int frame) {
  SoundConvertOgg& o = c->ogg;
  if (o.decoderOpen) ov_pcm_seek(o.decoder, frame);
  c->bytesInBlock = 0;
  c->readPosition = 0;
  c->outputPosition = (int32_t)std::min<int64_t>((int64_t)frame * c->outFormat.blockAlign, 0x7FFFFFFF);
  return 0;
}

int GetOggConvertSize(SoundConvert* c) {
  SoundConvertOgg& o = c->ogg;
  if (!o.decoderOpen) return 0;
  int64_t total = ov_pcm_total(o.decoder, -1);
  if (total < 0) total = 0;
  int64_t bytes = (total + 44100) * c->outFormat.channels * o.bytesPerSample;
  return (int)std::min<int64_t>(bytes, 0x7FFFFFFF);
}

int CloseOggVorbis(SoundConvert* c) {
  SoundConvertOgg& o = c->ogg;
  if (o.decoderOpen) ov_clear(o.decoder);
  o.decoderOpen = 0;
  if (o.decoder) TrackedFree(o.decoder);
  o.decoder = nullptr;
  return 0;
}
