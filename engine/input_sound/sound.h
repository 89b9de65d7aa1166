// Inside the sound system: the sound table and its records, the buffer layer, the converters that
// turn WAV, compressed WAV, MP3 and Ogg Vorbis into PCM, and the system's globals. Shared by the
// handle, buffer, conversion, stream and play code of this folder.
#pragma once
#include <cstdint>

#include "engine/base/file_access.h"
#include "engine/base/memory.h"
#include "platform/audio.h"
#include "platform/sound_codec.h"

constexpr int kMaxSoundHandles = 4096;
constexpr int kSoundBufferMax = 10;
constexpr int kStreamSourceMax = 3;
constexpr int kWritePositionNone = -800;   // stream ring: nothing written yet

enum { SOUND_KIND_MEMORY = 0, SOUND_KIND_STREAM = 1 };
enum { SOUND_PLAY_WAIT = 0, SOUND_PLAY_BACK = 1, SOUND_PLAY_LOOP = 3 };
enum { SOUND_CONVERT_PCM = 0, SOUND_CONVERT_ACM = 1, SOUND_CONVERT_OGG = 2 };
// Buffer description flags as the engine passes them.
enum : uint32_t {
  SOUND_BUFFER_FLAGS_MEMORY = 0x80E2u,
  SOUND_BUFFER_FLAGS_MEMORY_RETRY = 0xC2u,
  SOUND_BUFFER_FLAGS_STREAM = 0x180E2u,
  SOUND_BUFFER_FLAGS_SILENT = 0x8002u,
};

struct SoundBufferSlot {
  int32_t valid;                 // 1 while the slot holds a buffer
  plat::SoundBuffer* buffer;
};

// Compressed-source state of a converter (compressed WAV and MP3).
struct SoundConvertAcm {
  uint8_t* sourceFormat;         // owned copy of the source's format record
  uint32_t sourceFormatSize;
  plat::CodecStream* main;
  plat::CodecStream* standby;    // waits near the loop start so that a loop seek is cheap
  uint8_t* data;                 // the whole compressed data range
  int32_t dataSize;
  int32_t mainSourcePos;
  int32_t mp3TotalSamples;       // -1 for compressed WAV
  int32_t standbySourcePos;
  int32_t standbyOutputPos;
  uint8_t* standbyOutput;        // block-size scratch for the standby stream
};

struct OggVorbis_File;
struct SoundConvertOgg {
  int32_t decoderOpen;
  OggVorbis_File* decoder;       // tracked memory, made at open
  int32_t bytesPerSample;
};

struct SoundConvert {
  int32_t open;
  int32_t atEnd;
  int32_t method;                // SOUND_CONVERT_*
  StreamSource source;
  int32_t dataStart;
  int32_t dataSize;
  plat::WaveFormat outFormat;    // always PCM
  SoundConvertAcm acm;
  SoundConvertOgg ogg;
  uint8_t* block;
  int32_t blockSize;
  int32_t bytesInBlock;          // converted bytes not yet taken
  int32_t readPosition;          // next byte to take from the block
  int32_t outputPosition;        // PCM bytes delivered since the start of the data
  int32_t standbyTarget;         // output byte position the standby stream waits at; 0 none
};

struct SoundStreamSource {
  int8_t repeatCount;            // played count + 1 times; -1 endlessly
  int32_t kind;                  // 0 decoded PCM image, 2 file image, 3 caller's stream
  uint8_t* image;
  int32_t imageSize;
  StreamFunctionTable fn;        // memory-stream set over the image
  FileHandle streamHandle;       // memory stream over the image; 0 for kind 3
  int32_t loopStart;             // sample frame a repeat restarts at
  SoundConvert converter;
};

struct SoundRecord {
  uint32_t check;
  SoundBufferSlot buffers[kSoundBufferMax];
  plat::WaveFormat format;
  int32_t kind;                  // SOUND_KIND_*
  int32_t playType;
  uint32_t startTime;
  int32_t ringMaster;            // handle whose ring this one shares; -1 own ring
  int32_t sharers;
  int32_t ringUser;              // handle now playing on this record's ring; -1 none
  int32_t deletePending;
  int32_t ringSize;
  int32_t writePosition;
  int32_t safeStart;
  SoundStreamSource sources[kStreamSourceMax];
  int32_t sourceCount;
  int32_t currentSource;
  int32_t repeatCounter;
  int32_t sourcePosition;
  int32_t totalFrames;
  uint32_t playedBytes;
  uint32_t lastCursor;
  uint8_t prepared;
  uint8_t endReached;
  uint8_t looped;
  uint8_t allDone;
  uint32_t endPosition;
  uint32_t cursorAtEnd;
  uint32_t loopPosition;
  ListNode listNode;             // in the list of stream sounds: value the handle, data the record
  uint8_t sourceOwnsStream[kStreamSourceMax];
  int32_t pcmSize;
  uint8_t* pcm;
  int32_t bufferCount;
  int32_t nextBuffer;
};

// ---- system globals ----
struct SoundSystem {
  int32_t started;               // the device is open; every sound operation tests it
  plat::SoundBuffer* primary;
  plat::SoundBuffer* silent;
  ListNode streamHead;           // list of stream sounds, newest first
  ListNode streamTail;
  int32_t createType;            // 0 memory sounds; 1..3 stream sounds of that source kind
  int32_t bytesPerSample;
};
extern SoundSystem gSoundSystem;

