// Test controls of the manual sound device: nothing moves until the test advances it, and each
// failure the engine must survive can be injected.
#pragma once
#include <cstdint>
#include "platform/audio.h"

namespace plat {

enum class ManualSoundFault { Open, Create, Duplicate, Lock };

// Back to defaults: full capabilities, devices listable, no faults.
void ManualSoundReset();
void ManualSoundSetCaps(const SoundDeviceCaps& caps);
// With false the device list cannot be had (SoundEnumerateDevices returns false).
void ManualSoundSetEnumerable(bool enumerable);
// After `successes` more calls succeed, the next `failures` calls of that kind fail.
void ManualSoundInjectFault(ManualSoundFault fault, int successes, int failures = 1);
// Mixes `frames` output frames (stereo, 16-bit) into out, which may be null; only this moves cursors.
void ManualSoundAdvance(uint32_t frames, int16_t* out = nullptr);

}  // namespace plat
