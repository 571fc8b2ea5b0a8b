// Column clips of raw lines.
#include "raster/geometry/rst_clip_width.h"

#include <cstring>

#include "raster/codecs/rst_rle_line.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

namespace {

enum class Variant { any, bs, is };

// The checks shared by the creates; null after a report, or the source itself
// (whole line) with `whole` set.
bool check_clip(RstRead* source, int32_t x, uint32_t& w, const char* where, bool& whole) {
  whole = false;
  if (!source || w == 0 || x < 0) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  RstHeader h(source);
  int32_t width = h.width < 0 ? 0 : h.width;
  if (x == 0 && w >= uint32_t(width)) {
    whole = true;
    return true;
  }
  if (x >= width) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  // Lowered without forming x + w, which could wrap.
  if (w > uint32_t(width - x)) w = uint32_t(width - x);
  return true;
}

RstRead* create_raw(RstRead* source, int32_t x, uint32_t w, const char* where, Variant v) {
  bool whole = false;
  if (!check_clip(source, x, w, where, whole)) return nullptr;
  if (whole) return source;
  RstHeader h(source);
  if (v == Variant::any && h.data_form == RstDataForm::rle) return RstClipWidthRLE::create(source, x, w);
  if (h.data_form != RstDataForm::raw) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  bool bilevel = h.bits_per_sample == 1 && h.samples_per_pixel == 1;
  bool bytes = h.bits_per_sample == 8 || h.bits_per_sample == 16 || h.bits_per_sample == 24 || h.bits_per_sample == 32;
  bool shifted = bilevel && (x & 7) != 0;
  if (v == Variant::any && !bilevel && !bytes) {
    rst_report(RstCode::unsupported_option, where);
    return nullptr;
  }
  if ((v == Variant::bs && !(bytes || (bilevel && !shifted))) || (v == Variant::is && !shifted)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  if (shifted) return rst_create_end_node_or_drop(rst_new<RstClipWidthIS>(source, uint32_t(x), w), guard);
  return rst_create_end_node_or_drop(rst_new<RstClipWidthBS>(source, uint32_t(x), w), guard);
}

}  // namespace

RstRead* RstClipWidth::create(RstRead* source, int32_t x, uint32_t w) {
  return create_raw(source, x, w, "RstClipWidth::create()", Variant::any);
}

RstRead* RstClipWidthBS::create(RstRead* source, int32_t x, uint32_t w) {
  return create_raw(source, x, w, "RstClipWidthBS::create()", Variant::bs);
}

RstRead* RstClipWidthIS::create(RstRead* source, int32_t x, uint32_t w) {
  return create_raw(source, x, w, "RstClipWidthIS::create()", Variant::is);
}

RstClipWidth::RstClipWidth(RstRead* source, uint32_t x, uint32_t w) : RstProcess(source), w_(w) {
  RstHeader h(source);
  uint64_t bits = uint64_t(h.bits_per_sample) * uint64_t(h.samples_per_pixel);
  if (bits == 1) {
    byte_offset_ = x >> 3;
    byte_count_ = (w + 7) >> 3;
    if (w & 7) mask_ = uint8_t(0xFF << (8 - (w & 7)));
  } else {
    byte_offset_ = uint32_t((bits * x) >> 3);
    byte_count_ = uint32_t((bits * w) >> 3);
  }
  input_size_ = source->line_size();
}

RstClipWidth::~RstClipWidth() { rst_free(input_); }

void RstClipWidth::header(RstHeader& h) {
  RstProcess::header(h);
  h.width = int32_t(w_);
}

bool RstClipWidth::initiate() {
  input_ = static_cast<uint8_t*>(rst_malloc(size_t(input_size_ > 0 ? input_size_ : 1)));
  if (!input_) {
    rst_report(RstCode::no_memory, "RstClipWidth::initiate()");
    return false;
  }
  return true;
}

bool RstClipWidth::read_input() {
  int n = source()->read(input_);
  return n > 0 && n == input_size_ && byte_offset_ + byte_count_ <= uint32_t(input_size_);
}

int RstClipWidthBS::read(uint8_t* line) {
  if (!read_input() || !byte_count_) return 0;
  std::memcpy(line, input_ + byte_offset_, byte_count_);
  line[byte_count_ - 1] &= mask_;
  return int(byte_count_);
}

int RstClipWidthIS::read(uint8_t* line) {
  if (!read_input() || !byte_count_) return 0;
  const uint8_t* p = input_ + byte_offset_;
  uint32_t c = byte_count_, s = shift_;
  for (uint32_t i = 0; i + 1 < c; ++i) line[i] = uint8_t((p[i] << s) | (p[i + 1] >> (8 - s)));
  uint8_t last = uint8_t(p[c - 1] << s);
  if (byte_offset_ + c < uint32_t(input_size_)) last = uint8_t(last | (p[c] >> (8 - s)));
  line[c - 1] = uint8_t(last & mask_);
  return int(c);
}

RstRead* RstClipWidthRLE::create(RstRead* source, int32_t x, uint32_t w) {
  const char* where = "RstClipWidthRLE::create()";
  bool whole = false;
  if (!check_clip(source, x, w, where, whole)) return nullptr;
  if (whole) return source;
  RstHeader h(source);
  if (h.bits_per_sample != 1 || h.samples_per_pixel != 1 || h.data_form != RstDataForm::rle) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstClipWidthRLE>(source, uint32_t(x), w), guard);
}

