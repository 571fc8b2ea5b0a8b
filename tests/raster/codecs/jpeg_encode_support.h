// Test support for the JPEG encoder tests: lines pushed through the encoder
// stage into memory, test pictures, a walk over the marker segments of a
// stream, libjpeg's decode with its warning count, and PSNR.
#pragma once

#include <jpeglib.h>

#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <string>
#include <vector>

#include "jpeg_decode_support.h"
#include "raster/codecs/rst_brenvold_stream.h"
#include "raster/codecs/rst_jpeg_encoder.h"
#include "raster/core/memory_storage.h"

// What the stage is given.
struct EncodeSpec {
  int32_t width = 16;
  int32_t height = 16;
  uint32_t format = 0x80048;
  int32_t kind = 1;
  int32_t mode = 1;
  int32_t quality = -75;
  uint8_t divisors[6] = {1, 1, 1, 1, 1, 1};
  int32_t restart = 0;
  int32_t x_dpi = 200, y_dpi = 200;
  int32_t lines = -1;  // lines pushed; -1: the height
};

// What came back.
struct Encoded {
  int32_t info = 0;
  std::vector<int32_t> line_results;
  int32_t close = 0;
  JpegEncoderParams params;
  Bytes bytes;
  Bytes before_close;  // the stream as it stood before close
};

inline Bytes memory_bytes(MemoryOutputStorage& out) {
  Bytes b(size_t(out.size()));
  MemoryInputStorage in(out.blocks());
  if (!b.empty()) in.read(b.data(), int32_t(b.size()));
  return b;
}

inline int32_t channels_of(uint32_t format) { return (format >> 16) == 8 ? 1 : 3; }

// The stage fed with the pixels (interleaved, width x channels per line).
inline Encoded stage_encode(const EncodeSpec& s, const Bytes& pixels) {
  Encoded e;
  MemoryOutputStorage out;
  BrenvoldStream* stream = rstCreateStreamByBrenvoldOutputStorage(&out);
  RstInstanceTolvane* stage = rst_jpeg_create_encoder(stream, s.kind, s.mode);
  JpegEncoderParams& p = e.params;
  p.image.width = s.width;
  p.image.height = s.height;
  p.image.format = s.format;
  p.image.component_order = 0x00010200;
  p.x_resolution = s.x_dpi;
  p.y_resolution = s.y_dpi;
  p.quality = s.quality;
  for (int i = 0; i < 6; ++i) p.divisors[i] = s.divisors[i];
  p.restart_interval = s.restart;
  e.info = stage->info(&p.image);
  if (e.info >= 1) {
    int32_t lines = s.lines >= 0 ? s.lines : s.height;
    size_t stride = size_t(s.width) * channels_of(s.format);
    Bytes line(stride);
    for (int32_t y = 0; y < lines; ++y) {
      int32_t row = s.height > 0 ? std::min(y, s.height - 1) : y;
      if (size_t(row + 1) * stride <= pixels.size()) std::copy_n(pixels.begin() + row * stride, stride, line.begin());
      e.line_results.push_back(stage->line(line.data()));
    }
  }
  e.before_close = memory_bytes(out);
  e.close = stage->close();
  stream->close();
  e.bytes = memory_bytes(out);
  return e;
}

// A deterministic picture: smooth gradients with some texture, per channel.
inline Bytes test_picture(int32_t width, int32_t height, int32_t channels, uint32_t seed = 1) {
  Bytes b(size_t(width) * height * channels);
  uint32_t r = seed;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      for (int32_t c = 0; c < channels; ++c) {
        r = r * 1103515245u + 12345u;
        double v = 128 + 80 * std::sin((x + 7 * c) * 0.11) * std::cos((y + 3 * c) * 0.07) + double((r >> 16) % 17) - 8;
        b[(size_t(y) * width + x) * channels + c] = uint8_t(std::clamp(v, 0.0, 255.0));
      }
  return b;
}

// The stage fed with a test picture of the spec's size.
inline Encoded encode_picture(const EncodeSpec& s) {
  return stage_encode(s, test_picture(s.width, std::max(s.height, 1), channels_of(s.format)));
}

// One marker segment of a stream: the code after 0xFF, where its payload
// starts (after the length) and how long the payload is.
struct Segment {
  int code;
  size_t payload;
  size_t length;
};

