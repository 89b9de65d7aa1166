// Sound fixtures made by the tests themselves: tones, WAV files with any chunk layout, IMA and
// Microsoft ADPCM encoders, MP3 through LAME and Ogg Vorbis through libvorbisenc.
#pragma once
#include <lame/lame.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace fixture {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) {
  b.push_back((uint8_t)v);
  b.push_back((uint8_t)(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
inline void Append(Bytes& b, const void* p, size_t n) {
  b.insert(b.end(), (const uint8_t*)p, (const uint8_t*)p + n);
}

// Interleaved 16-bit tone: frame i, channel c.
inline std::vector<int16_t> Tone(int frames, int channels, int rate, double hz = 440.0, double amp = 8000) {
  std::vector<int16_t> s((size_t)frames * channels);
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      s[(size_t)i * channels + c] =
          (int16_t)std::lround(amp * std::sin(2 * M_PI * hz * (c + 1) * i / rate));
    }
  }
  return s;
}

// A format record: tag, channels, rate, bytes per second, block align, bits (16 bytes), plus extra.
inline Bytes Format(uint16_t tag, uint16_t ch, uint32_t rate, uint32_t bps, uint16_t align, uint16_t bits,
                    const Bytes& extra = {}, bool withExtraSize = false) {
  Bytes f;
  Put16(f, tag);
  Put16(f, ch);
  Put32(f, rate);
  Put32(f, bps);
  Put16(f, align);
  Put16(f, bits);
  if (withExtraSize || !extra.empty()) {
    Put16(f, (uint32_t)extra.size());
    Append(f, extra.data(), extra.size());
  }
  return f;
}

inline Bytes PcmFormat(uint16_t ch, uint16_t bits, uint32_t rate, bool eighteen = false) {
  uint16_t align = (uint16_t)(ch * bits / 8);
  return Format(1, ch, rate, rate * align, align, bits, {}, eighteen);
}

struct Chunk {
  std::string id;
  Bytes body;
  uint32_t sizeOverride = 0;   // non-zero: the size written in the header
};

// RIFF WAVE with the given chunks in order, odd bodies padded.
inline Bytes Riff(const std::vector<Chunk>& chunks) {
  Bytes b;
  Append(b, "RIFF", 4);
  Put32(b, 0);
  Append(b, "WAVE", 4);
  for (const Chunk& c : chunks) {
    Append(b, c.id.data(), 4);
    Put32(b, c.sizeOverride ? c.sizeOverride : (uint32_t)c.body.size());
    Append(b, c.body.data(), c.body.size());
    if (c.body.size() & 1) b.push_back(0);
  }
  uint32_t total = (uint32_t)b.size() - 8;
  std::memcpy(&b[4], &total, 4);
  return b;
}

inline Bytes Wav(const Bytes& format, const Bytes& data) { return Riff({{"fmt ", format}, {"data", data}}); }

inline Bytes PcmBytes(const std::vector<int16_t>& s) {
  Bytes b(s.size() * 2);
  std::memcpy(b.data(), s.data(), b.size());
  return b;
}

// ---- IMA ADPCM ----
inline const int kImaStep[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,
    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,
    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,
    408,   449,   494,   544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,
    1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,
    5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350,
    22385, 24623, 27086, 29794, 32767};
