// Decoder on FFmpeg's libraries: libavformat reads the file, libavcodec decodes the primary video
// stream, libswscale writes frames in the sample surface's format, and libswresample turns the
// primary sound stream into 16-bit PCM.
#include <new>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "platform/movie.h"
#include "platform/movie/decoder.h"

namespace plat {
namespace {

constexpr AVRational kStreamUnits{1, 10000000};
constexpr int kMaxSide = 8192;   // larger frames are refused rather than allocated

// The FFmpeg pixel format whose bytes in memory match a little-endian packed RGB surface format.
// Movies are local files only: no other protocol, so a playlist inside a file cannot reach out.
// Bytes one open, or one step of reading, may take from the file before the library is stopped: a
// large file that is no movie would otherwise be scanned to its end for something to decode.
constexpr int64_t kReadBudget = 16 << 20;

struct ReadBudget {
  AVFormatContext* fmt = nullptr;
  int64_t end = kReadBudget;
  void Renew() { end = (fmt && fmt->pb ? avio_tell(fmt->pb) : 0) + kReadBudget; }
};

int BudgetSpent(void* opaque) {
  const ReadBudget* b = static_cast<const ReadBudget*>(opaque);
  return b->fmt && b->fmt->pb && b->fmt->pb->pos > b->end ? 1 : 0;
}

int OpenInput(AVFormatContext** fmt, const std::string& path, ReadBudget* budget) {
  *fmt = avformat_alloc_context();
  if (!*fmt) return AVERROR(ENOMEM);
  if (budget) {
    budget->fmt = *fmt;
    budget->end = kReadBudget;
    (*fmt)->interrupt_callback = AVIOInterruptCB{BudgetSpent, budget};
  }
  AVDictionary* opts = nullptr;
  av_dict_set(&opts, "protocol_whitelist", "file", 0);
  const int r = avformat_open_input(fmt, ("file:" + path).c_str(), nullptr, &opts);
  av_dict_free(&opts);
  if (r < 0 && budget) budget->fmt = nullptr;   // the library freed the context
  return r;
}

// Still pictures belong to the engine's picture decoders: one they refused (cut, corrupt) must not
// come back as a one-frame movie through the library's own picture readers.
bool IsStillPictureFormat(const AVInputFormat* f) {
  if (!f || !f->name) return true;
  const std::string name = f->name;
  return name == "image2" || (name.size() > 5 && name.compare(name.size() - 5, 5, "_pipe") == 0);
}

AVPixelFormat ToAvPixelFormat(const PixelFormat& f) {
  if (!(f.flags & PIXFMT_RGB) || (f.flags & PIXFMT_PALETTEINDEXED8)) return AV_PIX_FMT_NONE;
  if (f.bitCount == 32 && f.redMask == 0xFF0000 && f.greenMask == 0xFF00 && f.blueMask == 0xFF) {
    return f.alphaMask == 0xFF000000u ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR0;
  }
  if (f.bitCount == 32 && f.redMask == 0xFF && f.greenMask == 0xFF00 && f.blueMask == 0xFF0000) {
    return f.alphaMask == 0xFF000000u ? AV_PIX_FMT_RGBA : AV_PIX_FMT_RGB0;
  }
  if (f.bitCount == 24 && f.redMask == 0xFF0000 && f.greenMask == 0xFF00 && f.blueMask == 0xFF) {
    return AV_PIX_FMT_BGR24;
  }
  if (f.bitCount == 24 && f.redMask == 0xFF && f.greenMask == 0xFF00 && f.blueMask == 0xFF0000) {
    return AV_PIX_FMT_RGB24;
  }
  if (f.bitCount == 16 && f.redMask == 0xF800 && f.greenMask == 0x07E0 && f.blueMask == 0x001F) {
    return AV_PIX_FMT_RGB565LE;
  }
  if (f.bitCount == 16 && f.redMask == 0x7C00 && f.greenMask == 0x03E0 && f.blueMask == 0x001F) {
    return AV_PIX_FMT_RGB555LE;
  }
  return AV_PIX_FMT_NONE;
}

class FfmpegDecoder final : public MovieDecoder {
public:
  ~FfmpegDecoder() override {
    sws_freeContext(sws_);
    av_frame_free(&frame_);
    av_frame_free(&spare_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
  }

  int Open(const std::string& path) override {
    // Opening twice would hand the library a context it already filled.
    if (format_ || codec_) return MOVIE_E_FAIL;
    path_ = path;
    if (OpenInput(&format_, path, &budget_) < 0) return MOVIE_E_NOFILE;
    if (IsStillPictureFormat(format_->iformat) || avformat_find_stream_info(format_, nullptr) < 0) {
      avformat_close_input(&format_);
      return MOVIE_E_NOFILE;
    }
    const AVCodec* dec = nullptr;
    stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, &dec, 0);
    frame_ = av_frame_alloc();
    spare_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!frame_ || !spare_ || !packet_) return MOVIE_E_NOMEMORY;
    // A file without pictures opens with a 0 x 0 format, which the caller refuses.
    if (stream_ < 0 || !dec) return MOVIE_OK;
    AVStream* st = format_->streams[stream_];
    codec_ = avcodec_alloc_context3(dec);
    if (!codec_ || avcodec_parameters_to_context(codec_, st->codecpar) < 0 ||
        avcodec_open2(codec_, dec, nullptr) < 0) {
      return MOVIE_E_NOFILE;
    }
    if (codec_->width <= 0 || codec_->height <= 0 || codec_->width > kMaxSide || codec_->height > kMaxSide) {
      return MOVIE_E_NOFILE;
    }
    width = codec_->width;
    height = codec_->height;
    const AVRational rate = av_guess_frame_rate(format_, st, nullptr);
    timePerFrame = rate.num > 0 && rate.den > 0 ? av_rescale(kStreamUnits.den, rate.den, rate.num) : 400000;
    if (format_->duration > 0) {
      duration = av_rescale_q(format_->duration, AVRational{1, AV_TIME_BASE}, kStreamUnits);
    } else if (st->duration > 0) {
      duration = av_rescale_q(st->duration, st->time_base, kStreamUnits);
    }
    startTime_ = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    return MOVIE_OK;
  }

