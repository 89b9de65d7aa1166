// The four music tracks: Ogg Vorbis, 44.1 kHz stereo, 11 seconds each (longer than the six
// seconds that the engine's stream ring holds), each a loop of its own. A short click marks the
// loop point and the end, so that a listener hears where the stream returns to. The Ogg stream
// serials are fixed and the encoder takes no clock, so every run writes the same bytes.
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "game/framework/sound.h"
#include "tools/make-data/make_data.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 11;

struct Track {
  double bpm;
  double root;          // Hz of the first chord's root
  int chords[4];        // semitones above the root
  int pattern[8];       // arpeggio steps: index into the chord (0-3), -1 rest
};

constexpr Track kTracks[4] = {
    {120, 220.0, {0, 5, 7, 3}, {0, 1, 2, 3, 2, 1, 0, 2}},     // title: bright, steady
    {150, 196.0, {0, 3, 8, 10}, {0, 2, 1, 3, 0, 2, 1, -1}},   // area: driving
    {168, 164.8, {0, 1, 0, 6}, {0, 0, 3, 0, 2, 0, 1, 3}},     // boss: tense
    {96, 261.6, {0, 9, 5, 7}, {0, 1, 2, 1, 3, -1, 2, 1}},     // intermission: calm
};

double NoteHz(double root, int semitones) { return root * std::pow(2.0, semitones / 12.0); }

// Left and right samples of the whole track, -1..1.
void Synthesise(int track, std::vector<float>* left, std::vector<float>* right) {
  const Track& t = kTracks[track];
  const int total = kRate * kSeconds;
  left->assign(size_t(total), 0.f);
  right->assign(size_t(total), 0.f);
  const double step = 60.0 / t.bpm / 2;   // eighth notes
  const int stepSamples = int(step * kRate);
  const int loopMs = kBgmLoopTable[track];
  const int loopStart = loopMs > 0 ? kRate * loopMs / 1000 : 0;
  for (int i = 0; i < total; i++) {
    // Before the loop point a soft intro of the bass alone; the loop itself from there on.
    bool intro = i < loopStart && loopStart > kRate / 2;
    int k = (i - (intro ? 0 : loopStart)) / stepSamples;
    int within = (i - (intro ? 0 : loopStart)) % stepSamples;
    if (k < 0) k = 0, within = i;
    int chord = t.chords[(k / 8) % 4];
    double env = std::exp(-3.0 * within / stepSamples);
    double bassHz = NoteHz(t.root / 2, chord);
    double bass = std::sin(2 * M_PI * bassHz * i / kRate) * 0.25;
    double lead = 0;
    int p = t.pattern[k % 8];
    if (!intro && p >= 0) {
      static const int kChordTones[4] = {0, 4, 7, 12};
      double hz = NoteHz(t.root * 2, chord + kChordTones[p] - (track == 2 && p == 1 ? 1 : 0));
      double ph = std::fmod(hz * i / kRate, 1.0);
      lead = (ph < 0.5 ? 0.18 : -0.18) * env + std::sin(2 * M_PI * hz * 2 * i / kRate) * 0.06 * env;
    }
    double pan = 0.5 + 0.3 * std::sin(2 * M_PI * k / 16.0);
    (*left)[size_t(i)] = float(bass + lead * (1 - pan) * 2 * 0.8);
    (*right)[size_t(i)] = float(bass + lead * pan * 2 * 0.8);
  }
  // Clicks of one millisecond at the loop point and at the very end.
  auto click = [&](int at) {
    for (int i = at; i < at + kRate / 1000 && i < total; i++) {
      float v = (i - at) % 8 < 4 ? 0.9f : -0.9f;
      (*left)[size_t(i)] = v;
      (*right)[size_t(i)] = v;
    }
  };
  if (loopMs > 0) click(loopStart);
  click(total - kRate / 1000);
}

void Append(Bytes* out, const ogg_page& page) {
  out->insert(out->end(), page.header, page.header + page.header_len);
  out->insert(out->end(), page.body, page.body + page.body_len);
}

}  // namespace

bool MakeMusicOgg(int track, Bytes* out, std::string* error) {
  std::vector<float> left, right;
  Synthesise(track, &left, &right);
  out->clear();

  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, 2, kRate, 0.0f) != 0) {
    vorbis_info_clear(&vi);
    *error = "the Vorbis encoder refused 44.1 kHz stereo";
    return false;
  }
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 0x564C5800 + track);   // a fixed serial per track
  ogg_packet header, comments, codebooks;
  vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comments);
  ogg_stream_packetin(&os, &codebooks);
  ogg_page page;
  while (ogg_stream_flush(&os, &page)) Append(out, page);

  const size_t total = left.size();
  size_t done = 0;
  bool eos = false;
  while (!eos) {
    size_t n = std::min<size_t>(1024, total - done);
    if (n == 0) {
      vorbis_analysis_wrote(&vd, 0);
    } else {
      float** buffer = vorbis_analysis_buffer(&vd, int(n));
      std::memcpy(buffer[0], left.data() + done, n * sizeof(float));
      std::memcpy(buffer[1], right.data() + done, n * sizeof(float));
      vorbis_analysis_wrote(&vd, int(n));
      done += n;
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&vd, &packet)) {
        ogg_stream_packetin(&os, &packet);
        while (!eos && ogg_stream_pageout(&os, &page)) {
          Append(out, page);
          if (ogg_page_eos(&page)) eos = true;
        }
      }
    }
    if (n == 0 && !eos) {
      // Everything is written; push out what the stream still holds.
      while (ogg_stream_flush(&os, &page)) {
        Append(out, page);
        if (ogg_page_eos(&page)) eos = true;
      }
      eos = true;
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return true;
}
