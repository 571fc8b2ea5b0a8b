// 32-bit thresholds: packed bits from raw values, run pairs from valued runs.
#include "raster/mrc/rst_convert_bits32_to1.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

RstConvertBits32To1ThresholdCommon::RstConvertBits32To1ThresholdCommon(RstRead* source, uint32_t threshold,
                                                                       RstColorType* color_type)
    : RstProcess(source), threshold_(threshold), color_type_(color_type) {}

bool RstConvertBits32To1ThresholdCommon::accepts(RstRead* source, int32_t data_form, const char* where) {
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  RstHeader h(source);
  if (h.bits_per_sample != 32 || h.samples_per_pixel != 1 || h.sample_kind != RstSampleKind::unsigned_int ||
      h.colormap || h.data_form != data_form || h.width < 0 || h.height < 0) {
    rst_report(RstCode::unsupported_form, where);
    return false;
  }
  return true;
}

void RstConvertBits32To1ThresholdCommon::header(RstHeader& h) {
  RstProcess::header(h);
  h.bits_per_sample = 1;
  h.color_type = color_type_;
}

// --- raw ---

RstConvertBits32To1Threshold* RstConvertBits32To1Threshold::create(RstRead* source, uint32_t threshold,
                                                                   RstColorType* color_type) {
  if (!accepts(source, RstDataForm::raw, "RstConvertBits32To1Threshold::create()")) return nullptr;
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstConvertBits32To1Threshold>(source, threshold, color_type), guard);
}

RstConvertBits32To1Threshold::~RstConvertBits32To1Threshold() { rst_free(values_); }

void RstConvertBits32To1Threshold::header(RstHeader& h) {
  RstConvertBits32To1ThresholdCommon::header(h);
  h.data_form = RstDataForm::raw;
}

bool RstConvertBits32To1Threshold::initiate() {
  RstHeader h(source());
  width_ = h.width;
  line_size_ = (width_ + 7) / 8;
  source_line_size_ = source()->line_size();
  // The last group of 8 is cleared so that positions past the width read 0;
  // the buffer also holds a whole source line when the source states more.
  size_t padded = (size_t(width_) + 7) / 8 * 8;
  size_t bytes = padded * 4;
  if (size_t(source_line_size_ > 0 ? source_line_size_ : 0) > bytes) bytes = size_t(source_line_size_);
  values_ = static_cast<uint32_t*>(rst_malloc((bytes + 3) / 4 * 4 + 4));
  if (!values_) {
    rst_report(RstCode::no_memory, "RstConvertBits32To1Threshold::initiate()");
    return false;
  }
  if (padded >= 8) std::memset(values_ + padded - 8, 0, 8 * sizeof(uint32_t));
  return true;
}

int RstConvertBits32To1Threshold::read(uint8_t* line) {
  int n = source()->read(reinterpret_cast<uint8_t*>(values_));
  if (n != source_line_size_ || n < width_ * 4) return 0;
  const uint32_t* v = values_;
  const uint32_t t = threshold_;
  for (int32_t i = 0; i < line_size_; ++i, v += 8) {
    line[i] = uint8_t((v[0] > t) << 7 | (v[1] > t) << 6 | (v[2] > t) << 5 | (v[3] > t) << 4 | (v[4] > t) << 3 |
                      (v[5] > t) << 2 | (v[6] > t) << 1 | (v[7] > t));
  }
  // A last partial group keeps the values of the previous line past the width.
  if (width_ % 8) line[line_size_ - 1] &= uint8_t(0xFF00 >> (width_ % 8));
  return line_size_;
}

// --- run lines ---

RstConvertBits32To1ThresholdRLE* RstConvertBits32To1ThresholdRLE::create(RstRead* source, uint32_t threshold,
                                                                         RstColorType* color_type) {
  if (!accepts(source, RstDataForm::rle_n, "RstConvertBits32To1ThresholdRLE::create()")) return nullptr;
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstConvertBits32To1ThresholdRLE>(source, threshold, color_type), guard);
}

RstConvertBits32To1ThresholdRLE::~RstConvertBits32To1ThresholdRLE() { rst_free(records_); }

void RstConvertBits32To1ThresholdRLE::header(RstHeader& h) {
  RstConvertBits32To1ThresholdCommon::header(h);
  h.data_form = RstDataForm::rle;
}

bool RstConvertBits32To1ThresholdRLE::initiate() {
  RstHeader h(source());
  max_runs_ = (h.width + 1) / 2;
  line_size_ = max_runs_ * 8 + 8;
  source_line_size_ = source()->line_size();
  records_ = static_cast<uint8_t*>(rst_malloc(size_t(source_line_size_ > 12 ? source_line_size_ : 12)));
  if (!records_) {
    rst_report(RstCode::no_memory, "RstConvertBits32To1ThresholdRLE::initiate()");
    return false;
  }
  return true;
}

int RstConvertBits32To1ThresholdRLE::read(uint8_t* line) {
  int n = source()->read(records_);
  if (n <= 0) return 0;
  int32_t pairs = 0;
  int32_t count = n / 12;
  for (int32_t k = 0; k < count; ++k) {
    int32_t r[3];
    std::memcpy(r, records_ + size_t(k) * 12, 12);
    if (r[1] == -1) break;
    if (uint32_t(r[0]) <= threshold_) continue;
    // A width's worth of runs fills the line: more can only come from a
    // malformed source line, and would not fit the caller's buffer.
    if (pairs == max_runs_) break;
    int32_t pair[2] = {r[1], r[2]};
    std::memcpy(line + size_t(pairs) * 8, pair, 8);
    ++pairs;
  }
  const int32_t end[2] = {-1, -1};
  std::memcpy(line + size_t(pairs) * 8, end, 8);
  return 8 * (pairs + 1);
}
