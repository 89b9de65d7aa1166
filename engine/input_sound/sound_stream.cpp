// Stream sounds: up to three sources decoded piece by piece into a six-second looping ring that
// every message-processing call tops up, with repeats, loop points, silence after the end and
// rings shared by streams of one format.
#include "engine/input_sound/sound.h"

#include <algorithm>
#include <cstring>

#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "engine/base/system_hooks.h"
#include "engine/input_sound/operations.h"

namespace {

constexpr int kLeadTarget = 384;   // 3 seconds in 1/128 s: the lead a refill tops up to

// The record that owns the ring this one plays on (itself, or its ring master); null when the
// master is gone.
SoundRecord* RingOwner(SoundRecord* r) {
  if (r->ringMaster == -1) return r;
  return GetSoundRecord(r->ringMaster);
}

SoundBufferSlot* RingOf(SoundRecord* r) {
  SoundRecord* owner = RingOwner(r);
  return owner ? &owner->buffers[0] : nullptr;
}

bool SlotPlaying(SoundBufferSlot* slot) {
  uint32_t status = 0;
  return GetBufferSlotStatus(slot, &status) == 0 && (status & plat::SBSTATUS_PLAYING) != 0;
}

uint8_t SilenceByte(const SoundRecord* r) { return r->format.bitsPerSample == 8 ? 128 : 0; }

int EighthSecond(const SoundRecord* r) {
  int a = r->format.blockAlign;
  return (int)(r->format.avgBytesPerSec / 8 / a) * a;
}

// The cursor lies in the written zone from the safe start up to the write position (which may wrap).
bool InWrittenZone(uint32_t c, int w, int s) {
  int64_t cc = c;
  if (s < w) return s <= cc && cc <= w;
  if (w < s) return !(w < cc && cc < s);
  return false;
}

// One refill's lock on the ring, filled front to back.
struct Piece {
  uint32_t offset;
  uint8_t* area[2];
  uint32_t size[2];
  uint32_t used[2];
};

uint32_t RingOffsetAfterWritten(const SoundRecord* r, const Piece& p) {
  uint32_t e = (p.used[0] == p.size[0] && p.size[1] > 0) ? p.used[1] : p.offset + p.used[0];
  if (r->ringSize > 0 && e >= (uint32_t)r->ringSize) e -= (uint32_t)r->ringSize;
  return e;
}

void SilenceRest(const SoundRecord* r, Piece* p) {
  for (int i = 0; i < 2; ++i) {
    if (p->area[i] && p->used[i] < p->size[i]) {
      std::memset(p->area[i] + p->used[i], SilenceByte(r), p->size[i] - p->used[i]);
      p->used[i] = p->size[i];
    }
  }
}

// The last source ran out: everything after the data is silence, and the refill stops the ring
// once the cursor has passed the end.
void EndStream(SoundRecord* r, Piece* p, uint32_t cursor) {
  r->allDone = 1;
  r->endReached = 1;
  r->endPosition = RingOffsetAfterWritten(r, *p);
  r->cursorAtEnd = cursor;
  // The whole rest of the piece, not just an eighth of a second: the write position moves past
  // it, so whatever the ring held there would otherwise be heard when a refill comes late.
  SilenceRest(r, p);
}

void SeekCurrentSource(SoundRecord* r) {
  if (r->currentSource >= r->sourceCount) return;
  int a = r->format.blockAlign ? r->format.blockAlign : 1;
  SeekSoundConvert(&r->sources[r->currentSource].converter, r->sourcePosition / a);
}

// The current source has no more data. Returns true when it restarted a source (a repeat or the
// return to the first source of a loop), false when it moved on or the stream ended.
bool AdvanceSource(SoundRecord* r, Piece* p, uint32_t cursor) {
  r->repeatCounter += 1;
  bool restart = true;
  SoundStreamSource* s = &r->sources[r->currentSource];
  if (s->repeatCount != -1 && s->repeatCount < r->repeatCounter) {
    r->repeatCounter = 0;
    r->currentSource += 1;
    restart = false;
    if (r->currentSource >= r->sourceCount) {
      r->allDone = 1;
      if (r->playType != SOUND_PLAY_LOOP) {
        EndStream(r, p, cursor);
        return false;
      }
      r->looped = 1;
      r->currentSource = 0;
      r->loopPosition = RingOffsetAfterWritten(r, *p);
      restart = true;
    }
  }
  r->sourcePosition = r->repeatCounter > 0 ? r->sources[r->currentSource].loopStart * r->format.blockAlign : 0;
  SeekCurrentSource(r);
  return restart;
}

// Copies PCM from the sources into the piece until it is full or the stream ends.
void FillPiece(SoundRecord* r, Piece* p, uint32_t cursor) {
  bool restarted = false;
  for (int i = 0; i < 2 && !r->endReached; ++i) {
    while (p->area[i] && p->used[i] < p->size[i] && !r->endReached) {
      // After a natural end the current source is one past the last: nothing is left to play.
      if (r->currentSource >= r->sourceCount || r->currentSource < 0) {
        EndStream(r, p, cursor);
        break;
      }
      SoundConvert* c = &r->sources[r->currentSource].converter;
      int n = ReadSoundConvert(c, p->area[i] + p->used[i], (int)(p->size[i] - p->used[i]));
      if (n > 0) {
        p->used[i] += (uint32_t)n;
        r->sourcePosition += n;
        restarted = false;
        continue;
      }
      // A restart that gives nothing (an empty source, or a loop start past the real end) would
      // restart again for ever: the stream ends instead.
      if (restarted) {
        EndStream(r, p, cursor);
        break;
      }
      restarted = AdvanceSource(r, p, cursor);
    }
  }
}

int LockPiece(SoundBufferSlot* ring, uint32_t offset, uint32_t bytes, Piece* p) {
  *p = Piece{};
  p->offset = offset;
  void* a1 = nullptr;
  void* a2 = nullptr;
  uint32_t s1 = 0, s2 = 0;
  if (LockBufferSlot(ring, offset, bytes, &a1, &s1, &a2, &s2) != 0) return -1;
  p->area[0] = static_cast<uint8_t*>(a1);
  p->size[0] = s1;
  p->area[1] = static_cast<uint8_t*>(a2);
  p->size[1] = a2 ? s2 : 0;
  return 0;
}

void UnlockPiece(SoundBufferSlot* ring, Piece* p) {
  UnlockBufferSlot(ring, p->area[0], p->size[0], p->area[1], p->size[1]);
}

void AdvanceWritePosition(SoundRecord* r, int bytes) {
  r->writePosition += bytes;
  if (r->writePosition >= r->ringSize) r->writePosition -= r->ringSize;
}

void UpdatePlayPosition(SoundRecord* r, SoundBufferSlot* ring) {
  uint32_t c = 0;
  if (GetBufferSlotPosition(ring, &c) != 0 || c == r->lastCursor) return;
  uint32_t l = r->lastCursor;
  uint32_t lp = r->loopPosition;
  bool taken = false;
  if (r->looped) {
    taken = true;
    if (l < c && l < lp && lp <= c) {
      r->playedBytes = c - lp;
    } else if (c < l && l < lp) {
      r->playedBytes = (uint32_t)r->ringSize - lp + c;
    } else if (c < l && lp < c) {
      r->playedBytes = c - lp;
    } else {
      taken = false;
    }
    if (taken) r->looped = 0;
  }
  if (!taken) r->playedBytes += c >= l ? c - l : (uint32_t)r->ringSize - l + c;
  r->lastCursor = c;
}

void CloseSourceAfterFailure(SoundStreamSource* s) {
  if (s->converter.open) CloseSoundConvert(&s->converter);
  if (s->streamHandle && s->fn.close) s->fn.close(s->streamHandle);
  if (s->image) TrackedFree(s->image);
  std::memset(s, 0, sizeof *s);
}

// The whole stream into tracked memory; -1 when it cannot be measured, had or read.
int ReadWholeStream(const StreamSource* src, uint8_t** image, int* size, bool logMemory) {
  int64_t n = StreamSizeOf(src);
  if (n < 0 || n > SOUND_WHOLE_LIMIT) return LogWrite("音声データの読み込みに失敗しました");
  src->fn.seek(src->handle, 0, 0);
  auto* p = static_cast<uint8_t*>(TRACKED_ALLOC(n > 0 ? (size_t)n : 1));
  if (!p) {
    return LogWrite(logMemory ? "ストリームの読み込みに必要なメモリの確保に失敗しました"
                              : "音声データの読み込みに失敗しました");
  }
  size_t got = n > 0 ? src->fn.read(p, 1, (size_t)n, src->handle) : 0;
  if ((int64_t)got != n) {
    TrackedFree(p);
    return LogWrite("音声データの読み込みに失敗しました");
  }
  *image = p;
  *size = (int)n;
  return 0;
}

// Kind 0: the source decoded whole now, kept as a PCM WAV image.
int SetUpDecodedSource(const StreamSource* src, SoundStreamSource* s) {
  uint8_t* file = nullptr;
  int fileSize = 0;
  if (ReadWholeStream(src, &file, &fileSize, true) != 0) return -1;
  FileHandle ms = MemoryStreamOpen(file, (uint32_t)fileSize);
  if (!ms) {
    TrackedFree(file);
    return LogWrite("音声データの読み込みに失敗しました");
  }
  StreamSource fileSrc{*GetMemoryStreamFunctions(), ms};
  SoundConvert conv{};
  plat::WaveFormat fmt{};
  uint8_t* pcm = nullptr;
  int pcmSize = 0;
  int ok = OpenSoundConvert(&fileSrc, &conv);
  if (ok == 0) {
    ok = ConvertSoundToPcmBuffer(&conv, &fmt, &pcm, &pcmSize);
    CloseSoundConvert(&conv);
  }
  MemoryStreamClose(ms);
  TrackedFree(file);
  if (ok != 0) return LogWrite("音声データの変換に失敗しました");
  int built = BuildWaveImage(&s->image, &s->imageSize, &fmt, (int)sizeof fmt, pcm, pcmSize);
  TrackedFree(pcm);
  if (built != 0) return LogWrite("音声データの変換に失敗しました");
  return 0;
}

// Kinds 0 and 2: the memory stream over the source's image and the converter on it.
int OpenImageSource(SoundStreamSource* s) {
  s->fn = *GetMemoryStreamFunctions();
  s->streamHandle = MemoryStreamOpen(s->image, (uint32_t)s->imageSize);
  if (!s->streamHandle) return -1;
  StreamSource src{s->fn, s->streamHandle};
  return OpenSoundConvert(&src, &s->converter);
}

}  // namespace

