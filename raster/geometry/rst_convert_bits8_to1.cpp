// Error diffusion, fixed thresholds and two-level reduction of 8-bit lines.
#include "raster/geometry/rst_convert_bits8_to1.h"

#include <cstring>
#include <utility>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

namespace {

// One 8-bit gray channel of raw samples without colormap.
bool plain_8bit_gray(const RstHeader& h) {
  return h.bits_per_sample == 8 && h.samples_per_pixel == 1 && h.data_form == RstDataForm::raw && !h.colormap;
}

// The share k/16 of e, its magnitude rounded half up, with e's sign.
inline int32_t share(int32_t k, int32_t e) { return e >= 0 ? (k * e + 8) >> 4 : -((k * -e + 8) >> 4); }

}  // namespace

// --- error diffusion ---

RstConvertBits8To1ED::~RstConvertBits8To1ED() { rst_free(input_); }

void RstConvertBits8To1ED::header(RstHeader& h) {
  RstProcess::header(h);
  h.bits_per_sample = 1;
}

bool RstConvertBits8To1ED::initiate() {
  RstHeader h(source());
  width_ = h.width;
  height_ = h.height;
  // Room for the width's samples even if the source's lines are shorter.
  int size = source()->line_size();
  if (size < width_) size = width_;
  input_ = static_cast<uint8_t*>(rst_malloc(size_t(size > 0 ? size : 1)));
  if (!input_) {
    rst_report(RstCode::no_memory, "RstConvertBits8To1ED::initiate()");
    return false;
  }
  return true;
}

void RstConvertBits8To1ED::reset() {
  source()->reset();
  line_count_ = 0;
}

RstRead* RstConvertBits8To1EDType1::create(RstRead* source) {
  const char* where = "RstConvertBits8To1EDType1::create()";
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  RstHeader h(source);
  if (h.bits_per_sample == 1) return rst_create_end(source, guard);
  if (!plain_8bit_gray(h)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<RstConvertBits8To1EDType1>(source), guard);
}

RstConvertBits8To1EDType1::~RstConvertBits8To1EDType1() {
  rst_free(current_);
  rst_free(next_);
}

bool RstConvertBits8To1EDType1::initiate() {
  if (!RstConvertBits8To1ED::initiate()) return false;
  size_t bytes = (size_t(width_ > 0 ? width_ : 0) + 2) * sizeof(int32_t);
  current_ = static_cast<int32_t*>(rst_calloc(bytes));
  if (current_) next_ = static_cast<int32_t*>(rst_calloc(bytes));
  if (!next_) {
    rst_report(RstCode::no_memory, "RstConvertBits8To1EDType1::initiate()");
    return false;
  }
  return true;
}

void RstConvertBits8To1EDType1::reset() {
  RstConvertBits8To1ED::reset();
  size_t bytes = (size_t(width_) + 2) * sizeof(int32_t);
  std::memset(current_, 0, bytes);
  std::memset(next_, 0, bytes);
}

int RstConvertBits8To1EDType1::read(uint8_t* line) {
  if (++line_count_ > uint32_t(height_)) {
    line_count_ = uint32_t(height_) + 1;  // stays past the end
    return 0;
  }
  int size = source()->line_size();
  if (source()->read(input_) != size) return 0;
  const int out_bytes = (width_ + 7) >> 3;
  std::memset(line, 0, size_t(out_bytes));
  int32_t* cur = current_;
  int32_t* nxt = next_;
  for (int32_t x = 0; x < width_; ++x) {
    int32_t v = int32_t(input_[x]) + cur[x + 1];
    int32_t e = v;
    if (v >= 128) {
      line[x >> 3] |= uint8_t(0x80u >> (x & 7));
      e = v - 255;
    }
    int32_t s7 = share(7, e), s3 = share(3, e), s5 = share(5, e);
    cur[x + 2] += s7;
    nxt[x] += s3;
    nxt[x + 1] += s5;
    nxt[x + 2] += e - s7 - s3 - s5;
  }
  std::memset(cur, 0, (size_t(width_) + 2) * sizeof(int32_t));
  std::swap(current_, next_);
  return out_bytes;
}

