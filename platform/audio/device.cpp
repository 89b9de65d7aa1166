// The sound device front: picks the back end, opens and closes it, and answers capability and
// device-list questions through the back end's table.
#include <atomic>
#include <mutex>

#include "platform/audio/mixer.h"

namespace plat {

namespace {
std::mutex gDeviceLock;
SoundBackend gChoice = SoundBackend::Sdl;
const SoundBackendOps* gActive = nullptr;
std::atomic<bool> gOpen{false};
}  // namespace

const SoundBackendOps* ActiveSoundBackend() { return gActive; }

void SoundSetBackend(SoundBackend backend) {
  std::lock_guard<std::mutex> g(gDeviceLock);
  gChoice = backend;
}

bool SoundDeviceOpen() {
  std::lock_guard<std::mutex> g(gDeviceLock);
  if (gOpen) return false;
  const SoundBackendOps* ops = gChoice == SoundBackend::Manual ? ManualSoundBackend() : SdlSoundBackend();
  gActive = ops;
  if (!ops->open()) {
    gActive = nullptr;
    return false;
  }
  gOpen = true;
  return true;
}

void SoundDeviceClose() {
  std::lock_guard<std::mutex> g(gDeviceLock);
  if (!gOpen) return;
  gActive->close();
  MixerReleaseAll();
  gOpen = false;
  gActive = nullptr;
}

bool SoundDeviceIsOpen() { return gOpen; }

bool SoundDeviceGetCaps(SoundDeviceCaps* caps) {
  std::lock_guard<std::mutex> g(gDeviceLock);
  if (!gOpen || !caps) return false;
  gActive->getCaps(caps);
  return true;
}

bool SoundEnumerateDevices(void (*fn)(const char*, const char*, void*), void* ctx) {
  std::lock_guard<std::mutex> g(gDeviceLock);
  const SoundBackendOps* ops = gActive;
  if (!ops) ops = gChoice == SoundBackend::Manual ? ManualSoundBackend() : SdlSoundBackend();
  return fn && ops->enumerate(fn, ctx);
}

}  // namespace plat
