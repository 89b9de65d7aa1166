// JPEG pictures through the JPEG library, read from a stream source.
#include "engine/graphics/image/image_loader.h"

#include <cstdio>   // the JPEG library's header needs FILE and size_t first
#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <cstring>

#include "engine/base/log.h"
#include "engine/base/memory.h"

namespace {

constexpr int JPEG_INPUT_BUFFER_SIZE = 4096;

struct JpegStreamSource {
  jpeg_source_mgr pub;
  JOCTET* buffer;
  int startOfFile;
  StreamSource stream;
  int64_t endPosition;
};

struct JpegErrorRecord {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

struct JpegWork {
  jpeg_decompress_struct cinfo;
  JpegErrorRecord err;
  uint8_t* pixels;
};

void JpegOutputMessage(j_common_ptr cinfo) {
  char text[JMSG_LENGTH_MAX];
  cinfo->err->format_message(cinfo, text);
  LogPrintf("JPEG: %s", text);
}

void JpegErrorExit(j_common_ptr cinfo) {
  cinfo->err->output_message(cinfo);
  longjmp(reinterpret_cast<JpegErrorRecord*>(cinfo->err)->jump, 1);
}

void JpegInitSource(j_decompress_ptr cinfo) {
  reinterpret_cast<JpegStreamSource*>(cinfo->src)->startOfFile = 1;
}

boolean JpegFillInputBuffer(j_decompress_ptr cinfo) {
  JpegStreamSource* src = reinterpret_cast<JpegStreamSource*>(cinfo->src);
  StreamSource* s = &src->stream;
  const int64_t left = src->endPosition - s->fn.tell(s->handle);
  size_t got = 0;
  if (left > 0) {
    const size_t want = left >= JPEG_INPUT_BUFFER_SIZE ? JPEG_INPUT_BUFFER_SIZE : static_cast<size_t>(left);
    got = s->fn.read(src->buffer, 1, want, s->handle);
  }
  if (got == 0) {
    if (src->startOfFile) {
      cinfo->err->msg_code = JERR_INPUT_EMPTY;
      cinfo->err->error_exit(reinterpret_cast<j_common_ptr>(cinfo));
    }
    cinfo->err->msg_code = JWRN_JPEG_EOF;
    cinfo->err->emit_message(reinterpret_cast<j_common_ptr>(cinfo), -1);
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    got = 2;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = got;
  src->startOfFile = 0;
  return TRUE;
}

void JpegSkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* src = cinfo->src;
  while (count > static_cast<long>(src->bytes_in_buffer)) {
    count -= static_cast<long>(src->bytes_in_buffer);
    JpegFillInputBuffer(cinfo);
  }
  src->next_input_byte += count;
  src->bytes_in_buffer -= static_cast<size_t>(count);
}

void JpegTermSource(j_decompress_ptr) {}

void SetJpegStreamSource(j_decompress_ptr cinfo, StreamSource* s) {
  if (!cinfo->src) {
    cinfo->src = static_cast<jpeg_source_mgr*>(cinfo->mem->alloc_small(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegStreamSource)));
    reinterpret_cast<JpegStreamSource*>(cinfo->src)->buffer = static_cast<JOCTET*>(cinfo->mem->alloc_small(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, JPEG_INPUT_BUFFER_SIZE));
  }
  JpegStreamSource* src = reinterpret_cast<JpegStreamSource*>(cinfo->src);
  src->pub.init_source = JpegInitSource;
  src->pub.fill_input_buffer = JpegFillInputBuffer;
  src->pub.skip_input_data = JpegSkipInputData;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = JpegTermSource;
  src->stream = *s;
  const int64_t start = s->fn.tell(s->handle);
  s->fn.seek(s->handle, 0, 2);
  src->endPosition = s->fn.tell(s->handle);
  s->fn.seek(s->handle, start, 0);
  src->pub.bytes_in_buffer = 0;
  src->pub.next_input_byte = nullptr;
}

// A four-component picture (CMYK, or YCCK turned into CMYK by the library) becomes blue, green,
// red. Files carrying the Adobe marker store the inks inverted.
void CmykRowToBgr(const JSAMPLE* in, uint8_t* out, int width, bool inverted) {
  for (int x = 0; x < width; ++x, in += 4, out += 3) {
    uint32_t c = in[0], m = in[1], y = in[2], k = in[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    out[0] = static_cast<uint8_t>(y * k / 255);
    out[1] = static_cast<uint8_t>(m * k / 255);
    out[2] = static_cast<uint8_t>(c * k / 255);
  }
}

int DecodeJpegInner(JpegWork* w, StreamSource* s, BaseImage* image) {
  j_decompress_ptr cinfo = &w->cinfo;
  if (setjmp(w->err.jump)) return -1;
  jpeg_CreateDecompress(cinfo, JPEG_LIB_VERSION, sizeof(*cinfo));
  // Whole-picture buffers (progressive files) come from this budget; past it the library stops.
  cinfo->mem->max_memory_to_use = static_cast<long>(g_ImageMaxPixelBytes);
  SetJpegStreamSource(cinfo, s);
  jpeg_read_header(cinfo, TRUE);
  if (!ImageSizeAllowed(cinfo->image_width, cinfo->image_height) ||
      !ImagePixelBytesFit(static_cast<int64_t>(cinfo->image_width) * cinfo->image_height * cinfo->num_components)) {
    LogPrintf("JPEG: image size %ux%u refused", cinfo->image_width, cinfo->image_height);
    return -1;
  }
  jpeg_start_decompress(cinfo);
  const int comps = cinfo->output_components;
  if (comps != 1 && comps != 3 && comps != 4) {
    LogPrintf("JPEG: %d components are not supported", comps);
    return -1;
  }
  const int outBytes = comps == 1 ? 1 : 3;
  const int64_t stride = static_cast<int64_t>(cinfo->output_width) * outBytes;
  const int64_t total = stride * cinfo->output_height;
  if (!ImagePixelBytesFit(total)) return -1;
  JSAMPARRAY row = cinfo->mem->alloc_sarray(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                            cinfo->output_width * comps, 1);
  w->pixels = static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(total)));
  if (!w->pixels) return -1;
  const int width = static_cast<int>(cinfo->output_width);
  const bool inverted = cinfo->saw_Adobe_marker;
  while (cinfo->output_scanline < cinfo->output_height) {
    uint8_t* out = w->pixels + static_cast<int64_t>(cinfo->output_scanline) * stride;
    if (jpeg_read_scanlines(cinfo, row, 1) != 1) break;
    const JSAMPLE* in = row[0];
    if (comps == 1) {
      std::memcpy(out, in, static_cast<size_t>(width));
    } else if (comps == 3) {
      for (int x = 0; x < width; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
    } else {
      CmykRowToBgr(in, out, width, inverted);
    }
  }
  jpeg_finish_decompress(cinfo);
  std::memset(image, 0, sizeof(*image));
  image->width = width;
  image->height = static_cast<int>(cinfo->output_height);
  image->pitch = static_cast<int>(stride);
  if (comps == 1) SetupGrayColorData8(&image->colorData);
  else SetupFullColorData24(&image->colorData);
  image->pixels = w->pixels;
  w->pixels = nullptr;
  return 0;
}

}  // namespace

int DecodeJpegToBaseImage(StreamSource* s, BaseImage* image) {
  // Streams of other formats are refused without a word from the library.
  uint8_t soi[2];
  if (!StreamReadExact(s, soi, sizeof(soi)) || soi[0] != 0xFF || soi[1] != 0xD8) return -1;
  s->fn.seek(s->handle, 0, 0);

  JpegWork* w = static_cast<JpegWork*>(TRACKED_CALLOC(sizeof(JpegWork)));
  if (!w) return -1;
  w->cinfo.err = jpeg_std_error(&w->err.pub);
  w->err.pub.error_exit = JpegErrorExit;
  w->err.pub.output_message = JpegOutputMessage;
  const int res = DecodeJpegInner(w, s, image);
  jpeg_destroy_decompress(&w->cinfo);
  if (w->pixels) TrackedFree(w->pixels);
  TrackedFree(w);
  return res;
}
