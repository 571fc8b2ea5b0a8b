// Ring buffers of source lines for neighbourhood filters, with constant-fill
// and outline-copy borders.
#include "raster/core/rst_ring_buffer.h"

#include <cstring>
#include <limits>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

namespace {

const char* const kWhere = "RstRingBuffer::RstRingBuffer()";

// Sets count pixels from dst on to the pixel at src (samples bytes each);
// the common sample counts have loops of their own.
void repeat_pixel(uint8_t* dst, const uint8_t* src, int32_t count, int32_t samples) {
  switch (samples) {
    case 1: std::memset(dst, *src, static_cast<size_t>(count)); break;
    case 3: {
      uint8_t a = src[0], b = src[1], c = src[2];
      for (int32_t i = 0; i < count; ++i, dst += 3) {
        dst[0] = a;
        dst[1] = b;
        dst[2] = c;
      }
      break;
    }
    case 4: {
      uint32_t pixel;
      std::memcpy(&pixel, src, 4);
      for (int32_t i = 0; i < count; ++i, dst += 4) std::memcpy(dst, &pixel, 4);
      break;
    }
    default:
      for (int32_t i = 0; i < count; ++i, dst += samples)
        for (int32_t s = 0; s < samples; ++s) dst[s] = src[s];
      break;
  }
}

}  // namespace

RstRingBuffer::RstRingBuffer(RstRead* source, const RstWindow& window) : source_(source), window_(window) {
  if (!source) {
    rst_report(RstCode::bad_argument, kWhere);
    return;
  }
  RstHeader h(source);
  if (h.bits_per_sample != 8 || h.data_form != 0) {
    rst_report(RstCode::unsupported_form, kWhere);
    return;
  }
  // The anchor must lie inside the window, or source lines would not fit
  // their rows.
  bool window_ok = window.width >= 1 && window.height >= 1 && window.anchor_x >= 0 && window.anchor_x < window.width &&
                   window.anchor_y >= 0 && window.anchor_y < window.height;
  int64_t row = (int64_t{h.width} + window.width - 1) * h.samples_per_pixel;
  int64_t total = row * window.height;
  int64_t line = int64_t{h.width} * h.samples_per_pixel;
  if (!window_ok || h.width < 1 || h.height < 0 || h.samples_per_pixel < 1 ||
      total > std::numeric_limits<int32_t>::max() || source->line_size() != line) {
    rst_report(RstCode::bad_argument, kWhere);
    return;
  }
  width_ = h.width;
  height_ = h.height;
  samples_ = h.samples_per_pixel;
  row_bytes_ = static_cast<int32_t>(row);
  line_size_ = static_cast<int32_t>(line);
  lines_ = static_cast<uint8_t**>(rst_malloc(sizeof(uint8_t*) * static_cast<size_t>(window.height)));
  if (lines_) block_ = static_cast<uint8_t*>(rst_calloc(static_cast<size_t>(total)));
  if (!block_) {
    rst_free(lines_);
    lines_ = nullptr;
    rst_report(RstCode::no_memory, kWhere);
    return;
  }
  for (int32_t r = 0; r < window.height; ++r) lines_[r] = block_ + static_cast<size_t>(r) * row_bytes_;
}

RstRingBuffer::~RstRingBuffer() {
  rst_free(block_);
  rst_free(lines_);
}

bool RstRingBuffer::read_into(int32_t row) {
  int n = source_->read(lines_[row] + window_.anchor_x * samples_);
  if (n != line_size_) return false;
  ++lines_read_;
  return true;
}

void RstRingBuffer::rotate() {
  uint8_t* first = lines_[0];
  std::memmove(lines_, lines_ + 1, sizeof(uint8_t*) * static_cast<size_t>(window_.height - 1));
  lines_[window_.height - 1] = first;
}

// --- constant fill ---

RstRingBufferConstantFill::RstRingBufferConstantFill(RstRead* source, const RstWindow& window, const uint8_t* fill)
    : RstRingBuffer(source, window) {
  if (!valid()) return;
  fill_ = static_cast<uint8_t*>(rst_malloc(static_cast<size_t>(samples_)));
  if (!fill_) {
    // Without its pixel the ring cannot work: it is left without rows.
    rst_free(block_);
    rst_free(lines_);
    block_ = nullptr;
    lines_ = nullptr;
    rst_report(RstCode::no_memory, "RstRingBufferConstantFill::RstRingBufferConstantFill()");
    return;
  }
  if (fill) std::memcpy(fill_, fill, static_cast<size_t>(samples_));
  else std::memset(fill_, 0, static_cast<size_t>(samples_));
}

RstRingBufferConstantFill::~RstRingBufferConstantFill() { rst_free(fill_); }

void RstRingBufferConstantFill::fill_row(int32_t row) {
  repeat_pixel(lines_[row], fill_, row_bytes_ / samples_, samples_);
}

bool RstRingBufferConstantFill::advance() {
  if (!valid()) return false;
  int32_t last = window_.height - 1;
  if (lines_read_ == 0) {
    for (int32_t r = 0; r <= last; ++r) fill_row(r);
    for (int32_t r = window_.anchor_y; r <= last; ++r) {
      if (exhausted()) continue;  // stays filled
      if (!read_into(r)) return false;
    }
    return true;
  }
  rotate();
  if (exhausted()) {
    fill_row(last);
    return true;
  }
  // The row's borders still hold the fill pixel: reads never touch them.
  return read_into(last);
}

// --- outline copy ---

RstRingBufferOutlineCopy::RstRingBufferOutlineCopy(RstRead* source, const RstWindow& window)
    : RstRingBuffer(source, window) {}

void RstRingBufferOutlineCopy::extend_borders(int32_t row) {
  uint8_t* p = lines_[row];
  int32_t left = window_.anchor_x;
  int32_t right_start = window_.anchor_x + width_;
  int32_t right_count = window_.width - 1 - window_.anchor_x;
  if (left > 0) repeat_pixel(p, p + left * samples_, left, samples_);
  if (right_count > 0)
    repeat_pixel(p + right_start * samples_, p + (right_start - 1) * samples_, right_count, samples_);
}

bool RstRingBufferOutlineCopy::read_and_extend(int32_t row) {
  if (!read_into(row)) return false;
  extend_borders(row);
  return true;
}

bool RstRingBufferOutlineCopy::advance() {
  if (!valid()) return false;
  int32_t last = window_.height - 1;
  size_t bytes = static_cast<size_t>(row_bytes_);
  if (lines_read_ == 0) {
    if (!read_and_extend(0)) return false;
    for (int32_t r = 1; r <= window_.anchor_y; ++r) std::memcpy(lines_[r], lines_[0], bytes);
    for (int32_t r = window_.anchor_y + 1; r <= last; ++r) {
      if (exhausted()) std::memcpy(lines_[r], lines_[r - 1], bytes);
      else if (!read_and_extend(r)) return false;
    }
    return true;
  }
  rotate();
  if (exhausted()) {
    // A one-row window keeps its row: there is no row above to copy.
    if (last > 0) std::memcpy(lines_[last], lines_[last - 1], bytes);
    return true;
  }
  return read_and_extend(last);
}
