// Test support for the JPEG decoder tests: a stream decoded by our stage (or
// reader node) and by libjpeg's API with the accurate integer inverse DCT,
// fancy upsampling and block smoothing off and the file's colour space out,
// and the comparison of the two.
#pragma once

#include <jpeglib.h>

#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "jpeg_stream_builder.h"
#include "raster/codecs/rst_brenvold_stream.h"
#include "raster/codecs/rst_jpeg_decoder.h"
#include "raster/core/byte_array_storage.h"

struct Decoded {
  int32_t status = 1;  // creation status, or the first failing line's
  int32_t width = 0, height = 0, channels = 0;
  int32_t warnings = 0;  // lines that returned a warning
  std::vector<uint8_t> samples;
  int at(int x, int y, int c) const { return samples[(size_t(y) * width + x) * channels + c]; }
};

// Our stage over the bytes, every line read.
inline Decoded stage_decode(const Bytes& bytes, int32_t scale = 1, int32_t rgb = 0, uint32_t code = 0xFFFF,
                            int32_t luminance_only = 0) {
  Decoded d;
  ByteArrayInputStorage storage(bytes);
  BrenvoldStream* stream = rstCreateStreamByBrenvoldInputStorage(&storage);
  RstInstanceTolvane* stage =
      rst_jpeg_create_decoder(stream, 0, nullptr, code, 0xFFFF, luminance_only, 8, int64_t(bytes.size()), rgb, scale);
  d.status = stage->status;
  if (stage->status >= 1) {
    TolvaneImageInfo info;
    stage->info(&info);
    d.width = info.width;
    d.height = info.height;
    d.channels = int32_t(info.format >> 16) / 8;
    d.samples.resize(size_t(d.width) * d.height * d.channels);
    for (int32_t y = 0; y < d.height; ++y) {
      int32_t s = stage->line(d.samples.data() + size_t(y) * d.width * d.channels);
      if (s < 1) {
        d.status = s;
        break;
      }
      if (s > 1) ++d.warnings;
    }
  }
  stage->close();
  stream->close();
  return d;
}

struct JpegErrorExit {
  jpeg_error_mgr mgr;
  jmp_buf jump;
};

// libjpeg's decode; status 0 when libjpeg failed. rgb: RGB out with libjpeg's
// own colour conversion; dct: libjpeg's inverse DCT (accurate by default).
inline Decoded libjpeg_decode(const Bytes& bytes, int scale = 1, bool rgb = false, J_DCT_METHOD dct = JDCT_ISLOW) {
  Decoded d;
  jpeg_decompress_struct cinfo;
  JpegErrorExit err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = [](j_common_ptr c) { longjmp(reinterpret_cast<JpegErrorExit*>(c->err)->jump, 1); };
  err.mgr.output_message = [](j_common_ptr) {};
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    d.status = 0;
    return d;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = rgb ? JCS_RGB : cinfo.jpeg_color_space;
  cinfo.dct_method = dct;
  cinfo.do_fancy_upsampling = FALSE;
  cinfo.do_block_smoothing = FALSE;
  cinfo.scale_num = 1;
  cinfo.scale_denom = static_cast<unsigned>(scale);
  jpeg_start_decompress(&cinfo);
  d.width = int32_t(cinfo.output_width);
  d.height = int32_t(cinfo.output_height);
  d.channels = cinfo.output_components;
  d.samples.resize(size_t(d.width) * d.height * d.channels);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = d.samples.data() + size_t(cinfo.output_scanline) * d.width * d.channels;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return d;
}

struct Difference {
  int max = 0;
  double mean = 0;
};

// Over the area both cover, per channel (channel -1: all).
inline Difference compare(const Decoded& a, const Decoded& b, int channel = -1) {
  Difference r;
  int w = std::min(a.width, b.width), h = std::min(a.height, b.height);
  int64_t sum = 0, n = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < a.channels; ++c) {
        if (channel >= 0 && c != channel) continue;
        int d = std::abs(a.at(x, y, c) - b.at(x, y, c));
        r.max = std::max(r.max, d);
        sum += d;
        ++n;
      }
  r.mean = n ? double(sum) / double(n) : 0;
  return r;
}
