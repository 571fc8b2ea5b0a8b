// The bases of the binary pixel operation nodes and the way in by command.
#include "raster/geometry/rst_pixel_binary_operation.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_pixel_binary_command.h"

namespace {

// B's span [offset, offset + b_size) meets A's [0, a_size).
bool overlaps(int32_t offset, int32_t a_size, int32_t b_size) {
  if (offset < 0) return -int64_t(offset) < int64_t(uint32_t(b_size));
  return uint32_t(offset) < uint32_t(a_size);
}

}  // namespace

RstRead* RstPixelBinaryOperation::create(RstRead* a, RstRead* b, RstPixelBinaryOperationCommand& command, int32_t x,
                                         int32_t y) {
  RstCreateGuard guard(a, b);
  if (!a || !b) {
    rst_report(RstCode::bad_argument, "RstPixelBinaryOperation::create()");
    return nullptr;
  }
  RstHeader ha(a), hb(b);
  if (!overlaps(x, ha.width, hb.width) || !overlaps(y, ha.height, hb.height)) {
    // Nothing of A changes.
    b->end();
    return rst_create_end(a, guard);
  }
  return rst_create_end(command.create(a, b, x, y), guard);
}

RstPixelBinaryOperation::RstPixelBinaryOperation(const std::vector<RstRead*>& inputs) : RstCompose(inputs) {
  if (RstRead* a = input(0)) line_size_ = a->line_size();
  if (RstRead* b = input(1)) b_line_size_ = b->line_size();
}

RstPixelBinaryOperation::~RstPixelBinaryOperation() { rst_free(b_line_); }

void RstPixelBinaryOperation::header(RstHeader& h) { input(0)->header(h); }

bool RstPixelBinaryOperation::initiate() {
  b_line_ = static_cast<uint8_t*>(rst_malloc(size_t(b_line_size_ > 0 ? b_line_size_ : 1)));
  if (!b_line_) {
    rst_report(RstCode::no_memory, "RstPixelBinaryOperation::initiate()");
    return false;
  }
  return true;
}

void RstPixelBinaryOperation::reset() {
  input(0)->reset();
  input(1)->reset();
}

RstPixelBinaryOperationDifferentSize::RstPixelBinaryOperationDifferentSize(const std::vector<RstRead*>& inputs,
                                                                           int32_t x, int32_t y)
    : RstPixelBinaryOperation(inputs), x_(x), y_(y) {
  RstHeader a(input(0)), b(input(1));
  end_row_ = int32_t(int64_t(y) + b.height);
  if (a.bits_per_sample == 8) {
    byte_offset_ = x * a.samples_per_pixel;
    byte_count_ = b.width * a.samples_per_pixel;
    return;
  }
  byte_offset_ = x / 8;
  byte_count_ = b.width / 8;
  rest_bits_ = b.width % 8;
  shift_ = x % 8;
  complement_ = shift_ ? 8 - shift_ : 0;
  touched_ = b.width > 0 ? (x + b.width - 1) / 8 - x / 8 + 1 : 0;
  b_bytes_ = (b.width + 7) / 8;
}

int RstPixelBinaryOperationDifferentSize::read(uint8_t* line) {
  if (input(0)->read(line) != line_size_) return 0;
  if (uint32_t(row_) >= uint32_t(y_) && uint32_t(row_) < uint32_t(end_row_)) {
    if (input(1)->read(b_line_) != b_line_size_) return 0;
    apply_line(line);
  }
  ++row_;
  return line_size_;
}

int RstPixelBinaryOperationDifferentSize::skip(int n) {
  if (n <= 0) return 0;
  int a = input(0)->skip(n);
  // B passes the rows of the range that it covers.
  int64_t from = y_ > row_ ? y_ : row_;
  int64_t to = int64_t(row_) + a < end_row_ ? int64_t(row_) + a : end_row_;
  if (to > from) input(1)->skip(int(to - from));
  row_ += a;
  return a;
}

void RstPixelBinaryOperationDifferentSize::reset() {
  row_ = 0;
  RstPixelBinaryOperation::reset();
}

int RstPixelBinaryOperationSameSize::read(uint8_t* line) {
  if (input(0)->read(line) != line_size_ || input(1)->read(b_line_) != b_line_size_) return 0;
  apply_line(line);
  return line_size_;
}

int RstPixelBinaryOperationSameSize::skip(int n) {
  if (n <= 0) return 0;
  int a = input(0)->skip(n);
  return input(1)->skip(a);
}
