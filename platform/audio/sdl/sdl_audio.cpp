// Real output: SDL2 audio at 44100 Hz, 16-bit stereo, the mixer called from SDL's audio thread.
// When no sound device can be opened, whatever SDL_AUDIODRIVER names, SDL's dummy driver keeps the
// cursors moving in real time; SDL_AUDIODRIVER=disk (with SDL_DISKAUDIOFILE) records the output.
#include <SDL.h>

#include <cstdio>

#include "platform/audio/mixer.h"

namespace plat {

namespace {

SDL_AudioDeviceID gDevice = 0;
char gFailure[512];   // the driver and SDL's reason of the last failed open

void Callback(void*, Uint8* stream, int len) {
  MixerRender(reinterpret_cast<int16_t*>(stream), (uint32_t)len / 4);
}

// SDL would otherwise turn SIGINT and SIGTERM into a quit event that nothing reads without a
// window, and the program would not stop.
void KeepSignalsToTheProcess() { SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1"); }

bool Failed(const char* driver) {
  const char* asked = SDL_GetHint(SDL_HINT_AUDIODRIVER);   // SDL_AUDIODRIVER when no hint outranks it
  if (!driver) driver = asked && *asked ? asked : "none";
  std::snprintf(gFailure, sizeof gFailure, "driver %s: %s", driver, SDL_GetError());
  return false;
}

bool TryOpen() {
  KeepSignalsToTheProcess();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return Failed(nullptr);
  SDL_AudioSpec want{};
  want.freq = (int)kMixRate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = 1024;
  want.callback = Callback;
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts to whatever the hardware takes.
  gDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (gDevice == 0) {
    Failed(SDL_GetCurrentAudioDriver());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  return true;
}

bool Open() {
  if (!TryOpen()) {
    std::fprintf(stderr, "velmarondix: no sound device could be opened (%s); the game plays without sound\n",
                 gFailure);
    // The dummy driver must outrank SDL_AUDIODRIVER, which named the driver that failed; the hint
    // is put back so that the next open looks for a device again.
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    const bool silent = TryOpen();
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (!silent) return false;
  }
  // Never paused afterwards: sound keeps playing while the window is inactive.
  SDL_PauseAudioDevice(gDevice, 0);
  return true;
}

void Close() {
  if (gDevice) SDL_CloseAudioDevice(gDevice);   // waits for a running callback to return
  gDevice = 0;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void GetCaps(SoundDeviceCaps* caps) {
  *caps = SoundDeviceCaps{};
  caps->flags = SDCAPS_PRIMARYMONO | SDCAPS_PRIMARYSTEREO | SDCAPS_PRIMARY8BIT | SDCAPS_PRIMARY16BIT |
                SDCAPS_SECONDARYMONO | SDCAPS_SECONDARYSTEREO | SDCAPS_SECONDARY8BIT |
                SDCAPS_SECONDARY16BIT;
  caps->minSecondaryRate = 100;
  caps->maxSecondaryRate = 200000;
}

bool Enumerate(void (*fn)(const char*, const char*, void*), void* ctx) {
  bool started = SDL_WasInit(SDL_INIT_AUDIO) != 0;
  if (!started) KeepSignalsToTheProcess();
  if (!started && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  const char* driver = SDL_GetCurrentAudioDriver();
  fn(driver ? driver : "", "default output", ctx);
  int n = SDL_GetNumAudioDevices(0);
  for (int i = 0; i < n; ++i) {
    const char* name = SDL_GetAudioDeviceName(i, 0);
    fn(driver ? driver : "", name ? name : "", ctx);
  }
  if (!started) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  return true;
}

const SoundBackendOps kOps = {Open, Close, GetCaps, Enumerate, nullptr, nullptr, nullptr};

}  // namespace

const SoundBackendOps* SdlSoundBackend() { return &kOps; }

}  // namespace plat