int ClaimStreamRing(int handle, int force, SoundBufferSlot** ring) {
  SoundRecord* r = GetSoundRecord(handle);
  if (!r) return -1;
  if (r->kind != SOUND_KIND_STREAM) {
    if (ring) *ring = &r->buffers[0];
    return 0;
  }
  SoundRecord* owner = RingOwner(r);
  if (!owner) return -1;
  if (owner->ringUser != -1 && owner->ringUser != handle) {
    if (!force) return -1;
    StopStreamSound(owner->ringUser);
  }
  owner->ringUser = handle;
  if (ring) *ring = &owner->buffers[0];
  return 0;
}

int AddSreamSound(const StreamSource* stream, int repeatCount, int handle, int kind, int* copied,
                  int shareHandle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (!r) return -1;
  // A memory sound has buffers but no sources; it cannot take a ring.
  if ((r->sourceCount > 0 && r->kind != SOUND_KIND_STREAM) ||
      (r->sourceCount == 0 && r->kind == SOUND_KIND_MEMORY && r->buffers[0].valid)) {
    return LogWrite("ストリーム風サウンドではないサウンドデータが渡されました in AddSreamSound\n");
  }
  if (r->sourceCount > 0) {
    SoundBufferSlot* ring = nullptr;
    if (ClaimStreamRing(handle, 0, &ring) == 0 && SlotPlaying(ring)) {
      return LogWrite("既に再生中のストリームサウンドデータにデータを追加しようとしました\n");
    }
    if (r->sourceCount >= kStreamSourceMax) return LogWrite("ストリーム風サウンドの制御データ領域がいっぱいです\n");
  }
  int index = r->sourceCount;
  SoundStreamSource* s = &r->sources[index];
  std::memset(s, 0, sizeof *s);
  s->kind = kind;
  stream->fn.seek(stream->handle, 0, 0);
  if (kind == 0 || kind == 2) {
    int got = kind == 0 ? SetUpDecodedSource(stream, s) : ReadWholeStream(stream, &s->image, &s->imageSize, false);
    if (got != 0) {
      CloseSourceAfterFailure(s);
      return -1;
    }
    if (OpenImageSource(s) != 0) {
      CloseSourceAfterFailure(s);
      return LogWrite(kind == 0 ? "音声データの変換に失敗しました" : "音声データのオープンに失敗しました");
    }
    if (copied) *copied = 1;
  } else if (kind == 3) {
    if (OpenSoundConvert(stream, &s->converter) != 0) {
      std::memset(s, 0, sizeof *s);
      return LogWrite("音声データのオープンに失敗しました");
    }
    if (copied) *copied = 0;
  } else {
    // Kind 1 sets up no decoder, so there would be nothing to play.
    std::memset(s, 0, sizeof *s);
    return LogWrite("音声データのオープンに失敗しました");
  }
  s->kind = kind;

  plat::WaveFormat fmt{};
  GetSoundConvertFormat(&s->converter, &fmt);
  // What the memory load refuses, a stream refuses too: a source that decodes to no whole frame.
  const int firstBytes = SoundConvertFirstBlockBytes(&s->converter);
  if (fmt.blockAlign == 0 || firstBytes < fmt.blockAlign) {
    CloseSourceAfterFailure(s);
    return LogWrite("音声データのオープンに失敗しました");
  }
  if (index == 0) {
    r->format = fmt;
    SoundRecord* share = shareHandle != handle ? GetSoundRecord(shareHandle) : nullptr;
    int ringBytes = (int)std::min<uint32_t>(fmt.avgBytesPerSec, 0x7FFFFFFF / 6) * 6;
    if (share && share->kind == SOUND_KIND_STREAM && share->ringMaster == -1 && share->buffers[0].valid &&
        std::memcmp(&share->format, &fmt, sizeof fmt) == 0) {
      r->kind = SOUND_KIND_STREAM;
      r->bufferCount = 1;
      SoundStreamListAdd(r, handle);
      r->ringMaster = shareHandle;
      // Same format, same ring: the sharer's refill measures it with the master's size.
      r->ringSize = share->ringSize;
      share->sharers += 1;
    } else {
      if (CreateSoundBuffers(&fmt, ringBytes, SOUND_KIND_STREAM, 1, handle) != 0) {
        CloseSourceAfterFailure(s);
        return -1;
      }
      r->ringSize = ringBytes;
      r->ringMaster = -1;
    }
    r->sharers = 0;
    r->ringUser = -1;
    r->deletePending = 0;
  } else if (std::memcmp(&r->format, &fmt, sizeof fmt) != 0) {
    CloseSourceAfterFailure(s);
    return LogWrite("フォーマットの違う音声データは同時に使うことは出来ません");
  }
  s->repeatCount = (int8_t)repeatCount;
  r->sourceCount += 1;
  int a = r->format.blockAlign ? r->format.blockAlign : 1;
  int64_t total = 0;
  for (int i = 0; i < r->sourceCount; ++i) total += GetSoundConvertSize(&r->sources[i].converter) / a;
  r->totalFrames = (int32_t)std::min<int64_t>(total, 0x7FFFFFFF);
  return 0;
}