// The segments from SOI to SOS (SOS included), in order.
inline std::vector<Segment> header_segments(const Bytes& b) {
  std::vector<Segment> list;
  size_t at = 0;
  while (at + 1 < b.size() && b[at] == 0xFF) {
    int code = b[at + 1];
    if (code == 0xD8) {
      list.push_back({code, at + 2, 0});
      at += 2;
      continue;
    }
    if (at + 3 >= b.size()) break;
    size_t length = size_t(b[at + 2]) << 8 | b[at + 3];
    list.push_back({code, at + 4, length - 2});
    at += 2 + length;
    if (code == 0xDA) break;
  }
  return list;
}

inline const Segment* find_segment(const std::vector<Segment>& list, int code) {
  for (const Segment& s : list)
    if (s.code == code) return &s;
  return nullptr;
}

// Markers inside the entropy-coded data after the first SOS (RSTn, EOI), in
// order, with their positions.
inline std::vector<std::pair<int, size_t>> scan_markers(const Bytes& b) {
  std::vector<std::pair<int, size_t>> found;
  auto segments = header_segments(b);
  if (segments.empty() || segments.back().code != 0xDA) return found;
  for (size_t at = segments.back().payload + segments.back().length; at + 1 < b.size(); ++at)
    if (b[at] == 0xFF && b[at + 1] != 0x00) {
      found.push_back({b[at + 1], at});
      ++at;
    }
  return found;
}

inline int sof_height(const Bytes& b) {
  auto list = header_segments(b);
  const Segment* sof = find_segment(list, 0xC0);
  return sof ? b[sof->payload + 1] << 8 | b[sof->payload + 2] : -1;
}

// libjpeg's decode (the file's colour space out, accurate inverse DCT, no
// fancy upsampling) and the warnings it raised; status 0 when it failed.
struct PeerDecoded : Decoded {
  long libjpeg_warnings = 0;
  int h_samp[3] = {}, v_samp[3] = {};
};

inline PeerDecoded libjpeg_decode_counted(const Bytes& bytes) {
  PeerDecoded d;
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
  cinfo.out_color_space = cinfo.jpeg_color_space;
  cinfo.dct_method = JDCT_ISLOW;
  cinfo.do_fancy_upsampling = FALSE;
  jpeg_start_decompress(&cinfo);
  for (int c = 0; c < cinfo.num_components && c < 3; ++c) {
    d.h_samp[c] = cinfo.comp_info[c].h_samp_factor;
    d.v_samp[c] = cinfo.comp_info[c].v_samp_factor;
  }
  d.width = int32_t(cinfo.output_width);
  d.height = int32_t(cinfo.output_height);
  d.channels = cinfo.output_components;
  d.samples.resize(size_t(d.width) * d.height * d.channels);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = d.samples.data() + size_t(cinfo.output_scanline) * d.width * d.channels;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  d.libjpeg_warnings = err.mgr.num_warnings;
  jpeg_destroy_decompress(&cinfo);
  return d;
}

// PSNR of b against a (same size), in dB.
inline double psnr(const Bytes& a, const Bytes& b) {
  double sum = 0;
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    double d = double(a[i]) - double(b[i]);
    sum += d * d;
  }
  double mse = n ? sum / double(n) : 0;
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

// RGB to YCbCr as libjpeg converts (jccolor.c, 16-bit fixed point).
inline Bytes rgb_to_ycbcr(const Bytes& rgb) {
  Bytes out(rgb.size());
  auto fix = [](double x) { return int32_t(x * 65536 + 0.5); };
  const int32_t half = 1 << 15, cbcr = (128 << 16) + half - 1;
  for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
    int32_t r = rgb[i], g = rgb[i + 1], b = rgb[i + 2];
    out[i] = uint8_t((fix(0.29900) * r + fix(0.58700) * g + fix(0.11400) * b + half) >> 16);
    out[i + 1] = uint8_t((-fix(0.16874) * r - fix(0.33126) * g + (b << 15) + cbcr) >> 16);
    out[i + 2] = uint8_t(((r << 15) - fix(0.41869) * g - fix(0.08131) * b + cbcr) >> 16);
  }
  return out;
}