inline const int kImaIndex[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

struct ImaChannel {
  int pred = 0;
  int index = 0;
  int Encode(int s) {
    int step = kImaStep[index];
    int diff = s - pred;
    int n = 0;
    if (diff < 0) {
      n = 8;
      diff = -diff;
    }
    if (diff >= step) { n |= 4; diff -= step; }
    if (diff >= step / 2) { n |= 2; diff -= step / 2; }
    if (diff >= step / 4) n |= 1;
    int d = step >> 3;
    if (n & 4) d += step;
    if (n & 2) d += step >> 1;
    if (n & 1) d += step >> 2;
    pred = std::clamp((n & 8) ? pred - d : pred + d, -32768, 32767);
    index = std::clamp(index + kImaIndex[n], 0, 88);
    return n;
  }
};

// Whole blocks of `align` bytes; the tone is cut to whole blocks. Returns the data; *framesOut the
// frames it decodes to.
inline Bytes ImaEncode(const std::vector<int16_t>& s, int ch, int align, int* framesOut) {
  int perBlock = (align - 4 * ch) * 2 / ch + 1;
  int frames = (int)s.size() / ch;
  int blocks = frames / perBlock;
  Bytes out;
  ImaChannel st[2];
  for (int b = 0; b < blocks; ++b) {
    const int16_t* p = &s[(size_t)b * perBlock * ch];
    for (int c = 0; c < ch; ++c) {
      st[c].pred = p[c];
      Put16(out, (uint16_t)p[c]);
      out.push_back((uint8_t)st[c].index);
      out.push_back(0);
    }
    for (int g = 0; g < (perBlock - 1) / 8; ++g) {
      for (int c = 0; c < ch; ++c) {
        uint8_t bytes[4] = {};
        for (int k = 0; k < 8; ++k) {
          int n = st[c].Encode(p[(size_t)(1 + g * 8 + k) * ch + c]);
          bytes[k / 2] |= (uint8_t)(n << ((k & 1) * 4));
        }
        Append(out, bytes, 4);
      }
    }
  }
  *framesOut = blocks * perBlock;
  return out;
}

inline Bytes ImaFormat(int ch, int rate, int align) {
  int perBlock = (align - 4 * ch) * 2 / ch + 1;
  Bytes extra;
  Put16(extra, (uint32_t)perBlock);
  return Format(0x11, (uint16_t)ch, (uint32_t)rate, (uint32_t)(rate * align / perBlock), (uint16_t)align, 4, extra);
}

// ---- Microsoft ADPCM ----
inline const int kMsCoef[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
inline const int kMsAdapt[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};

inline Bytes MsFormat(int ch, int rate, int align) {
  int perBlock = (align - 7 * ch) * 2 / ch + 2;
  Bytes extra;
  Put16(extra, (uint32_t)perBlock);
  Put16(extra, 7);
  for (auto& c : kMsCoef) {
    Put16(extra, (uint16_t)c[0]);
    Put16(extra, (uint16_t)c[1]);
  }
  return Format(2, (uint16_t)ch, (uint32_t)rate, (uint32_t)(rate * align / perBlock), (uint16_t)align, 4, extra);
}

// Predictor pair 1 everywhere; whole blocks only.
inline Bytes MsEncode(const std::vector<int16_t>& s, int ch, int align, int* framesOut) {
  int perBlock = (align - 7 * ch) * 2 / ch + 2;
  int frames = (int)s.size() / ch;
  int blocks = frames / perBlock;
  Bytes out;
  for (int b = 0; b < blocks; ++b) {
    const int16_t* p = &s[(size_t)b * perBlock * ch];
    int delta[2], s1[2], s2[2];
    for (int c = 0; c < ch; ++c) out.push_back(1);
    for (int c = 0; c < ch; ++c) { delta[c] = 16; Put16(out, 16); }
    for (int c = 0; c < ch; ++c) { s1[c] = p[ch + c]; Put16(out, (uint16_t)p[ch + c]); }
    for (int c = 0; c < ch; ++c) { s2[c] = p[c]; Put16(out, (uint16_t)p[c]); }
    int nibbles = (perBlock - 2) * ch;
    uint8_t cur = 0;
    for (int i = 0; i < nibbles; ++i) {
      int c = i % ch;
      int x = p[(size_t)(2 + i / ch) * ch + c];
      int pred = (s1[c] * kMsCoef[1][0] + s2[c] * kMsCoef[1][1]) >> 8;
      int e = x - pred;
      int n = (int)std::lround((double)e / delta[c]);
      n = std::clamp(n, -8, 7);
      int v = std::clamp(pred + n * delta[c], -32768, 32767);
      s2[c] = s1[c];
      s1[c] = v;
      delta[c] = std::max((kMsAdapt[n & 15] * delta[c]) >> 8, 16);
      if (i & 1) {
        out.push_back((uint8_t)(cur | (n & 15)));
      } else {
        cur = (uint8_t)((n & 15) << 4);
      }
    }
  }
  *framesOut = blocks * perBlock;
  return out;
}

// ---- MP3 through LAME ----
inline Bytes Mp3Encode(const std::vector<int16_t>& s, int ch, int rate, int kbps = 128) {
  lame_global_flags* gf = lame_init();
  lame_set_num_channels(gf, ch);
  lame_set_in_samplerate(gf, rate);
  lame_set_out_samplerate(gf, rate);
  lame_set_brate(gf, kbps);
  lame_set_mode(gf, ch == 1 ? MONO : JOINT_STEREO);
  lame_set_quality(gf, 7);
  lame_set_write_id3tag_automatic(gf, 0);
  lame_init_params(gf);
  int frames = (int)s.size() / ch;
  Bytes out((size_t)(1.25 * frames + 7200) * 2);
  int n;
  if (ch == 2) {
    n = lame_encode_buffer_interleaved(gf, const_cast<short*>(s.data()), frames, out.data(), (int)out.size());
  } else {
    n = lame_encode_buffer(gf, s.data(), s.data(), frames, out.data(), (int)out.size());
  }
  int m = lame_encode_flush(gf, out.data() + n, (int)out.size() - n);
  out.resize((size_t)(n + m));
  lame_close(gf);
  return out;
}

// ---- Ogg Vorbis through libvorbisenc ----
inline Bytes OggEncode(const std::vector<int16_t>& s, int ch, int rate) {
  Bytes out;
  vorbis_info vi;
  vorbis_info_init(&vi);
  vorbis_encode_init_vbr(&vi, ch, rate, 0.3f);
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 12345);
  ogg_packet h0, h1, h2;
  vorbis_analysis_headerout(&vd, &vc, &h0, &h1, &h2);
  ogg_stream_packetin(&os, &h0);
  ogg_stream_packetin(&os, &h1);
  ogg_stream_packetin(&os, &h2);
  ogg_page og;
  while (ogg_stream_flush(&os, &og)) {
    Append(out, og.header, (size_t)og.header_len);
    Append(out, og.body, (size_t)og.body_len);
  }
  int frames = (int)s.size() / ch;
  const int kStep = 1024;
  for (int at = 0;; at += kStep) {
    int n = std::min(kStep, frames - at);
    if (n > 0) {
      float** buf = vorbis_analysis_buffer(&vd, n);
      for (int i = 0; i < n; ++i) {
        for (int c = 0; c < ch; ++c) buf[c][i] = s[(size_t)(at + i) * ch + c] / 32768.0f;
      }
      vorbis_analysis_wrote(&vd, n);
    } else {
      vorbis_analysis_wrote(&vd, 0);
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet op;
      while (vorbis_bitrate_flushpacket(&vd, &op)) {
        ogg_stream_packetin(&os, &op);
        while (ogg_stream_pageout(&os, &og)) {
          Append(out, og.header, (size_t)og.header_len);
          Append(out, og.body, (size_t)og.body_len);
        }
      }
    }
    if (n <= 0) break;
  }
  while (ogg_stream_flush(&os, &og)) {
    Append(out, og.header, (size_t)og.header_len);
    Append(out, og.body, (size_t)og.body_len);
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

}  // namespace fixture