int AddStreamSoundFile(const char* fileName, int repeatCount, int handle, int kind, int shareHandle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (!r) return -1;
  FileHandle fh = FileOpen(fileName, 0);
  if (!fh) return -1;
  StreamSource src{*GetFileStreamFunctions(), fh};
  int copied = 0;
  int index = r->sourceCount;
  if (AddSreamSound(&src, repeatCount, handle, kind, &copied, shareHandle) != 0) {
    FileClose(fh);
    return -1;
  }
  if (copied) FileClose(fh);
  r->sourceOwnsStream[index] = 1;
  return 0;
}

int PrepareStreamSound(int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (!r || r->kind != SOUND_KIND_STREAM) return -1;
  SoundBufferSlot* ring = nullptr;
  if (ClaimStreamRing(handle, 0, &ring) != 0) return -1;
  if (SlotPlaying(ring) || r->prepared) return 0;
  SetBufferSlotPosition(ring, 0);
  r->lastCursor = 0;
  r->writePosition = kWritePositionNone;
  r->safeStart = -1;
  r->endReached = 0;
  SeekCurrentSource(r);
  r->prepared = 1;
  return RefillStreamSound(handle);
}

int RefillStreamSound(int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (!r || r->kind != SOUND_KIND_STREAM) return -1;
  SoundBufferSlot* ring = nullptr;
  if (ClaimStreamRing(handle, 0, &ring) != 0 || !r->prepared) return 0;
  if (r->ringSize <= 0 || r->format.blockAlign == 0) return -1;
  UpdatePlayPosition(r, ring);
  const int a = r->format.blockAlign;
  const int b = (int)r->format.avgBytesPerSec;
  const int eighth = EighthSecond(r);
  const int w = r->writePosition;
  const int s = r->safeStart;
  Piece p{};

  if (!r->endReached) {
    uint32_t cursor = 0;
    uint32_t offset;
    int piece;
    if (!SlotPlaying(ring)) {
      if (w != kWritePositionNone) return 0;
      offset = 0;
      piece = (4 * b / a) * a;
    } else {
      if (GetBufferSlotPosition(ring, &cursor) != 0) return -1;
      if (w < 0 || !InWrittenZone(cursor, w, s)) return -1;
      int64_t ww = w, cc = cursor;
      if (w < s) {
        ww += r->ringSize;
        if (cc < w) cc += r->ringSize;
      }
      int64_t lead = ((ww - cc) * 128) / b;
      piece = lead < kLeadTarget ? (int)(((kLeadTarget - lead) * b / 128 / a) * a) : eighth;
      offset = (uint32_t)w;
    }
    if (piece > r->ringSize) piece = r->ringSize;
    if (piece > 0) {
      if (LockPiece(ring, offset, (uint32_t)piece, &p) != 0) return -1;
      FillPiece(r, &p, cursor);
      UnlockPiece(ring, &p);
    }
    if (w == kWritePositionNone) {
      r->safeStart = 0;
      r->writePosition = 4 * b;
      if (r->writePosition >= r->ringSize) r->writePosition -= r->ringSize;
      return 0;
    }
    AdvanceWritePosition(r, piece);
  } else {
    uint32_t c = 0;
    if (GetBufferSlotPosition(ring, &c) != 0) return -1;
    uint32_t e = r->endPosition, x = r->cursorAtEnd;
    // A cursor that stood on the end when it was found (an empty sound) has passed it too.
    if (c > e && (x <= e || c < x)) {
      StopBufferSlot(ring);
      r->endReached = 0;
      return 0;
    }
    if (w < 0 || !InWrittenZone(c, w, s)) return -1;
    if (LockPiece(ring, (uint32_t)w, (uint32_t)eighth, &p) != 0) return -1;
    SilenceRest(r, &p);
    UnlockPiece(ring, &p);
    AdvanceWritePosition(r, eighth);
  }
  r->safeStart = r->writePosition - 4 * b;
  if (r->safeStart < 0) r->safeStart += r->ringSize;
  return 0;
}

