// Decode speed of the engine's sound sources against the libraries called directly (baseline):
// Ogg Vorbis against vorbisfile, MP3 against libmpg123. Reported as seconds of audio decoded per
// second ("audio_s_per_s").
#include <benchmark/benchmark.h>
#include <mpg123.h>
#include <vorbis/vorbisfile.h>

#include "engine/input_sound/sound.h"
#include "tests/sound_fixtures.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 10;

const fixture::Bytes& OggFile() {
  static fixture::Bytes b = fixture::OggEncode(fixture::Tone(kRate * kSeconds, 2, kRate), 2, kRate);
  return b;
}
const fixture::Bytes& Mp3File() {
  static fixture::Bytes b = fixture::Mp3Encode(fixture::Tone(kRate * kSeconds, 2, kRate), 2, kRate);
  return b;
}

struct Input {
  const uint8_t* p;
  int64_t size, pos;
};
Input* In(FileHandle h) { return reinterpret_cast<Input*>(h); }
int64_t Tell(FileHandle h) { return In(h)->pos; }
int Seek(FileHandle h, int64_t off, int origin) {
  Input* m = In(h);
  int64_t base = origin == 0 ? 0 : origin == 1 ? m->pos : m->size;
  m->pos = std::clamp<int64_t>(base + off, 0, m->size);
  return 0;
}
size_t Read(void* dst, size_t size, size_t count, FileHandle h) {
  Input* m = In(h);
  if (size == 0 || count == 0 || m->pos >= m->size) return 0;
  size_t k = std::min<size_t>(count, (size_t)(m->size - m->pos) / size);
  size_t n = k ? k * size : (size_t)(m->size - m->pos);
  std::memcpy(dst, m->p + m->pos, n);
  m->pos += (int64_t)n;
  return k ? k : 1;
}
int Eof(FileHandle h) { return In(h)->pos >= In(h)->size; }
int Idle(FileHandle) { return 1; }
int Close(FileHandle) { return 0; }

void Report(benchmark::State& state, int64_t frames) {
  state.counters["audio_s_per_s"] =
      benchmark::Counter((double)frames / kRate, benchmark::Counter::kIsRate);
}

void EngineDecode(benchmark::State& state, const fixture::Bytes& file) {
  gSoundSystem.bytesPerSample = 2;
  std::vector<uint8_t> buf(1 << 16);
  int64_t frames = 0;
  for (auto _ : state) {
    Input in{file.data(), (int64_t)file.size(), 0};
    StreamSource src{{Tell, Seek, Read, Eof, Idle, Close}, reinterpret_cast<FileHandle>(&in)};
    SoundConvert c{};
    if (OpenSoundConvert(&src, &c) != 0) {
      state.SkipWithError("open failed");
      return;
    }
    int n;
    while ((n = ReadSoundConvert(&c, buf.data(), (int)buf.size())) > 0) frames += n / 4;
    CloseSoundConvert(&c);
  }
  Report(state, frames);
}

void BM_OggEngine(benchmark::State& state) { EngineDecode(state, OggFile()); }
void BM_Mp3Engine(benchmark::State& state) { EngineDecode(state, Mp3File()); }

size_t OvRead(void* p, size_t s, size_t n, void* src) { return Read(p, s, n, reinterpret_cast<FileHandle>(src)); }
int OvSeek(void* src, ogg_int64_t off, int origin) { return Seek(reinterpret_cast<FileHandle>(src), off, origin); }
long OvTell(void* src) { return (long)Tell(reinterpret_cast<FileHandle>(src)); }

void BM_OggVorbisfileDirect(benchmark::State& state) {
  const fixture::Bytes& file = OggFile();
  std::vector<char> buf(4096);
  int64_t frames = 0;
  for (auto _ : state) {
    Input in{file.data(), (int64_t)file.size(), 0};
    OggVorbis_File vf;
    ov_callbacks cb{OvRead, OvSeek, nullptr, OvTell};
    if (ov_open_callbacks(&in, &vf, nullptr, 0, cb) != 0) {
      state.SkipWithError("open failed");
      return;
    }
    int section = 0;
    long n;
    while ((n = ov_read(&vf, buf.data(), (int)buf.size(), 0, 2, 1, &section)) > 0) frames += n / 4;
    ov_clear(&vf);
  }
  Report(state, frames);
}

void BM_Mp3Mpg123Direct(benchmark::State& state) {
  const fixture::Bytes& file = Mp3File();
  mpg123_init();
  std::vector<unsigned char> buf(176400);
  int64_t frames = 0;
  for (auto _ : state) {
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    mpg123_param(h, MPG123_FLAGS, MPG123_QUIET, 0.0);
    mpg123_open_feed(h);
    size_t done = 0;
    int r = mpg123_decode(h, file.data(), file.size(), buf.data(), buf.size(), &done);
    frames += (int64_t)done / 4;
    while (r != MPG123_NEED_MORE && r != MPG123_ERR && r != MPG123_DONE) {
      r = mpg123_decode(h, nullptr, 0, buf.data(), buf.size(), &done);
      frames += (int64_t)done / 4;
    }
    mpg123_delete(h);
  }
  Report(state, frames);
}

}  // namespace

BENCHMARK(BM_OggEngine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OggVorbisfileDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mp3Engine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mp3Mpg123Direct)->Unit(benchmark::kMillisecond);
