// Inside the compressed-sound facility: one table of operations per source format.
#pragma once
#include <cstdint>
#include "platform/sound_codec.h"

namespace plat {

struct CodecOps {
  int (*suggest)(const uint8_t* source, uint32_t sourceSize, WaveFormat* pcm);
  void* (*open)(const uint8_t* source, uint32_t sourceSize);
  void (*close)(void* state);
  uint32_t (*size)(void* state, uint32_t sourceBytes);
  int (*convert)(void* state, const uint8_t* src, uint32_t srcLen, uint32_t* srcUsed, uint8_t* dst,
                 uint32_t dstLen, uint32_t* dstUsed);
  uint32_t (*blockAlign)(void* state);
};

extern const CodecOps kImaAdpcmOps;
extern const CodecOps kMsAdpcmOps;
extern const CodecOps kMp3Ops;

// Little-endian field readers over a format record.
inline uint16_t CodecU16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }
inline uint32_t CodecU32(const uint8_t* p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

}  // namespace plat
