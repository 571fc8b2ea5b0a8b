// The 1-to-8 and 4-to-8 bit expansions.
#include "raster/color/rst_convert_bits.h"

#include <bit>
#include <climits>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

namespace {

// Samples of one line (= output bytes), in 64 bits; -1 when the header gives
// no line of at most 2^31 - 1 bytes.
int64_t output_line_bytes(const RstHeader& h) {
  if (h.width < 0 || h.samples_per_pixel < 0) return -1;
  int64_t n = int64_t(h.width) * h.samples_per_pixel;
  return n <= INT32_MAX ? n : -1;
}

int line_size_of(RstRoot* node) {
  RstHeader h(node);
  int64_t n = output_line_bytes(h);
  return n < 0 ? 0 : int(n);
}

// A buffer for one source line, never shorter than the packed samples the
// expansion reads, whatever the source's line size says.
uint8_t* alloc_line(int32_t source_line_size, int64_t needed) {
  int64_t size = source_line_size > needed ? source_line_size : needed;
  return static_cast<uint8_t*>(rst_malloc(size_t(size > 0 ? size : 1)));
}

}  // namespace

RstRead* RstConvertBits1To8::create(RstRead* source, uint8_t zero, uint8_t one) {
  const char* where = "RstConvertBits1To8::create()";
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.bits_per_sample == 8) return source;
  if (h.colormap && (zero > 1 || one > 1)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (h.bits_per_sample != 1 || h.sample_kind != RstSampleKind::unsigned_int || h.data_form != RstDataForm::raw ||
      output_line_bytes(h) < 0) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstConvertBits1To8>(source, zero, one), guard);
}

RstConvertBits1To8::RstConvertBits1To8(RstRead* source, uint8_t zero, uint8_t one)
    : RstProcess(source), zero_(zero), one_(one) {}

RstConvertBits1To8::~RstConvertBits1To8() {
  rst_free(line_buffer_);
  rst_free(table_);
}

void RstConvertBits1To8::header(RstHeader& h) {
  RstProcess::header(h);
  h.bits_per_sample = 8;
}

int RstConvertBits1To8::line_size() { return line_size_of(this); }

bool RstConvertBits1To8::initiate() {
  const char* where = "RstConvertBits1To8::initiate()";
  RstHeader h(source());
  samples_per_line_ = uint32_t(output_line_bytes(h));
  whole_bytes_ = samples_per_line_ >> 3;
  remaining_bits_ = samples_per_line_ & 7;
  source_line_size_ = source()->line_size();
  line_buffer_ = alloc_line(source_line_size_, (int64_t(samples_per_line_) + 7) >> 3);
  if (!line_buffer_) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  table_ = static_cast<uint8_t*>(rst_malloc(256 * 8));
  if (!table_) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  // The most significant bit of an input byte gives the first output byte.
  for (int v = 0; v < 256; ++v)
    for (int k = 0; k < 8; ++k) table_[8 * v + k] = (v >> (7 - k)) & 1 ? one_ : zero_;
  return true;
}

int RstConvertBits1To8::read(uint8_t* line) {
  if (source()->read(line_buffer_) != source_line_size_) return 0;
  const uint8_t* in = line_buffer_;
  const uint8_t* table = table_;
  uint8_t* out = line;
  for (uint32_t i = 0; i < whole_bytes_; ++i, out += 8) std::memcpy(out, table + 8 * size_t(in[i]), 8);
  if (remaining_bits_ > 0) std::memcpy(out, table + 8 * size_t(in[whole_bytes_]), remaining_bits_);
  return int(samples_per_line_);
}

RstRead* RstConvertBits4To8NoRangeConversion::create(RstRead* source) {
  const char* where = "RstConvertBits4To8NoRangeConversion::create()";
  RstCreateGuard guard(source);
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.bits_per_sample != 4 || h.sample_kind != RstSampleKind::unsigned_int || h.data_form != RstDataForm::raw ||
      output_line_bytes(h) < 0) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<RstConvertBits4To8NoRangeConversion>(source), guard);
}

RstConvertBits4To8NoRangeConversion::~RstConvertBits4To8NoRangeConversion() { rst_free(line_buffer_); }

void RstConvertBits4To8NoRangeConversion::header(RstHeader& h) {
  RstProcess::header(h);
  h.bits_per_sample = 8;
}

int RstConvertBits4To8NoRangeConversion::line_size() { return line_size_of(this); }

bool RstConvertBits4To8NoRangeConversion::initiate() {
  RstHeader h(source());
  samples_per_line_ = uint32_t(output_line_bytes(h));
  whole_bytes_ = samples_per_line_ >> 1;
  odd_ = samples_per_line_ & 1;
  source_line_size_ = source()->line_size();
  line_buffer_ = alloc_line(source_line_size_, (int64_t(samples_per_line_) + 1) >> 1);
  if (!line_buffer_) {
    rst_report(RstCode::no_memory, "RstConvertBits4To8NoRangeConversion::initiate()");
    return false;
  }
  return true;
}

int RstConvertBits4To8NoRangeConversion::read(uint8_t* line) {
  if (source()->read(line_buffer_) != source_line_size_) return 0;
  const uint8_t* in = line_buffer_;
  uint8_t* out = line;
  uint32_t i = 0;
  // The high nibble is the first sample. Four input bytes at a time: each
  // byte is spread to a 16-bit lane, then its nibbles are split with shifts.
  if constexpr (std::endian::native == std::endian::little) {
    for (; i + 4 <= whole_bytes_; i += 4, out += 8) {
      uint32_t x;
      std::memcpy(&x, in + i, 4);
      uint64_t t = x;
      t = (t | (t << 16)) & 0x0000FFFF0000FFFFu;
      t = (t | (t << 8)) & 0x00FF00FF00FF00FFu;
      uint64_t pairs = ((t >> 4) & 0x000F000F000F000Fu) | ((t & 0x000F000F000F000Fu) << 8);
      std::memcpy(out, &pairs, 8);
    }
  }
  for (; i < whole_bytes_; ++i, out += 2) {
    uint8_t b = in[i];
    out[0] = uint8_t(b >> 4);
    out[1] = uint8_t(b & 0x0F);
  }
  if (odd_) out[0] = uint8_t(in[whole_bytes_] >> 4);
  return int(samples_per_line_);
}
