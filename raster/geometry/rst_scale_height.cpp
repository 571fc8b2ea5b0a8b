// The height scaler base and nearest-line height scaling.
#include "raster/geometry/rst_scale_height.h"

#include <algorithm>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_scale_check.h"

namespace {
// Positions are 20.12 fixed point in 32 bits.
constexpr int64_t kMaxLines = int64_t(1) << 19;
}  // namespace

RstScaleHeight::RstScaleHeight(RstRead* source, int32_t height) : RstProcess(source) {
  output_height_ = uint32_t(height);
  if (source) {
    RstHeader h(source);
    source_height_ = uint32_t(h.height);
    line_size_ = uint32_t(source->line_size());
  }
}

RstScaleHeight::RstScaleHeight(RstRead* source, RstRational factor) : RstScaleHeight(source, int32_t(0)) {
  output_height_ = uint32_t(rst_scale_size(source_height_, factor));
}

void RstScaleHeight::header(RstHeader& h) {
  RstProcess::header(h);
  h.height = int32_t(output_height_);
}

void RstScaleHeight::reset() {
  source()->reset();
  consumed_ = 0;
  produced_ = 0;
  start();
}

RstScaleHeight0D::RstScaleHeight0D(RstRead* source, int32_t height, int start_from_top)
    : RstScaleHeight(source, height), start_from_top_(start_from_top ? 1 : 0) {
  RstScaleHeight0D::start();
}

void RstScaleHeight0D::start() {
  step_ = output_height_ ? int32_t((uint64_t(source_height_) << 12) / output_height_) : 0;
  position_ = start_from_top_ ? 0 : step_ / 2;
}

int RstScaleHeight0D::skip(int n) {
  int done = 0;
  while (done < n && count_line()) {
    position_ += step_;
    ++done;
  }
  return done;
}

bool RstScaleHeight0D::catch_up(uint32_t to) {
  if (to > consumed_) consumed_ += uint32_t(std::max(source()->skip(int(to - consumed_)), 0));
  return consumed_ >= to;
}

bool RstScaleHeight0D::check(RstRead* source, int32_t height, const char* where) {
  if (!source || height <= 0) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  RstHeader h(source);
  int32_t f = h.data_form;
  bool form_ok = f == RstDataForm::raw || f == RstDataForm::rle || f == RstDataForm::rle_n;
  bool size_ok = h.height >= 0 && h.height < kMaxLines && height < kMaxLines;
  bool step_ok = h.height <= 1 || (int64_t(h.height) << 12) / height > 0;
  if (!form_ok || !size_ok || !step_ok) {
    rst_report(RstCode::unsupported_form, where);
    return false;
  }
  return true;
}

RstRead* RstScaleHeight0D::create(RstRead* source, int32_t height, int start_from_top) {
  auto any_line_form = [](const RstHeader& h) {
    return h.data_form == RstDataForm::raw || h.data_form == RstDataForm::rle || h.data_form == RstDataForm::rle_n;
  };
  RstScaleVerdict verdict =
      rst_scale_check(source, height, RstScaleAxis::height, "RstScaleHeight0D::create()", any_line_form);
  if (verdict != RstScaleVerdict::build) return verdict == RstScaleVerdict::same ? source : nullptr;
  if (height > RstHeader(source).height) return RstScaleHeight0DE::create(source, height, start_from_top);
  return RstScaleHeight0DR::create(source, height, start_from_top);
}

RstScaleHeight0DE* RstScaleHeight0DE::create(RstRead* source, int32_t height, int start_from_top) {
  const char* where = "RstScaleHeight0DE::create()";
  if (!check(source, height, where)) return nullptr;
  if (height <= RstHeader(source).height) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstScaleHeight0DE>(source, height, start_from_top), guard);
}

RstScaleHeight0DE::~RstScaleHeight0DE() { rst_free(saved_); }

bool RstScaleHeight0DE::initiate() {
  saved_ = static_cast<uint8_t*>(rst_malloc(line_size_ ? line_size_ : 1));
  if (!saved_) {
    rst_report(RstCode::no_memory, "RstScaleHeight0DE::initiate()");
    return false;
  }
  return true;
}

int RstScaleHeight0DE::read(uint8_t* line) {
  if (!count_line()) return 0;
  uint32_t want = uint32_t(position_) >> 12;
  if (want < consumed_) {
    std::memcpy(line, saved_, size_t(saved_length_));
  } else {
    int n = catch_up(want) ? source()->read(line) : 0;
    if (n <= 0) {
      saved_length_ = 0;
      return 0;
    }
    // A source never hands out more than its line size; keep the copy inside.
    saved_length_ = uint32_t(n) <= line_size_ ? n : int32_t(line_size_);
    ++consumed_;
    if ((uint32_t(position_ + step_) >> 12) < consumed_) std::memcpy(saved_, line, size_t(saved_length_));
  }
  position_ += step_;
  return saved_length_;
}

RstScaleHeight0DR* RstScaleHeight0DR::create(RstRead* source, int32_t height, int start_from_top) {
  const char* where = "RstScaleHeight0DR::create()";
  if (!check(source, height, where)) return nullptr;
  if (height >= RstHeader(source).height) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstScaleHeight0DR>(source, height, start_from_top), guard);
}

int RstScaleHeight0DR::read(uint8_t* line) {
  if (!count_line()) return 0;
  // A line that could not be passed ends the scaled image rather than shift it.
  if (!catch_up(uint32_t(position_) >> 12)) return 0;
  int n = source()->read(line);
  if (n > 0) {
    ++consumed_;
    position_ += step_;
  }
  return n > 0 ? n : 0;
}
