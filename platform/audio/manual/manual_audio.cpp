// The manual device: no thread and no output; the test moves the cursors by mixing on demand.
#include "platform/audio/manual/manual_audio.h"

#include "platform/audio/mixer.h"

namespace plat {

namespace {

struct Fault {
  int successes;
  int failures;
};

SoundDeviceCaps DefaultCaps() {
  SoundDeviceCaps c{};
  c.flags = SDCAPS_PRIMARYMONO | SDCAPS_PRIMARYSTEREO | SDCAPS_PRIMARY8BIT | SDCAPS_PRIMARY16BIT |
            SDCAPS_SECONDARYMONO | SDCAPS_SECONDARYSTEREO | SDCAPS_SECONDARY8BIT | SDCAPS_SECONDARY16BIT;
  c.minSecondaryRate = 100;
  c.maxSecondaryRate = 200000;
  return c;
}

SoundDeviceCaps gCaps = DefaultCaps();
bool gEnumerable = true;
Fault gFaults[4] = {};

bool Hit(ManualSoundFault which) {
  Fault& f = gFaults[(int)which];
  if (f.failures <= 0) return false;
  if (f.successes > 0) {
    f.successes -= 1;
    return false;
  }
  f.failures -= 1;
  return true;
}

bool Open() { return !Hit(ManualSoundFault::Open); }
void Close() {}
void GetCaps(SoundDeviceCaps* caps) { *caps = gCaps; }
bool Enumerate(void (*fn)(const char*, const char*, void*), void* ctx) {
  if (!gEnumerable) return false;
  fn("manual", "manual test device", ctx);
  return true;
}
bool FailCreate() { return Hit(ManualSoundFault::Create); }
bool FailDuplicate() { return Hit(ManualSoundFault::Duplicate); }
bool FailLock() { return Hit(ManualSoundFault::Lock); }

const SoundBackendOps kOps = {Open, Close, GetCaps, Enumerate, FailCreate, FailDuplicate, FailLock};

}  // namespace

const SoundBackendOps* ManualSoundBackend() { return &kOps; }

void ManualSoundReset() {
  gCaps = DefaultCaps();
  gEnumerable = true;
  for (Fault& f : gFaults) f = Fault{};
}

void ManualSoundSetCaps(const SoundDeviceCaps& caps) { gCaps = caps; }
void ManualSoundSetEnumerable(bool enumerable) { gEnumerable = enumerable; }

void ManualSoundInjectFault(ManualSoundFault fault, int successes, int failures) {
  gFaults[(int)fault] = Fault{successes, failures};
}

void ManualSoundAdvance(uint32_t frames, int16_t* out) {
  if (SoundDeviceIsOpen()) MixerRender(out, frames);
}

}  // namespace plat
