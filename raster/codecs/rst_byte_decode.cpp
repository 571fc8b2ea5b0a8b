// Sun raster byte decoding.
#include "raster/codecs/rst_byte_decode.h"

#include <climits>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

RstByteDecode* RstByteDecode::create(RstRead* source) {
  RstCreateGuard guard(source);
  if (!source) {
    rst_report(RstCode::bad_argument, "RstByteDecode::create()");
    return nullptr;
  }
  RstHeader h(source);
  int64_t bits = int64_t(h.width) * h.samples_per_pixel * h.bits_per_sample;
  if (h.data_form != RstDataForm::byte_encode || bits < 0 || (bits + 7) / 8 > INT_MAX || h.height < 0) {
    rst_report(RstCode::unsupported_form, "RstByteDecode::create()");
    return nullptr;
  }
  return rst_create_end(rst_new<RstByteDecode>(source, static_cast<int32_t>((bits + 7) / 8), h.height), guard);
}

RstByteDecode::RstByteDecode(RstRead* source, int32_t line_bytes, int32_t height)
    : RstProcess(source), line_bytes_(line_bytes), pad_(line_bytes % 2 != 0), height_(height), code_(source) {}

void RstByteDecode::header(RstHeader& h) {
  RstProcess::header(h);
  h.data_form = RstDataForm::raw;
}

void RstByteDecode::reset() {
  source()->reset();
  line_counter_ = 0;
  run_left_ = 0;
  run_value_ = 0;
  code_.clear();
}

bool RstByteDecode::take_run() {
  int32_t x = code_.take_byte();
  if (x < 0) {
    run_value_ = -1;
    return false;
  }
  if (x != 0x80) {
    run_value_ = static_cast<int16_t>(x);
    run_left_ = 1;
    return true;
  }
  int32_t c = code_.take_byte();
  if (c < 0) {
    run_value_ = -1;
    return false;
  }
  if (c == 0) {
    run_value_ = 0x80;
    run_left_ = 1;
    return true;
  }
  int32_t v = code_.take_byte();
  if (v < 0) {
    run_value_ = -1;
    return false;
  }
  run_value_ = static_cast<int16_t>(v);
  run_left_ = c + 1;
  return true;
}

int RstByteDecode::read(uint8_t* line) {
  // Exactly height lines.
  if (line_counter_ >= height_) return 0;
  ++line_counter_;
  int32_t produced = 0;
  while (produced < line_bytes_) {
    if (run_left_ == 0 && !take_run()) {
      rst_report(RstCode::unsupported_form, "RstByteDecode::read()");
      return produced;
    }
    int32_t n = run_left_ < line_bytes_ - produced ? run_left_ : line_bytes_ - produced;
    std::memset(line + produced, run_value_, static_cast<size_t>(n));
    produced += n;
    run_left_ -= n;
  }
  if (pad_) {
    if (run_left_ == 0 && !take_run()) {
      rst_report(RstCode::unsupported_form, "RstByteDecode::read()");
      return line_bytes_;
    }
    --run_left_;
  }
  return line_bytes_;
}
