// Movie fixtures made by the tests themselves with FFmpeg's encoders: lossless frames (FFV1 in
// Matroska), each a solid colour computed from its frame number, and a square-wave tone as PCM.
#pragma once
#include <cstdint>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

// Colour of frame n as 0x00RRGGBB; steps of 32 survive 16-bit pixels exactly.
inline uint32_t TestMovieColour(int n) {
  const uint32_t v = static_cast<uint32_t>(n) * 5 + 3;
  return ((v & 7) << 21) | (((v >> 3) & 7) << 13) | (((v >> 6) & 7) << 5);
}

namespace movie_fixture_detail {

inline bool Drain(AVFormatContext* oc, AVCodecContext* ctx, AVStream* st, AVPacket* pkt) {
  for (;;) {
    const int r = avcodec_receive_packet(ctx, pkt);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
    if (r < 0) return false;
    av_packet_rescale_ts(pkt, ctx->time_base, st->time_base);
    pkt->stream_index = st->index;
    if (av_interleaved_write_frame(oc, pkt) < 0) return false;
  }
}

}  // namespace movie_fixture_detail

// Writes frames of width x height at fps frames per second; with a tone of toneHz when toneHz > 0.
inline bool WriteTestMovie(const std::string& path, int width, int height, int frames, int fps, int toneHz) {
  using namespace movie_fixture_detail;
  AVFormatContext* oc = nullptr;
  if (avformat_alloc_output_context2(&oc, nullptr, "matroska", path.c_str()) < 0) return false;
  bool ok = false;
  AVCodecContext* vc = nullptr;
  AVCodecContext* ac = nullptr;
  AVFrame* frame = av_frame_alloc();
  AVPacket* pkt = av_packet_alloc();
  AVStream* vs = nullptr;
  AVStream* as = nullptr;
  const int rate = 22050;
  do {
    const AVCodec* venc = avcodec_find_encoder(AV_CODEC_ID_FFV1);
    if (!venc || !frame || !pkt) break;
    vc = avcodec_alloc_context3(venc);
    vc->width = width;
    vc->height = height;
    vc->pix_fmt = AV_PIX_FMT_0RGB32;
    vc->time_base = AVRational{1, fps};
    vc->framerate = AVRational{fps, 1};
    if (oc->oformat->flags & AVFMT_GLOBALHEADER) vc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(vc, venc, nullptr) < 0) break;
    vs = avformat_new_stream(oc, nullptr);
    avcodec_parameters_from_context(vs->codecpar, vc);
    vs->time_base = vc->time_base;
    if (toneHz > 0) {
      const AVCodec* aenc = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
      if (!aenc) break;
      ac = avcodec_alloc_context3(aenc);
      ac->sample_fmt = AV_SAMPLE_FMT_S16;
      ac->sample_rate = rate;
      av_channel_layout_default(&ac->ch_layout, 1);
      ac->time_base = AVRational{1, rate};
      if (avcodec_open2(ac, aenc, nullptr) < 0) break;
      as = avformat_new_stream(oc, nullptr);
      avcodec_parameters_from_context(as->codecpar, ac);
      as->time_base = ac->time_base;
    }
    if (avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) break;
    if (avformat_write_header(oc, nullptr) < 0) break;
    bool good = true;
    for (int i = 0; i < frames && good; ++i) {
      av_frame_unref(frame);
      frame->format = vc->pix_fmt;
      frame->width = width;
      frame->height = height;
      if (av_frame_get_buffer(frame, 0) < 0) {
        good = false;
        break;
      }
      const uint32_t px = TestMovieColour(i);
      for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(frame->data[0] + y * frame->linesize[0]);
        for (int x = 0; x < width; ++x) row[x] = px;
      }
      frame->pts = i;
      good = avcodec_send_frame(vc, frame) >= 0 && Drain(oc, vc, vs, pkt);
    }
    if (ac && good) {
      const int total = static_cast<int>(static_cast<int64_t>(frames) * rate / fps);
      const int chunk = 1024;
      for (int at = 0; at < total && good; at += chunk) {
        av_frame_unref(frame);
        frame->format = AV_SAMPLE_FMT_S16;
        frame->sample_rate = rate;
        av_channel_layout_default(&frame->ch_layout, 1);
        frame->nb_samples = at + chunk <= total ? chunk : total - at;
        if (av_frame_get_buffer(frame, 0) < 0) {
          good = false;
          break;
        }
        auto* s = reinterpret_cast<int16_t*>(frame->data[0]);
        for (int k = 0; k < frame->nb_samples; ++k) {
          s[k] = static_cast<int16_t>(((at + k) * 2 * toneHz / rate) % 2 ? 6000 : -6000);
        }
        frame->pts = at;
        good = avcodec_send_frame(ac, frame) >= 0 && Drain(oc, ac, as, pkt);
      }
    }
    if (!good) break;
    avcodec_send_frame(vc, nullptr);
    Drain(oc, vc, vs, pkt);
    if (ac) {
      avcodec_send_frame(ac, nullptr);
      Drain(oc, ac, as, pkt);
    }
    ok = av_write_trailer(oc) == 0;
  } while (false);
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&vc);
  avcodec_free_context(&ac);
  if (oc->pb) avio_closep(&oc->pb);
  avformat_free_context(oc);
  return ok;
}
