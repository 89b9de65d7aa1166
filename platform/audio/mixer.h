// Inside the sound buffer facility: the mixer shared by both back ends, and the table of back-end
// operations that the front (device.cpp) dispatches through.
#pragma once
#include <cstdint>
#include "platform/audio.h"

namespace plat {

struct SoundBackendOps {
  bool (*open)();                      // start the output; the mixer is set up already
  void (*close)();                     // stop the output; no mixing after it returns
  void (*getCaps)(SoundDeviceCaps* caps);
  bool (*enumerate)(void (*fn)(const char*, const char*, void*), void* ctx);
  bool (*failCreate)();                // injected failures (manual device); null means never
  bool (*failDuplicate)();
  bool (*failLock)();
};

const SoundBackendOps* SdlSoundBackend();
const SoundBackendOps* ManualSoundBackend();

// Mixes `frames` stereo frames of 16-bit output into out (may be null: the cursors still move).
// Takes only the mixer's own lock.
void MixerRender(int16_t* out, uint32_t frames);
// Frees every buffer; called by the device close after the output stopped.
void MixerReleaseAll();

}  // namespace plat
