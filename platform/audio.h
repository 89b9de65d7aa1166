// Sound buffers: our own mixer that the engine's sound layer plays through. Secondary buffers hold
// 8-bit unsigned or 16-bit signed PCM, 1 or 2 channels, at any rate; the mixer resamples them to
// 44100 Hz 16-bit stereo. Buffers play once or looping, keep their position when stopped, lock as
// two areas across the wrap, and have duplicates that share the data but keep their own cursor,
// volume and state. The output keeps running whatever the window does. The mixer has its own lock;
// the audio thread takes nothing else. Back ends: SDL2 audio (its dummy driver, after a line on
// stderr, when no sound device opens) and a manual device whose cursors move only when a test
// advances it.
#pragma once
#include <cstdint>

namespace plat {

// The PCM format record (18 bytes, no padding) that the engine stores and compares byte for byte.
#pragma pack(push, 1)
struct WaveFormat {
  uint16_t formatTag;          // 1 PCM
  uint16_t channels;
  uint32_t samplesPerSec;
  uint32_t avgBytesPerSec;
  uint16_t blockAlign;
  uint16_t bitsPerSample;
  uint16_t extraSize;
};
#pragma pack(pop)
static_assert(sizeof(WaveFormat) == 18);

enum : uint32_t {
  SBCAPS_PRIMARYBUFFER = 0x00000001u,
  SBCAPS_STATIC = 0x00000002u,
  SBCAPS_CTRLFREQUENCY = 0x00000020u,
  SBCAPS_CTRLPAN = 0x00000040u,
  SBCAPS_CTRLVOLUME = 0x00000080u,
  SBCAPS_GLOBALFOCUS = 0x00008000u,
  SBCAPS_GETCURRENTPOSITION2 = 0x00010000u,
};
enum : uint32_t { SBSTATUS_PLAYING = 0x1u, SBSTATUS_LOOPING = 0x4u };
enum : uint32_t { SBPLAY_LOOPING = 0x1u };
enum : uint32_t {
  SDCAPS_PRIMARYMONO = 0x0001u,
  SDCAPS_PRIMARYSTEREO = 0x0002u,
  SDCAPS_PRIMARY8BIT = 0x0004u,
  SDCAPS_PRIMARY16BIT = 0x0008u,
  SDCAPS_SECONDARYMONO = 0x0100u,
  SDCAPS_SECONDARYSTEREO = 0x0200u,
  SDCAPS_SECONDARY8BIT = 0x0400u,
  SDCAPS_SECONDARY16BIT = 0x0800u,
};
constexpr int32_t kSoundVolumeSilent = -10000;   // hundredths of a decibel
constexpr int32_t kSoundVolumeFull = 0;
constexpr uint32_t kMixRate = 44100;             // output: 16-bit stereo at this rate

struct SoundBufferDesc {
  uint32_t size;                 // 36, as the engine fills it
  uint32_t flags;                // SBCAPS_*
  uint32_t bytes;                // 0 for the primary buffer
  const WaveFormat* format;      // null for the primary buffer
};

struct SoundDeviceCaps {
  uint32_t flags;                // SDCAPS_*
  uint32_t minSecondaryRate;
  uint32_t maxSecondaryRate;
  uint32_t totalHwMemBytes;
  uint32_t freeHwMemBytes;
};

enum class SoundBackend { Sdl, Manual };
struct SoundBuffer;              // opaque; owned by the device until released

// Choose the back end for the next SoundDeviceOpen (default Sdl).
void SoundSetBackend(SoundBackend backend);
// Open the output device; false when it cannot be had or is already open.
bool SoundDeviceOpen();
// Release every buffer and close the device; nothing when it is not open.
void SoundDeviceClose();
bool SoundDeviceIsOpen();
// Capabilities of the open device; false when none is open.
bool SoundDeviceGetCaps(SoundDeviceCaps* caps);
// Calls fn for each output device (module name, description); false when devices cannot be listed.
bool SoundEnumerateDevices(void (*fn)(const char* module, const char* description, void* ctx), void* ctx);

// A new buffer as described (a primary buffer when SBCAPS_PRIMARYBUFFER is set); null on failure.
SoundBuffer* SoundBufferCreate(const SoundBufferDesc* desc);
// A new buffer sharing the source's data with its own cursor, volume and state; null on failure.
SoundBuffer* SoundBufferDuplicate(SoundBuffer* source);
// Stops and frees the buffer; shared data goes with its last user.
void SoundBufferRelease(SoundBuffer* b);
// Starts (or keeps) playing from the current position; flags SBPLAY_LOOPING. 0, or -1.
int SoundBufferPlay(SoundBuffer* b, uint32_t flags);
// Stops, keeping the position. 0, or -1.
int SoundBufferStop(SoundBuffer* b);
// SBSTATUS_* bits. 0, or -1.
int SoundBufferGetStatus(SoundBuffer* b, uint32_t* status);
// Play cursor and write cursor in bytes (either may be null); frame-aligned. 0, or -1.
int SoundBufferGetPosition(SoundBuffer* b, uint32_t* play, uint32_t* write);
// Moves the play cursor (rounded down to a frame); -1 when beyond the buffer.
int SoundBufferSetPosition(SoundBuffer* b, uint32_t offset);
// Hundredths of a decibel, -10000 (silent) .. 0 (full); -1 when out of range.
int SoundBufferSetVolume(SoundBuffer* b, int32_t volume);
int SoundBufferGetVolume(SoundBuffer* b, int32_t* volume);
// Bytes from offset as one or two areas (the second from the start after the wrap). 0, or -1 for a
// bad range, a buffer already locked, or the primary buffer.
int SoundBufferLock(SoundBuffer* b, uint32_t offset, uint32_t bytes, void** area1, uint32_t* size1,
                    void** area2, uint32_t* size2);
// Ends a lock; the areas must be those the lock returned. 0, or -1.
int SoundBufferUnlock(SoundBuffer* b, void* area1, uint32_t size1, void* area2, uint32_t size2);
// Primary buffer only: records the output format the engine asked for. 0, or -1.
int SoundBufferSetFormat(SoundBuffer* b, const WaveFormat* format);
int SoundBufferGetFormat(SoundBuffer* b, WaveFormat* format);
// Bytes of the buffer (0 for the primary).
uint32_t SoundBufferSize(SoundBuffer* b);

}  // namespace plat
