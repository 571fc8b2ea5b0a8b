// Raw line writer: lines at a fixed stride, top-down or bottom-up.
#include "raster/core/rst_write_raw.h"

#include <algorithm>
#include <limits>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_code_source.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

namespace {
constexpr int32_t kBufferBytes = 8192;

int32_t buffer_for(int32_t stride, bool bottom_up) {
  if (stride <= 0) return 0;
  if (bottom_up) return stride;
  return stride * (kBufferBytes / stride);
}
}  // namespace

RstWriteRaw::RstWriteRaw(RstRead* source, OutputStorage* target, int32_t stride, bool bottom_up, bool bit_reverse)
    : RstWriteData(source, target, bit_reverse, buffer_for(stride, bottom_up)),
      stride_(stride),
      bottom_up_(bottom_up) {}

bool RstWriteRaw::check_source(RstRead* source, int32_t stride, const char* where) {
  RstHeader h(source);
  if (h.data_form != 0) {
    rst_report(RstCode::unsupported_form, where);
    return false;
  }
  // A stride shorter than the line would cut every line; every stored line
  // must be addressable by a 32-bit position.
  int64_t line = (int64_t{h.width} * h.bits_per_sample * h.samples_per_pixel + 7) >> 3;
  if (h.width < 0 || h.height < 0 || line < 0 || stride < line ||
      int64_t{stride} * h.height > std::numeric_limits<int32_t>::max()) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  return true;
}

RstWriteRaw* RstWriteRaw::create(RstRead* source, OutputStorage* target, int32_t stride, bool bottom_up,
                                 bool bit_reverse) {
  RstCreateGuard guard(source);
  const char* where = "RstWriteRaw::create()";
  if (dynamic_cast<RstCodeSource*>(source)) {
    rst_report(RstCode::unsupported_operation, where);
    return nullptr;
  }
  if (!source || !target || target->is_closed() || stride <= 0) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (!check_source(source, stride, where)) return nullptr;
  return rst_create_end(rst_new<RstWriteRaw>(source, target, stride, bottom_up, bit_reverse), guard);
}

bool RstWriteRaw::initiate() {
  if (!RstWriteData::initiate()) return false;
  // Zeroed once: the bytes past a line up to the stride stay zero.
  if (!make_line_buffer(std::max<int64_t>(stride_, source()->line_size()))) {
    rst_report(RstCode::no_memory, "RstWriteRaw::initiate()");
    return false;
  }
  RstHeader h(source());
  lines_left_ = h.height;
  if (bottom_up_) {
    gap_ = -2 * int64_t{stride_};
    // The image's last line is stored first; storages that can grow fill the
    // bytes passed over with zeros.
    if (h.height > 1) output()->skip(stride_ * (h.height - 1));
  } else {
    gap_ = 0;
  }
  return true;
}

int RstWriteRaw::write() {
  if (released() || lines_left_ <= 0) return 0;
  --lines_left_;
  if (source()->read(line_buffer()) == 0) return 0;
  int32_t written = output()->write(line_buffer(), stride_);
  if (written < stride_) {
    set_status(RstCode::io_failure);
    rst_report(RstCode::io_failure, "RstWriteRaw::write() - can't write.");
    if (status() < 1) return 0;
  }
  if (lines_left_ == 0 || gap_ == 0) return written;
  // gap_ is -2 x stride, within 32 bits when two lines remain to be stored.
  int32_t gap = static_cast<int32_t>(gap_);
  int32_t moved = output()->move(gap);
  if (moved == gap) return written;
  int32_t rest = gap - moved;
  if (rest <= 0 || output()->skip(rest) < rest) {
    set_status(RstCode::seek_failure);
    rst_report(RstCode::seek_failure, "RstWriteRaw::write() - can't seek.");
    if (status() < 1) return 0;
  }
  return written;
}