  bool SetOutputFormat(const PixelFormat& format) override {
    const AVPixelFormat f = ToAvPixelFormat(format);
    if (f == AV_PIX_FMT_NONE) return false;
    out_ = f;
    return true;
  }

  int ReadFrame(int64_t* time) override {
    if (!codec_) return 1;
    budget_.Renew();
    for (;;) {
      const int r = avcodec_receive_frame(codec_, spare_);
      if (r == 0) {
        std::swap(frame_, spare_);
        av_frame_unref(spare_);
        haveFrame_ = true;
        int64_t pts = frame_->best_effort_timestamp;
        if (pts == AV_NOPTS_VALUE) pts = frame_->pts;
        if (pts == AV_NOPTS_VALUE) {
          *time = lastTime_ + timePerFrame;
        } else {
          *time = av_rescale_q(pts - startTime_, format_->streams[stream_]->time_base, kStreamUnits);
        }
        lastTime_ = *time;
        return 0;
      }
      if (r == AVERROR_EOF) return 1;
      if (r != AVERROR(EAGAIN)) return -1;
      if (draining_) return 1;
      const int rr = av_read_frame(format_, packet_);
      if (rr < 0) {
        draining_ = true;
        avcodec_send_packet(codec_, nullptr);
        continue;
      }
      if (packet_->stream_index == stream_) avcodec_send_packet(codec_, packet_);
      av_packet_unref(packet_);
    }
  }

  void ConvertFrame(uint8_t* dst, int32_t pitch) override {
    if (!haveFrame_ || out_ == AV_PIX_FMT_NONE) return;
    sws_ = sws_getCachedContext(sws_, frame_->width, frame_->height, static_cast<AVPixelFormat>(frame_->format),
                                width, height, out_, SWS_POINT, nullptr, nullptr, nullptr);
    if (!sws_) return;
    uint8_t* planes[4] = {dst, nullptr, nullptr, nullptr};
    int pitches[4] = {pitch, 0, 0, 0};
    sws_scale(sws_, frame_->data, frame_->linesize, 0, frame_->height, planes, pitches);
  }

