// Raw line readers: lines at a fixed stride, top-down or bottom-up, and lines
// of 16-bit values in a chosen byte order.
#include "raster/core/rst_read_raw.h"

#include <cstring>
#include <limits>

#include "raster/core/data_input.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_status_context.h"

namespace {

constexpr int64_t kMaxBytes = std::numeric_limits<int32_t>::max();
// Top-down readers buffer the largest whole number of strides within this.
constexpr int32_t kBufferBytes = 8192;

int64_t raw_line_bytes(const RstHeader& h) {
  return (int64_t{h.width} * h.bits_per_sample * h.samples_per_pixel + 7) >> 3;
}

int32_t buffer_for(int32_t stride, bool bottom_up) {
  if (bottom_up) return stride;
  return stride * (kBufferBytes / stride);
}

}  // namespace

RstReadRaw::RstReadRaw(InputStorage* storage, const RstHeader& header, int32_t stride, bool bottom_up, bool bit_reverse)
    : RstReadData(storage, header, bit_reverse, buffer_for(stride, bottom_up)),
      stride_(stride),
      line_size_(static_cast<int32_t>(raw_line_bytes(header))),
      gap_(bottom_up ? int64_t{-stride} - line_size_ : int64_t{stride} - line_size_),
      bottom_up_(bottom_up) {}

bool RstReadRaw::check(InputStorage* storage, const RstHeader& header, int32_t stride, const char* where) {
  // Every stored line must be addressable by a 32-bit position.
  bool sizes_ok = header.width >= 0 && header.height >= 0 && header.bits_per_sample >= 0 &&
                  header.samples_per_pixel >= 0 && raw_line_bytes(header) <= kMaxBytes &&
                  int64_t{stride} * header.height <= kMaxBytes;
  if (!storage || stride <= 0 || !sizes_ok) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  return true;
}

RstReadRaw* RstReadRaw::create(InputStorage* storage, const RstHeader& header, int32_t stride, bool bottom_up,
                               bool bit_reverse) {
  if (!check(storage, header, stride, "RstReadCode::create()")) return nullptr;
  RstOwner<RstReadRaw> owner(rst_new<RstReadRaw>(storage, header, stride, bottom_up, bit_reverse));
  return rst_create_end(owner);
}

bool RstReadRaw::initiate() {
  if (!RstReadData::initiate()) return false;
  return my_reset();
}

bool RstReadRaw::my_reset() {
  lines_left_ = stored_header().height;
  if (!input()->rewind()) {
    rst_report(RstCode::io_failure, "RstReadRaw::my_reset() - cannot seek.");
    return false;
  }
  return true;
}

bool RstReadRaw::seek_line(int32_t k) {
  // k x stride stays below 2^31 (checked at create).
  int32_t position = k * stride_;
  return input()->seek(position) == position;
}

int RstReadRaw::read_raw_line(uint8_t* line) { return input()->read(line, line_size_); }

int RstReadRaw::read(uint8_t* line) {
  if (lines_left_ <= 0) return 0;
  int32_t height = stored_header().height;
  int32_t k = bottom_up_ ? lines_left_ - 1 : height - lines_left_;
  if (!seek_line(k)) rst_report(RstCode::end_of_input, "RstReadRaw::read() - can't seek. maybe found EOF");
  // Missing data is a warning: the line is delivered, its rest unchanged.
  if (read_raw_line(line) < line_size_)
    rst_report(RstCode::end_of_input, "RstReadRaw::read() - can't read. maybe found EOF");
  --lines_left_;
  return line_size_;
}

int RstReadRaw::skip(int n) {
  if (n <= 0 || lines_left_ <= 0) return 0;
  int32_t height = stored_header().height;
  int32_t k = bottom_up_ ? lines_left_ - 1 : height - lines_left_;
  if (!seek_line(k)) rst_report(RstCode::end_of_input, "RstReadRaw::skip() - can't seek. maybe found EOF");
  int count = 0;
  while (count < n && lines_left_ > 0) {
    // The image's last line to deliver has no next stored line to move to
    // (bottom-up it is stored first): it is passed without a move.
    if (lines_left_ > 1) {
      int32_t step = static_cast<int32_t>(line_size_ + gap_);
      int32_t moved = input()->move(step);
      if (moved != step) {
        rst_report(RstCode::end_of_input, "RstReadRaw::skip() - can't seek");
        if (bottom_up_ ? moved >= 0 : moved <= 0) return count;
        --lines_left_;
        return count + 1;
      }
    }
    --lines_left_;
    ++count;
  }
  return count;
}

RstReadRawDepth16::RstReadRawDepth16(InputStorage* storage, const RstHeader& header, int32_t stride, int32_t byte_order,
                                     bool bottom_up, bool bit_reverse)
    : RstReadRaw(storage, header, stride, bottom_up, bit_reverse), byte_order_(byte_order) {
  line_size_ = header.width * 2;
  gap_ = (bottom_up ? int64_t{-stride} : int64_t{stride}) - line_size_;
}

RstReadRawDepth16* RstReadRawDepth16::create(InputStorage* storage, const RstHeader& header, int32_t stride,
                                             int32_t byte_order, bool bottom_up, bool bit_reverse) {
  if (!check(storage, header, stride, "RstReadCode::create()")) return nullptr;
  if (int64_t{header.width} * 2 > kMaxBytes) {
    rst_report(RstCode::bad_argument, "RstReadCode::create()");
    return nullptr;
  }
  RstOwner<RstReadRawDepth16> owner(
      rst_new<RstReadRawDepth16>(storage, header, stride, byte_order, bottom_up, bit_reverse));
  return rst_create_end(owner);
}

int RstReadRawDepth16::read_raw_line(uint8_t* line) {
  DataInput<> data(input(), byte_order_);
  int32_t width = stored_header().width;
  for (int32_t i = 0; i < width; ++i) {
    uint16_t value = 0;
    if (!data.read_value(&value, 2)) return 2 * i;
    std::memcpy(line + 2 * i, &value, 2);
  }
  return 2 * width;
}
