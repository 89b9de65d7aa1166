// Compressed sound to PCM: MP3 (format tag 0x55) through libmpg123, IMA ADPCM (0x11) and Microsoft
// ADPCM (0x02) by our own decoders. Source formats arrive as the raw format record of the file
// (18 bytes plus extra bytes); other tags fail to open. Output is always 16-bit PCM at the source's
// rate and channel count.
#pragma once
#include <cstdint>
#include "platform/audio.h"

namespace plat {

enum : uint16_t { WAVE_TAG_PCM = 1, WAVE_TAG_MSADPCM = 2, WAVE_TAG_IMAADPCM = 0x11, WAVE_TAG_MPEGLAYER3 = 0x55 };

struct CodecStream;   // opaque

// The PCM format a supported source converts to. 0, or -1 for an unsupported or broken format.
int CodecSuggestFormat(const uint8_t* source, uint32_t sourceSize, WaveFormat* pcm);
// A converter from the source format to pcm (which must be what CodecSuggestFormat gives); null on failure.
CodecStream* CodecStreamOpen(const uint8_t* source, uint32_t sourceSize, const WaveFormat* pcm);
void CodecStreamClose(CodecStream* s);
// PCM bytes that `sourceBytes` of compressed data are expected to give (an upper bound for MP3).
uint32_t CodecStreamSize(CodecStream* s, uint32_t sourceBytes);
// Converts from src into dst. ADPCM takes whole blocks only, except a final short block that is all
// the input there is; MP3 takes all input and keeps what does not fit in dst for the next call.
// A call with srcLen 0 drains what the decoder still holds. 0, or -1 on a decoder failure.
int CodecStreamConvert(CodecStream* s, const uint8_t* src, uint32_t srcLen, uint32_t* srcUsed,
                       uint8_t* dst, uint32_t dstLen, uint32_t* dstUsed);
// Source bytes per block (ADPCM block align, 1 for MP3).
uint32_t CodecStreamBlockAlign(CodecStream* s);

}  // namespace plat