RstClipWidthRLECommon::~RstClipWidthRLECommon() { rst_free(input_); }

void RstClipWidthRLECommon::header(RstHeader& h) {
  RstProcess::header(h);
  h.width = last_ - x_ + 1;
}

bool RstClipWidthRLECommon::initiate() {
  RstHeader h(source());
  if (last_ > h.width - 1) last_ = h.width - 1;
  output_size_ = output_line_size();
  input_size_ = source()->line_size();
  if (input_size_ < 8) input_size_ = 8;
  input_ = static_cast<uint8_t*>(rst_malloc(size_t(input_size_)));
  if (!input_) {
    rst_report(RstCode::no_memory, "RstClipWidthRLECommon::initiate()");
    return false;
  }
  return true;
}

int32_t RstClipWidthRLE::output_line_size() { return ((last_ - x_ + 2) >> 1) * 8 + 8; }

int RstClipWidthRLE::read(uint8_t* line) {
  int n = source()->read(input_);
  if (n <= 0) return 0;
  int32_t pairs = (n < input_size_ ? n : input_size_) / 8;
  const int32_t* p = reinterpret_cast<const int32_t*>(input_);
  RstRLELine out(line, 0);
  int32_t next = x_;  // first kept column not covered yet
  for (int32_t k = 0; k < pairs; ++k, p += 2) {
    int32_t first = p[0], last = p[1];
    if (first == -1) break;
    if (first < next) first = next;
    if (last > last_) last = last_;
    if (first > last) continue;
    // Runs are merged once moved to the kept columns.
    out.append_merged(first - x_, last - x_);
    next = last + 1;
  }
  out.end_line();
  return out.byte_count;
}

template <typename T>
RstRead* RstClipWidthRLEN<T>::create(RstRead* source, int32_t x, uint32_t w) {
  const char* where = "RstClipWidthRLEN::create()";
  bool whole = false;
  if (!check_clip(source, x, w, where, whole)) return nullptr;
  if (whole) return source;
  RstHeader h(source);
  if (h.samples_per_pixel != 1 || h.data_form != RstDataForm::rle_n) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstClipWidthRLEN<T>>(source, uint32_t(x), w), guard);
}

template <typename T>
int RstClipWidthRLEN<T>::read(uint8_t* line) {
  int n = source()->read(input_);
  if (n <= 0) return 0;
  int32_t entries = (n < input_size_ ? n : input_size_) / 12;
  int32_t written = 0;
  int32_t next = x_;  // first kept column not covered yet
  for (int32_t k = 0; k < entries; ++k) {
    const uint8_t* e = input_ + 12 * k;
    T value;
    int32_t first, last;
    std::memcpy(&value, e, sizeof value);
    std::memcpy(&first, e + 4, 4);
    std::memcpy(&last, e + 8, 4);
    if (first == -1) break;
    if (first < next) first = next;
    if (last > last_) last = last_;
    if (first > last) continue;
    // The value alone in its slot, the spare bytes cleared.
    uint32_t slot = 0;
    std::memcpy(&slot, &value, sizeof value);
    const int32_t entry[3] = {int32_t(slot), first - x_, last - x_};
    std::memcpy(line + 12 * written++, entry, 12);
    next = last + 1;
  }
  const int32_t end[3] = {0, -1, -1};
  std::memcpy(line + 12 * written, end, 12);
  return 12 * (written + 1);
}

template class RstClipWidthRLEN<uint8_t>;
template class RstClipWidthRLEN<uint16_t>;
template class RstClipWidthRLEN<uint32_t>;