int InitializeDirectSound();
int TerminateDirectSound();
void SoundStreamListAdd(SoundRecord* r, int handle);
void SoundStreamListRemove(SoundRecord* r);

// ---- handles and records ----
SoundRecord* GetSoundRecord(int handle);      // null for a handle that is not valid
int AddSoundData(int handle);
int DeleteSoundHandle(int handle);
int DeleteAllSoundHandles();
int SetSoundCreateType(int type);
int GetSoundTotalSamples(int handle);
int SetSoundHandleVolume(int volume, int handle);
int SoundHandleCount();                       // live records
int SoundHandleAreaEnd();

// ---- buffer layer ----
int CreateBufferSlot(SoundBufferSlot* slot, const plat::SoundBufferDesc* desc);
int DuplicateBufferSlot(SoundBufferSlot* slot, SoundBufferSlot* source);
int ReleaseBufferSlot(SoundBufferSlot* slot);
int PlayBufferSlot(SoundBufferSlot* slot, int loop);
int StopBufferSlot(SoundBufferSlot* slot);
int GetBufferSlotStatus(SoundBufferSlot* slot, uint32_t* status);
int LockBufferSlot(SoundBufferSlot* slot, uint32_t offset, uint32_t bytes, void** area1, uint32_t* size1,
                   void** area2, uint32_t* size2);
int UnlockBufferSlot(SoundBufferSlot* slot, void* area1, uint32_t size1, void* area2, uint32_t size2);
int SetBufferSlotVolume(SoundBufferSlot* slot, int32_t volume);
int SetBufferSlotPosition(SoundBufferSlot* slot, uint32_t offset);
int GetBufferSlotPosition(SoundBufferSlot* slot, uint32_t* play);
int CreateSoundBuffers(const plat::WaveFormat* format, int bytes, int kind, int count, int handle);

// ---- source conversion ----
int OpenSoundConvert(const StreamSource* source, SoundConvert* c);
// 1 for PCM the mixer plays: 8 or 16 bits, one or two channels, 100..200000 Hz, block align and
// bytes per second agreeing with them.
int IsPlayablePcmFormat(const plat::WaveFormat* f);
int ReadSoundConvert(SoundConvert* c, void* dst, int bytes);
int SeekSoundConvert(SoundConvert* c, int frame);
int CloseSoundConvert(SoundConvert* c);
void GetSoundConvertFormat(const SoundConvert* c, plat::WaveFormat* out);
int GetSoundConvertSize(SoundConvert* c);
int ConvertSoundToPcmBuffer(SoundConvert* c, plat::WaveFormat* format, uint8_t** pcm, int* size);
// Bytes of PCM the source gives at its start, decoded into the block and left there unread; 0 when
// it gives nothing. Every kind of load refuses a source that does not give one whole frame.
int SoundConvertFirstBlockBytes(SoundConvert* c);
// Sound files read whole into memory, and the PCM of a sound decoded whole, are at most this many
// bytes (about 25 minutes of 44.1 kHz 16-bit stereo); longer sounds are refused, or are streamed.
constexpr int64_t SOUND_WHOLE_LIMIT = 256 << 20;
int BuildWaveImage(uint8_t** image, int* size, const void* format, int formatSize, const void* data,
                   int dataSize);

// Method entries, used by the opener and the dispatch in the conversion code.
int OpenAcmWave(SoundConvert* c);
int OpenMp3(SoundConvert* c);
int ReadAcmBlock(SoundConvert* c);            // bytes in the new block; 0 when the source ended
int SeekAcm(SoundConvert* c, int target);
void CloseAcm(SoundConvert* c);
int GetAcmConvertSize(SoundConvert* c);
int OpenOggVorbis(SoundConvert* c);
int ReadOggBlock(SoundConvert* c);
int SeekOggVorbis(SoundConvert* c, int frame);
int GetOggConvertSize(SoundConvert* c);
int CloseOggVorbis(SoundConvert* c);
// RIFF walk shared by both WAV methods: the "fmt " body (tracked memory) and the data range.
int ReadRiffWave(SoundConvert* c, uint8_t** format, uint32_t* formatSize);
int64_t StreamSizeOf(const StreamSource* s);  // -1 when it cannot be measured

// ---- stream sounds ----
// The ring a stream plays on (its own, or its ring master's) becomes this handle's; another user
// makes it fail, or with force is stopped. A memory sound simply yields its first buffer.
int ClaimStreamRing(int handle, int force, SoundBufferSlot** ring);
// Adds a source read through the stream set (kind 0 decoded now, 2 file image, 3 read while
// playing); copied tells whether the data was copied, so that the caller may close the stream.
int AddSreamSound(const StreamSource* stream, int repeatCount, int handle, int kind, int* copied,
                  int shareHandle);
int AddStreamSoundFile(const char* fileName, int repeatCount, int handle, int kind, int shareHandle);
int PrepareStreamSound(int handle);           // the first four seconds, once, while not playing
int RefillStreamSound(int handle);
int ProcessStreamSounds();                    // refills every stream sound; run by ProcessMessage
int StopStreamSound(int handle);
int IsStreamSoundPlaying(int handle);
int SetStreamLoopSamples(int samples, int handle);

// ---- playing and loading ----
int PlayStreamSound(int handle, int playType, int fromTop);
int StopSoundHandle(int handle);
int ReadWholeFile(const char* fileName, uint8_t** image, int* size);   // image in tracked memory
int CreateMemorySoundFromImage(const uint8_t* image, int size, int bufferCount);
// The engine's fatal exit; does not return.
void ErrorExit(const char* text);
