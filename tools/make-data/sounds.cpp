// The 50 sound effects: short PCM WAV files (16-bit mono, 22,050 Hz), each its own pitch or
// noise, synthesised from a small table. Noise comes from a fixed generator, so every run
// writes the same bytes.
#include <cmath>
#include <cstdint>

#include "tools/common/picture_writer.h"
#include "tools/make-data/make_data.h"

namespace {

constexpr int kRate = 22050;

enum Wave { kSine, kSquare, kTriangle, kNoise, kChime };

struct Effect {
  Wave wave;
  double from, to;   // Hz at the start and at the end (noise: the low-pass corner)
  int ms;
  double volume;
};

// 0 tick, 1 rising chime, 2 falling, shots short, explosions noise.
constexpr Effect kEffects[50] = {
    {kSquare, 1400, 1400, 50, 0.35},  {kChime, 660, 1320, 180, 0.5},   {kSine, 900, 300, 160, 0.5},
    {kTriangle, 520, 780, 90, 0.5},   {kChime, 523, 1046, 420, 0.5},   {kSquare, 1800, 700, 60, 0.3},
    {kSquare, 320, 260, 55, 0.35},    {kNoise, 2400, 300, 380, 0.7},   {kNoise, 1400, 120, 500, 0.8},
    {kSine, 700, 180, 130, 0.55},     {kSquare, 2200, 2200, 60, 0.25}, {kTriangle, 440, 440, 100, 0.4},
    {kNoise, 3000, 800, 260, 0.6},    {kSquare, 1000, 620, 70, 0.3},   {kTriangle, 1200, 1500, 80, 0.4},
    {kSquare, 760, 520, 75, 0.3},     {kSquare, 520, 330, 90, 0.35},   {kSine, 300, 900, 200, 0.5},
    {kNoise, 900, 200, 220, 0.6},     {kTriangle, 880, 440, 120, 0.45},{kSine, 200, 1200, 300, 0.55},
    {kSine, 2600, 3000, 50, 0.3},     {kSine, 150, 600, 420, 0.5},     {kTriangle, 600, 300, 110, 0.45},
    {kNoise, 5000, 1500, 300, 0.6},   {kChime, 330, 990, 350, 0.5},    {kSine, 1300, 650, 150, 0.45},
    {kTriangle, 250, 500, 260, 0.5},  {kSquare, 400, 800, 140, 0.3},   {kSine, 1000, 1000, 100, 0.4},
    {kNoise, 600, 100, 480, 0.6},     {kChime, 784, 784, 260, 0.45},   {kChime, 392, 1568, 450, 0.5},
    {kChime, 1046, 2093, 300, 0.45},  {kNoise, 1800, 600, 200, 0.55},  {kSine, 500, 250, 240, 0.5},
    {kSquare, 1600, 1200, 65, 0.3},   {kNoise, 1200, 400, 340, 0.65},  {kTriangle, 700, 1400, 160, 0.45},
    {kSine, 1800, 900, 90, 0.4},      {kSquare, 240, 180, 200, 0.3},   {kNoise, 2000, 250, 420, 0.7},
    {kSine, 400, 1600, 280, 0.5},     {kTriangle, 300, 120, 330, 0.5}, {kSquare, 900, 1800, 120, 0.3},
    {kSine, 3200, 1600, 70, 0.3},     {kNoise, 4000, 2000, 150, 0.5},  {kSquare, 200, 120, 240, 0.35},
    {kSine, 600, 600, 320, 0.45},     {kTriangle, 1600, 400, 200, 0.45},
};

}  // namespace

Bytes MakeEffectWav(int n) {
  const Effect& e = kEffects[n % 50];
  const int count = (kRate * e.ms + 999) / 1000;   // never shorter than asked
  Bytes pcm;
  uint32_t noise = 0x9E3779B9u * uint32_t(n + 1);
  double phase = 0, low = 0;
  for (int i = 0; i < count; i++) {
    double t = double(i) / count;
    double f = e.from * std::pow(e.to / e.from, t);
    double v = 0;
    switch (e.wave) {
      case kSine: v = std::sin(2 * M_PI * phase); break;
      case kSquare: v = phase < 0.5 ? 0.8 : -0.8; break;
      case kTriangle: v = 4 * std::fabs(phase - 0.5) - 1; break;
      case kChime: {
        // Two notes, a fifth apart, the second starting halfway.
        double p2 = std::fmod(phase * 1.5, 1.0);
        v = std::sin(2 * M_PI * phase) * 0.6 + (t > 0.5 ? std::sin(2 * M_PI * p2) * 0.4 : 0);
        break;
      }
      case kNoise: {
        noise = noise * 1664525u + 1013904223u;
        double white = double(noise >> 8) / double(1 << 24) * 2 - 1;
        double k = 1 - std::exp(-2 * M_PI * f / kRate);
        low += (white - low) * k;
        v = low * 2.2;
        break;
      }
    }
    phase = std::fmod(phase + (e.wave == kChime && t > 0.5 ? f * 1.0 : f) / kRate, 1.0);
    double attack = std::min(1.0, i / (kRate * 0.003));
    double decay = e.wave == kNoise ? std::pow(1 - t, 1.5) : 1 - t * t;
    double s = std::max(-1.0, std::min(1.0, v * e.volume * attack * decay));
    PutLe16(pcm, uint32_t(int16_t(std::lround(s * 32000))) & 0xFFFF);
  }
  Bytes wav;
  wav.reserve(44 + pcm.size());
  auto tag = [&wav](const char* t) {
    for (int i = 0; i < 4; i++) wav.push_back(uint8_t(t[i]));
  };
  tag("RIFF");
  PutLe32(wav, uint32_t(36 + pcm.size()));
  tag("WAVE");
  tag("fmt ");
  PutLe32(wav, 16);
  PutLe16(wav, 1);            // PCM
  PutLe16(wav, 1);            // mono
  PutLe32(wav, kRate);
  PutLe32(wav, kRate * 2);    // bytes per second
  PutLe16(wav, 2);            // block
  PutLe16(wav, 16);           // bits
  tag("data");
  PutLe32(wav, uint32_t(pcm.size()));
  wav.insert(wav.end(), pcm.begin(), pcm.end());
  return wav;
}