int ProcessStreamSounds() {
  if (!gSoundSystem.started) return -1;
  if (!gSoundSystem.streamHead.next) return 0;
  for (ListNode* n = gSoundSystem.streamHead.next; n && n != &gSoundSystem.streamTail;) {
    ListNode* next = n->next;
    RefillStreamSound(n->value);
    n = next;
  }
  return 0;
}

int StopStreamSound(int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (!r) return -1;
  SoundBufferSlot* ring = RingOf(r);
  if (ring) UpdatePlayPosition(r, ring);
  if (ClaimStreamRing(handle, 0, &ring) != 0) return 0;
  if (r->ringMaster != -1) {
    SoundRecord* owner = RingOwner(r);
    if (owner) owner->ringUser = -1;
  }
  uint32_t status = 0;
  if (GetBufferSlotStatus(ring, &status) != 0) return -1;
  if (status & plat::SBSTATUS_PLAYING) StopBufferSlot(ring);
  return 0;
}

int IsStreamSoundPlaying(int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (!r) return -1;
  SoundRecord* owner = RingOwner(r);
  if (!owner) return -1;
  if (owner->ringUser != -1 && owner->ringUser != handle) return 0;
  return SlotPlaying(&owner->buffers[0]) ? 1 : 0;
}

int SetStreamLoopSamples(int samples, int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (!r) return -1;
  if (samples < 0 || GetSoundTotalSamples(handle) <= samples) return -1;
  if (r->kind == SOUND_KIND_MEMORY) {
    // The memory sound becomes a stream sound under the same handle, its PCM the only source.
    uint8_t* image = nullptr;
    int imageSize = 0;
    if (BuildWaveImage(&image, &imageSize, &r->format, (int)sizeof r->format, r->pcm, r->pcmSize) != 0) {
      return LogWrite("ストリームサウンドハンドルの作成に失敗しました\n");
    }
    StopSoundHandle(handle);
    DeleteSoundHandle(handle);
    int made = AddSoundData(handle);
    FileHandle ms = made == handle ? MemoryStreamOpen(image, (uint32_t)imageSize) : 0;
    int added = -1;
    if (ms) {
      StreamSource src{*GetMemoryStreamFunctions(), ms};
      int copied = 0;
      added = AddSreamSound(&src, 0, handle, 0, &copied, -1);
      MemoryStreamClose(ms);
    }
    TrackedFree(image);
    if (added != 0) {
      if (made == handle) DeleteSoundHandle(handle);
      return LogWrite("ストリームサウンドハンドルの作成に失敗しました\n");
    }
    r = GetSoundRecord(handle);
  }
  if (r->sourceCount >= 2) {
    return LogWrite("二つ以上の音声ファイルから作成されたサウンドハンドルにループポイントを指定する事は出来ません\n");
  }
  // A short stream may have met its end in the first fill, written before the loop point existed:
  // unless something was played already, the next play prepares again from the start.
  if (r->prepared && r->playedBytes == 0 && IsStreamSoundPlaying(handle) != 1) {
    r->prepared = 0;
    r->allDone = 0;
    r->endReached = 0;
    r->currentSource = 0;
    r->repeatCounter = 0;
    r->sourcePosition = 0;
    r->looped = 0;
  }
  SoundStreamSource* s = &r->sources[0];
  s->loopStart = samples;
  s->converter.standbyTarget = samples * r->format.blockAlign;
  s->repeatCount = -1;
  return 0;
}

int SetStreamLoopMilliseconds(int milliseconds, int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (!r) return -1;
  uint32_t samples = r->format.samplesPerSec * (uint32_t)milliseconds / 1000u;
  SetStreamLoopSamples((int)samples, handle);
  return 0;
}
