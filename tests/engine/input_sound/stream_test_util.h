// Helpers of the stream and play tests: numbered-ramp sources whose every frame says which source
// and which frame it is, a tape that records the manual device's output while the streams are
// refilled, and the analysis of a tape into runs of consecutive frames.
#pragma once
#include <vector>

#include "sound_fixtures.h"
#include "engine/input_sound/operations.h"
#include "sound_test_util.h"

namespace streamtest {

constexpr int kRate = 44100;
constexpr int kStep = 735;   // output frames between two refills: one frame of the game at 60 Hz

// Frame i of source id (44100 Hz, 16-bit stereo): left (i mod 16384) + 1, right id x 2048 +
// (i / 16384) + 1. Never (0, 0), which is silence.
inline std::vector<int16_t> Ramp(int id, int frames) {
  std::vector<int16_t> s((size_t)frames * 2);
  for (int i = 0; i < frames; ++i) {
    s[2 * (size_t)i] = (int16_t)((i & 0x3FFF) + 1);
    s[2 * (size_t)i + 1] = (int16_t)(id * 2048 + (i >> 14) + 1);
  }
  return s;
}

inline fixture::Bytes RampWav(int id, int frames) {
  return fixture::Wav(fixture::PcmFormat(2, 16, kRate), fixture::PcmBytes(Ramp(id, frames)));
}

struct Segment {
  int id;       // -1 silence
  int first;    // frame numbers; for silence the count in `last`
  int last;
  bool operator==(const Segment& o) const { return id == o.id && first == o.first && last == o.last; }
};

inline std::ostream& operator<<(std::ostream& os, const Segment& r) {
  return os << "{" << r.id << ", " << r.first << ", " << r.last << "}";
}

// Splits stereo output into runs of frames that follow each other in one source, and runs of
// silence; anything else (a mix of two sounds) is id -2.
inline std::vector<Segment> Runs(const std::vector<int16_t>& out) {
  std::vector<Segment> runs;
  for (size_t k = 0; k + 1 < out.size(); k += 2) {
    int l = out[k], r = out[k + 1];
    if (l == 0 && r == 0) {
      if (!runs.empty() && runs.back().id == -1) {
        runs.back().last += 1;
      } else {
        runs.push_back({-1, 0, 1});
      }
      continue;
    }
    if (l < 1 || l > 16384 || r < 1) {
      runs.push_back({-2, (int)k / 2, 0});
      continue;
    }
    int id = (r - 1) / 2048;
    int frame = ((r - 1) % 2048) * 16384 + (l - 1);
    if (!runs.empty() && runs.back().id == id && runs.back().last + 1 == frame) {
      runs.back().last = frame;
    } else {
      runs.push_back({id, frame, frame});
    }
  }
  return runs;
}

// Plays `frames` output frames on the manual device in game-frame steps, refilling the streams
// after each; returns the output.
inline std::vector<int16_t> Play(int frames, int step = kStep) {
  std::vector<int16_t> out((size_t)frames * 2);
  for (int at = 0; at < frames; at += step) {
    int n = std::min(step, frames - at);
    plat::ManualSoundAdvance((uint32_t)n, out.data() + 2 * (size_t)at);
    ProcessStreamSounds();
  }
  return out;
}

// A stream sound whose sources are the given images, each added with its repeat count as kind 2.
inline int StreamOf(const std::vector<fixture::Bytes>& images, const std::vector<int>& repeats, int share = -1) {
  int h = AddSoundData(-1);
  for (size_t i = 0; i < images.size(); ++i) {
    soundtest::Source src(images[i]);
    int copied = -1;
    if (AddSreamSound(&src.src, repeats[i], h, 2, &copied, share) != 0) return -1;
    EXPECT_EQ(1, copied);
  }
  return h;
}

inline int64_t TrackedBytes() {
  int64_t bytes = 0;
  GetAllocationTotals(&bytes, nullptr);
  return bytes;
}

}  // namespace streamtest
