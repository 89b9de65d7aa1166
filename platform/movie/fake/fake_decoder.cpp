// Fake decoder: a one-line text file describes the movie; frame n is a solid colour computed from
// n, so tests know every pixel. Its sound is a square wave of the given length.
#include <atomic>
#include <cstdio>
#include <new>

#include "platform/movie.h"
#include "platform/movie/decoder.h"

namespace plat {

static std::atomic<int> g_FakeConverted{0};

uint32_t FakeMovieFrameColour(int frame) {
  // Steps of 32 survive 5- and 6-bit channels exactly.
  const uint32_t n = static_cast<uint32_t>(frame) + 1;
  return ((n & 7) << 21) | (((n >> 3) & 7) << 13) | (((n >> 6) & 7) << 5);
}

int FakeMovieDecodedFrameCount() { return g_FakeConverted.load(); }

namespace {

class FakeDecoder final : public MovieDecoder {
public:
  int Open(const std::string& path) override {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return MOVIE_E_NOFILE;
    int w = 0, h = 0, frames = 0, soundMs = 0;
    long long upf = 0;
    const int n = std::fscanf(f, "FAKEMOVIE %d %d %d %lld %d", &w, &h, &frames, &upf, &soundMs);
    std::fclose(f);
    if (n != 5 || w < 0 || h < 0 || w > 4096 || h > 4096 || frames < 0 || upf <= 0 || soundMs < 0) {
      return MOVIE_E_NOFILE;
    }
    width = w;
    height = h;
    frames_ = frames;
    timePerFrame = upf;
    duration = upf * frames;
    soundMs_ = soundMs;
    return MOVIE_OK;
  }

  bool SetOutputFormat(const PixelFormat& format) override {
    if (!(format.flags & PIXFMT_RGB) || (format.flags & PIXFMT_PALETTEINDEXED8)) return false;
    if (format.bitCount != 16 && format.bitCount != 24 && format.bitCount != 32) return false;
    format_ = format;
    return true;
  }

  int ReadFrame(int64_t* time) override {
    if (next_ >= frames_) return 1;
    current_ = next_++;
    *time = current_ * timePerFrame;
    return 0;
  }

  void ConvertFrame(uint8_t* dst, int32_t pitch) override {
    ++g_FakeConverted;
    const uint32_t px = PackMoviePixel(format_, FakeMovieFrameColour(current_));
    const int bytes = static_cast<int>(format_.bitCount / 8);
    for (int y = 0; y < height; ++y) {
      uint8_t* row = dst + static_cast<int64_t>(y) * pitch;
      for (int x = 0; x < width; ++x) {
        for (int b = 0; b < bytes; ++b) row[x * bytes + b] = static_cast<uint8_t>(px >> (8 * b));
      }
    }
  }

  int SeekTo(int64_t time) override {
    const int64_t frame = time / timePerFrame;
    next_ = static_cast<int>(frame < frames_ ? frame : frames_);
    return 0;
  }

  bool DecodeSound(WaveFormat* format, std::vector<uint8_t>* pcm) override {
    if (soundMs_ == 0) return false;
    *format = WaveFormat{1, 1, 22050, 44100, 2, 16, 0};
    const size_t samples = static_cast<size_t>(soundMs_) * 22050 / 1000;
    pcm->resize(samples * 2);
    for (size_t i = 0; i < samples; ++i) {
      const int16_t v = (i / 25) % 2 ? 4000 : -4000;
      (*pcm)[2 * i] = static_cast<uint8_t>(v & 0xFF);
      (*pcm)[2 * i + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    }
    return true;
  }

private:
  int frames_ = 0, soundMs_ = 0;
  int next_ = 0, current_ = 0;
  PixelFormat format_{};
};

}  // namespace

MovieDecoder* CreateFakeMovieDecoder() { return new (std::nothrow) FakeDecoder; }

}  // namespace plat