// --- fixed threshold to 1 bit ---

RstRead* RstConvertBits8To1Threshold::create(RstRead* source, uint8_t threshold) {
  const char* where = "RstConvertBits8To1Threshold::create()";
  if (!source || threshold == 255) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  RstHeader h(source);
  if (h.bits_per_sample == 1) return rst_create_end(source, guard);
  if (!plain_8bit_gray(h) || h.sample_kind != RstSampleKind::unsigned_int) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<RstConvertBits8To1Threshold>(source, threshold), guard);
}

RstConvertBits8To1Threshold::~RstConvertBits8To1Threshold() { rst_free(input_); }

void RstConvertBits8To1Threshold::header(RstHeader& h) {
  RstProcess::header(h);
  h.bits_per_sample = 1;
}

bool RstConvertBits8To1Threshold::initiate() {
  RstHeader h(source());
  output_bytes_ = uint32_t((int64_t(h.samples_per_pixel) * h.width + 7) >> 3);
  source_size_ = source()->line_size();
  // The source line must fit in front of the zero tail.
  size_t bytes = size_t(output_bytes_) * 8;
  if (source_size_ < 0 || size_t(source_size_) > bytes) {
    rst_report(RstCode::bad_argument, "RstConvertBits8To1Threshold::initiate()");
    return false;
  }
  input_ = static_cast<uint8_t*>(rst_malloc(bytes > 0 ? bytes : 1));
  if (!input_) {
    rst_report(RstCode::no_memory, "RstConvertBits8To1Threshold::initiate()");
    return false;
  }
  if (bytes >= 8) std::memset(input_ + bytes - 8, 0, 8);
  return true;
}

int RstConvertBits8To1Threshold::read(uint8_t* line) {
  if (source()->read(input_) != source_size_) return 0;
  const uint8_t t = threshold_;
  const uint8_t* in = input_;
  // Eight samples make one byte; the zero tail never passes the threshold.
  for (uint32_t b = 0; b < output_bytes_; ++b, in += 8) {
    uint32_t v = uint32_t(in[0] > t) << 7 | uint32_t(in[1] > t) << 6 | uint32_t(in[2] > t) << 5 |
                 uint32_t(in[3] > t) << 4 | uint32_t(in[4] > t) << 3 | uint32_t(in[5] > t) << 2 |
                 uint32_t(in[6] > t) << 1 | uint32_t(in[7] > t);
    line[b] = uint8_t(v);
  }
  return int(output_bytes_);
}

// --- two levels, 8 bits ---

RstRead* RstReduceTone256To2Threshold::create(RstRead* source, uint8_t threshold, uint8_t low, uint8_t high) {
  const char* where = "RstReduceTone256To2Threshold::create()";
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  RstHeader h(source);
  // Lines are read straight into the caller's line: they must be its size.
  if (!plain_8bit_gray(h) || source->line_size() != h.width) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<RstReduceTone256To2Threshold>(source, threshold, low, high), guard);
}

RstReduceTone256To2Threshold::RstReduceTone256To2Threshold(RstRead* source, uint8_t threshold, uint8_t low,
                                                           uint8_t high)
    : RstProcess(source), threshold_(threshold), low_(low), high_(high) {
  for (int s = 0; s < 256; ++s) map_[s] = s > threshold_ ? high_ : low_;
}

bool RstReduceTone256To2Threshold::initiate() {
  RstHeader h(source());
  line_bytes_ = uint32_t(int64_t(h.width) * h.samples_per_pixel);
  return true;
}

int RstReduceTone256To2Threshold::read(uint8_t* line) {
  if (source()->read(line) != int(line_bytes_)) return 0;
  for (uint32_t i = 0; i < line_bytes_; ++i) line[i] = map_[line[i]];
  return int(line_bytes_);
}