  int SeekTo(int64_t time) override {
    if (!codec_) return 0;
    budget_.Renew();
    const int64_t ts = av_rescale_q(time, kStreamUnits, format_->streams[stream_]->time_base) + startTime_;
    if (av_seek_frame(format_, stream_, ts, AVSEEK_FLAG_BACKWARD) < 0 &&
        av_seek_frame(format_, stream_, startTime_, AVSEEK_FLAG_BACKWARD) < 0) {
      return -1;
    }
    avcodec_flush_buffers(codec_);
    draining_ = false;
    return 0;
  }

  bool DecodeSound(WaveFormat* format, std::vector<uint8_t>* pcm) override {
    // A second reader, so the sound never moves the video's read position.
    AVFormatContext* fmt = nullptr;
    ReadBudget budget;
    if (OpenInput(&fmt, path_, &budget) < 0) return false;
    bool ok = false;
    const AVCodec* dec = nullptr;
    AVCodecContext* ctx = nullptr;
    SwrContext* swr = nullptr;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* fr = av_frame_alloc();
    int idx = -1;
    int channels = 0;
    if (pkt && fr && avformat_find_stream_info(fmt, nullptr) >= 0 &&
        (idx = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, &dec, 0)) >= 0 && dec &&
        (ctx = avcodec_alloc_context3(dec)) && avcodec_parameters_to_context(ctx, fmt->streams[idx]->codecpar) >= 0 &&
        avcodec_open2(ctx, dec, nullptr) >= 0 && ctx->sample_rate >= 100 && ctx->sample_rate <= 200000 &&
        ctx->ch_layout.nb_channels > 0) {
      channels = ctx->ch_layout.nb_channels >= 2 ? 2 : 1;
      AVChannelLayout outLayout;
      av_channel_layout_default(&outLayout, channels);
      if (swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, ctx->sample_rate, &ctx->ch_layout,
                              ctx->sample_fmt, ctx->sample_rate, 0, nullptr) >= 0 &&
          swr_init(swr) >= 0) {
        ok = true;
      }
      av_channel_layout_uninit(&outLayout);
    }
    auto drain = [&](bool flush) {
      for (;;) {
        const int r = avcodec_receive_frame(ctx, fr);
        if (r < 0) break;
        const int room = swr_get_out_samples(swr, fr->nb_samples);
        if (room > 0) {
          const size_t at = pcm->size();
          pcm->resize(at + static_cast<size_t>(room) * channels * 2);
          uint8_t* out = pcm->data() + at;
          const int got = swr_convert(swr, &out, room, const_cast<const uint8_t**>(fr->extended_data), fr->nb_samples);
          pcm->resize(at + static_cast<size_t>(got > 0 ? got : 0) * channels * 2);
        }
        av_frame_unref(fr);
      }
      (void)flush;
    };
    if (ok) {
      // The budget runs out only where a long stretch of the file gives no sound.
      budget.Renew();
      while (av_read_frame(fmt, pkt) >= 0 && pcm->size() < (64u << 20)) {
        const size_t before = pcm->size();
        if (pkt->stream_index == idx && avcodec_send_packet(ctx, pkt) >= 0) drain(false);
        av_packet_unref(pkt);
        if (pcm->size() != before) budget.Renew();
      }
      avcodec_send_packet(ctx, nullptr);
      drain(true);
      const uint16_t align = static_cast<uint16_t>(channels * 2);
      *format = WaveFormat{1, static_cast<uint16_t>(channels), static_cast<uint32_t>(ctx->sample_rate),
                           static_cast<uint32_t>(ctx->sample_rate) * align, align, 16, 0};
    }
    swr_free(&swr);
    av_frame_free(&fr);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    avformat_close_input(&fmt);
    return ok && !pcm->empty();
  }

private:
  std::string path_;
  ReadBudget budget_;
  AVFormatContext* format_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVFrame* spare_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwsContext* sws_ = nullptr;
  AVPixelFormat out_ = AV_PIX_FMT_NONE;
  int stream_ = -1;
  int64_t startTime_ = 0;
  int64_t lastTime_ = 0;
  bool draining_ = false;
  bool haveFrame_ = false;
};

}  // namespace

MovieDecoder* CreateFfmpegMovieDecoder() {
  av_log_set_level(AV_LOG_QUIET);
  return new (std::nothrow) FfmpegDecoder;
}

}  // namespace plat
